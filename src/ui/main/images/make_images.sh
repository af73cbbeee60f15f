#!/usr/bin/env bash
# Regenerates the window's pictures with ImageMagick: the two badge banners (620x72
# JPEG) and the running-pulse animation (57x41 GIF). Run from this folder.
set -euo pipefail
font=DejaVu-Sans-Bold
thin=DejaVu-Sans

banner() { # out, gradient from, gradient to, company name, accent colour
    convert -size 72x620 "gradient:$2-$3" -rotate -90 \
        -stroke "$5" -strokewidth 2 -fill none \
        -draw "polyline 262,60 277,60 277,44 297,44 297,60 317,60 317,44 337,44 337,60 357,60 357,44 377,44 377,60 446,60" \
        -stroke none -fill white -font "$font" -pointsize 38 -annotate +16+46 "$4" \
        -fill "$5" -font "$thin" -pointsize 12 -annotate +18+64 "Digital Delay and Pulse Generators" \
        -quality 92 "$1"
}
banner KTBlueBanner.jpg '#0b1f4d' '#2f6db5' "Kalteron" '#9fd3ff'
banner MRDBanner.jpg '#3d0b12' '#a33a2a' "Marendale" '#ffd29f'

# A pulse train moving right to left: eight frames, one step of 5 pixels each.
frames=()
for i in 0 1 2 3 4 5 6 7; do
    pts=""
    x=$(( -i * 5 ))
    while [ $x -lt 70 ]; do
        pts+="$x,30 $((x+10)),30 $((x+10)),10 $((x+20)),10 $((x+20)),30 "
        x=$((x + 40))
    done
    convert -size 57x41 xc:'#101820' -stroke '#39ff6a' -strokewidth 2 -fill none \
        -draw "polyline $pts" "frame$i.gif"
    frames+=("frame$i.gif")
done
convert -delay 10 -loop 0 "${frames[@]}" PulseAnimate.gif
rm -f "${frames[@]}"

#!/usr/bin/env bash
# Figures for the notes, not a test: from process start to the window filled from the
# instrument, with the instrument on COM7 at 38400 and nothing on COM1-6; a screen shot
# of the result. Run under a display (e.g. xvfb-run -a -s "-screen 0 1280x1024x24").
#   bench_startup.sh BUILD_DIR [MODEL] [SCREENSHOT.png]
set -euo pipefail
build=${1:?build folder}
model=${2:-7310-12}
shot=${3:-}
work=$(mktemp -d -t kt7310-bench.XXXXXX)
cleanup() {
  set +e
  [ -n "${panel:-}" ] && kill "$panel" 2>/dev/null && wait "$panel" 2>/dev/null
  [ -n "${emu:-}" ] && kill "$emu" 2>/dev/null && wait "$emu" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$build/emulator/kt7310-emulator" --port-dir "$work" --com 7 --baud 38400 --model "$model" \
  --transcript "$work/transcript.txt" > "$work/ready" 2>&1 &
emu=$!
for _ in $(seq 100); do [ -s "$work/ready" ] && break; sleep 0.05; done

channels=${model##*-}
last="*CFG?${channels}?"
start_ms=$(date +%s%3N)
KT7310_PORT_DIR="$work" "$build/src/app/KT7310_GUI" &
panel=$!
# The window is filled once the last channel record has been answered.
for _ in $(seq 400); do
  grep -qF "RX $last" "$work/transcript.txt" 2>/dev/null &&
    grep -A1 -F "RX $last" "$work/transcript.txt" | grep -q '^.* TX ' && break
  sleep 0.025
done
sleep 0.2
reply=$(grep -A1 -F "RX $last" "$work/transcript.txt" | grep ' TX ' | head -1 | cut -d' ' -f1)
day=$(date +%F)
end_ms=$(date -d "$day $reply" +%s%3N)
first=$(head -1 "$work/transcript.txt" | cut -d' ' -f1)
first_ms=$(date -d "$day $first" +%s%3N)
echo "model $model on COM7 at 38400: first identification query after $((first_ms - start_ms)) ms," \
  "window filled (last channel record answered) $((end_ms - start_ms)) ms after process start"
echo "resident memory of the panel with the window filled: $(awk '/^VmRSS/ {print $2, $3}' /proc/$panel/status)"
if [ -n "$shot" ]; then
  sleep 0.5
  import -window root "$shot"
fi

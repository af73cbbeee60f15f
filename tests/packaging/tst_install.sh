#!/bin/sh
# The installed tree and the Debian packages, from a built tree:
#   tst_install.sh <build folder> <yes|no: the command-line companion is built>
#                  <yes|no: the Tango device server is built>
# cmake --install into a temporary prefix must give the programs, a desktop entry that
# desktop-file-validate accepts, the icon in every size, a manual page per program that
# man renders and that lists the options the program's --help lists, and bash
# completion; cpack -G DEB must give a package holding the same, with the Qt libraries
# among its dependencies and nothing of Tango, and, when the device server is built, a
# package of its own for it that depends on the Tango library and carries its systemd
# unit. lintian must accept both packages without an error or a warning.
set -eu
build=$1
companion=$2
server=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
need() {
  command -v "$1" >/dev/null || { echo "FAIL: $1 is missing ($2)" >&2; exit 1; }
}
need desktop-file-validate desktop-file-utils
need dpkg-deb dpkg
need dpkg-shlibdeps dpkg-dev
need cpack cmake
need lintian lintian
need man man-db

# A Debian machine-readable copyright file.
check_copyright() {
  if [ ! -f "$1" ]; then
    fail "no copyright file $1"
    return
  fi
  head -n 1 "$1" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file $1 is not in the machine-readable format"
  for field in Upstream-Name Files Copyright License; do
    grep -q "^$field: " "$1" || fail "the copyright file $1 lacks $field"
  done
}
# A package's file name, as DEB-DEFAULT makes it from its own fields.
check_file_name() {
  expected=$(dpkg-deb -f "$1" Package)_$(dpkg-deb -f "$1" Version)_$(dpkg-deb -f "$1" Architecture).deb
  [ "$(basename "$1")" = "$expected" ] || fail "$(basename "$1") is not named $expected"
}

# The options a text names: a dash or two and a letter, at the start of a word.
options_in() {
  grep -Eo -- '(^|[][[:space:](,|])--?[A-Za-z][-A-Za-z0-9]*' | sed -E 's/^[^-]*//' | sort -u
}
# A manual page that man renders without a warning and that names exactly the options
# the program's --help names (its examples and references to other pages aside).
check_man_page() { # <page> <program>
  page=$1
  program=$2
  if [ ! -f "$page" ]; then
    fail "no manual page $(basename "$page") (was help2man found when the build was configured?)"
    return
  fi
  MANWIDTH=1000 man --warnings -l "$page" 2>"$tmp/man.err" | col -b >"$tmp/man.txt" ||
    fail "man -l $(basename "$page")"
  [ -s "$tmp/man.err" ] && fail "man -l $(basename "$page") warns: $(cat "$tmp/man.err")"
  grep -q "^NAME" "$tmp/man.txt" || fail "$(basename "$page") renders no NAME section"
  awk '/^[A-Z][A-Z ]*$/ { skip = ($0 == "EXAMPLES" || $0 == "SEE ALSO") } !skip' \
    "$tmp/man.txt" | options_in >"$tmp/page-options"
  QT_QPA_PLATFORM=offscreen "$program" --help | options_in >"$tmp/help-options"
  grep -qx -- --help "$tmp/help-options" || fail "no --help among $(basename "$program")'s options"
  diff "$tmp/help-options" "$tmp/page-options" >"$tmp/options.diff" ||
    fail "$(basename "$page") and $(basename "$program") --help list different options (<: --help only, >: page only):
$(grep '^[<>]' "$tmp/options.diff")"
}

# ---- cmake --install -----------------------------------------------------------------
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || {
  cat "$tmp/install.log" >&2
  fail "cmake --install"
  exit 1
}
programs="KT7310_GUI kt7310-emulator"
[ "$companion" = yes ] && programs="$programs kt7310"
for p in $programs; do
  [ -x "$prefix/bin/$p" ] || fail "bin/$p is not installed"
done
# The installed panel runs from its new place (no display needed for --version).
"$prefix/bin/KT7310_GUI" --version | grep -q '^KT7310_GUI [0-9]' || fail "installed KT7310_GUI --version"
"$prefix/bin/kt7310-emulator" --help >/dev/null || fail "installed kt7310-emulator --help"
if [ "$server" = yes ]; then
  [ -x "$prefix/bin/kt7310-tango" ] || fail "bin/kt7310-tango is not installed"
  check_copyright "$prefix/share/doc/kt7310-tango/copyright"
  grep -q 'kt7310-tango' "$prefix/share/doc/kt7310-tango/copyright" ||
    fail "the server's copyright file does not name kt7310-tango"
  programs_and_server="$programs kt7310-tango"
  [ -f "$prefix/lib/systemd/system/kt7310-tango@.service" ] || fail "no systemd unit kt7310-tango@.service"
else
  programs_and_server=$programs
fi
for p in $programs_and_server; do
  check_man_page "$prefix/share/man/man1/$p.1.gz" "$prefix/bin/$p"
done
completions=$prefix/share/bash-completion/completions
[ "$companion" = no ] || [ -f "$completions/kt7310" ] || fail "no bash completion for kt7310"
[ -f "$completions/kt7310-emulator" ] || fail "no bash completion for kt7310-emulator"

desktop=$prefix/share/applications/kt7310-panel.desktop
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the entry"
  grep -qx 'Exec=KT7310_GUI' "$desktop" || fail "the entry does not start KT7310_GUI"
  grep -qx 'Icon=kt7310' "$desktop" || fail "the entry does not name the icon kt7310"
  # Without an instrument the menu offers choosing the port and the demonstration.
  for action in 'PickPort|Choose Port|KT7310_GUI --pick-port' 'Demo|Demonstration Mode|KT7310_GUI --demo'; do
    id=${action%%|*}
    rest=${action#*|}
    name=${rest%%|*}
    exec=${rest#*|}
    grep -Eq "^Actions=(.*;)?$id;" "$desktop" || fail "the entry does not list the action $id"
    sed -n "/^\[Desktop Action $id\]\$/,/^\[/p" "$desktop" >"$tmp/action"
    grep -qx "Name=$name" "$tmp/action" || fail "action $id is not named \"$name\""
    grep -qx "Exec=$exec" "$tmp/action" || fail "action $id does not start $exec"
  done
else
  fail "no desktop entry"
fi

check_copyright "$prefix/share/doc/kt7310/copyright"

icons=$prefix/share/icons/hicolor
grep -q '<svg' "$icons/scalable/apps/kt7310.svg" 2>/dev/null || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
  png=$icons/${size}x${size}/apps/kt7310.png
  if [ ! -f "$png" ]; then
    fail "no ${size}x${size} icon"
    continue
  fi
  # PNG signature, then the IHDR chunk's width and height (big-endian).
  set -- $(od -An -tu1 -N24 "$png")
  [ "$2 $3 $4" = "80 78 71" ] || fail "${size}x${size} icon is no PNG"
  width=$(( (${17} << 24) | (${18} << 16) | (${19} << 8) | ${20} ))
  height=$(( (${21} << 24) | (${22} << 16) | (${23} << 8) | ${24} ))
  [ "$width x $height" = "$size x $size" ] || fail "${size}x${size} icon is ${width}x${height}"
done

# ---- cpack -G DEB ----------------------------------------------------------------------
(cd "$build" && cpack -G DEB -B "$tmp/package" >"$tmp/cpack.log" 2>&1) || {
  cat "$tmp/cpack.log" >&2
  fail "cpack -G DEB"
  exit 1
}
tango_deb=
deb=$(ls "$tmp"/package/kt7310_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
  fail "cpack made no kt7310_*.deb"
  exit 1
fi
dpkg-deb -c "$deb" | awk '{print $NF}' >"$tmp/contents"
for f in $programs; do
  grep -qx "./usr/bin/$f" "$tmp/contents" || fail "the package lacks /usr/bin/$f"
done
for p in $programs; do
  grep -qx "./usr/share/man/man1/$p.1.gz" "$tmp/contents" || fail "the package lacks the manual page of $p"
done
for f in ./usr/share/applications/kt7310-panel.desktop \
  ./usr/share/icons/hicolor/scalable/apps/kt7310.svg \
  ./usr/share/icons/hicolor/48x48/apps/kt7310.png \
  ./usr/share/icons/hicolor/256x256/apps/kt7310.png \
  ./usr/share/bash-completion/completions/kt7310-emulator \
  ./usr/share/doc/kt7310/changelog.gz \
  ./usr/share/doc/kt7310/copyright; do
  grep -qx "$f" "$tmp/contents" || fail "the package lacks ${f#.}"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
  echo "$depends" | grep -Eq "(^|, )$lib( |,|$)" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = kt7310 ] || fail "package name"
dpkg-deb -f "$deb" Description >"$tmp/description"
grep -q 'delay and pulse generators' "$tmp/description" || fail "description"
# The description names the three programs.
for p in KT7310_GUI kt7310 kt7310-emulator; do
  grep -Eq "(^|[^-_[:alnum:]])$p([^-_[:alnum:]]|$)" "$tmp/description" ||
    fail "the description does not name $p"
done
check_file_name "$deb"
# Nothing of the device server: neither its files nor Tango and what Tango brings.
grep -q 'kt7310-tango' "$tmp/contents" && fail "the panel's package holds the device server's files"
echo "$depends" | grep -Eqi 'tango|omniorb|omnithread|zmq' && fail "the panel's package depends on Tango: $depends"

# The device server's package.
tango_debs=$(ls "$tmp"/package/kt7310-tango_*.deb 2>/dev/null || true)
if [ "$server" = no ]; then
  [ -z "$tango_debs" ] || fail "cpack made $tango_debs without the device server"
elif [ -z "$tango_debs" ]; then
  fail "cpack made no kt7310-tango_*.deb"
else
  tango_deb=$tango_debs
  [ "$(dpkg-deb -f "$tango_deb" Package)" = kt7310-tango ] || fail "the server's package name"
  check_file_name "$tango_deb"
  [ "$(dpkg-deb -f "$tango_deb" Version)" = "$(dpkg-deb -f "$deb" Version)" ] ||
    fail "the two packages' versions differ"
  dpkg-deb -c "$tango_deb" | awk '{print $NF}' >"$tmp/tango-contents"
  for f in ./usr/bin/kt7310-tango ./usr/share/doc/kt7310-tango/copyright \
    ./usr/share/doc/kt7310-tango/changelog.gz ./usr/share/man/man1/kt7310-tango.1.gz \
    ./usr/lib/systemd/system/kt7310-tango@.service; do
    grep -qx "$f" "$tmp/tango-contents" || fail "the server's package lacks ${f#.}"
  done
  # Only the server: the panel's programs and files stay in the panel's package.
  for f in KT7310_GUI kt7310 kt7310-emulator; do
    grep -qx "./usr/bin/$f" "$tmp/tango-contents" && fail "the server's package holds /usr/bin/$f"
  done
  grep -Eq '/share/(applications|icons|doc/kt7310/)' "$tmp/tango-contents" &&
    fail "the server's package holds the panel's files"
  # dpkg-shlibdeps names the Tango library's package (libtango9 on Debian 12).
  tango_depends=$(dpkg-deb -f "$tango_deb" Depends)
  for lib in libc6 libtango9 libqt6core6; do
    echo "$tango_depends" | grep -Eq "(^|, )$lib( |,|$)" || fail "the server's Depends lacks $lib: $tango_depends"
  done
  # Its own summary and description, not the panel's.
  dpkg-deb -f "$tango_deb" Description >"$tmp/tango-description"
  head -n 1 "$tmp/tango-description" | grep -q 'Tango device server' ||
    fail "the server's summary: $(head -n 1 "$tmp/tango-description")"
  grep -q 'KT7310' "$tmp/tango-description" || fail "the server's description does not name the device class KT7310"
fi

# Installing starts nothing: no maintainer scripts at all (the unit is enabled and
# started by the administrator).
for d in "$deb" $tango_deb; do
  dpkg-deb --ctrl-tarfile "$d" | tar -t | sed 's|^\./||' >"$tmp/control-files"
  scripts=$(grep -Ex 'preinst|postinst|prerm|postrm|config' "$tmp/control-files" | tr '\n' ' ')
  [ -z "$scripts" ] || fail "$(basename "$d") has maintainer scripts: $scripts"
done

if [ -n "$tango_deb" ]; then
  unit=./usr/lib/systemd/system/kt7310-tango@.service
  mkdir "$tmp/root"
  dpkg-deb -x "$tango_deb" "$tmp/root"
  grep -q '^Restart=on-failure$' "$tmp/root/$unit" || fail "the unit does not restart on failure"
  grep -Eq '^ExecStart=(/usr/bin/)?kt7310-tango %i( |$)' "$tmp/root/$unit" ||
    fail "the unit does not start kt7310-tango with the instance's name"
  if command -v systemd-analyze >/dev/null; then
    # An instance of the template, starting the packaged server where it was unpacked
    # (systemd looks for a bare command on its own path, not in the test's). A line
    # systemd cannot parse is only a warning to it: any output fails too.
    sed "s|^ExecStart=\(/usr/bin/\)\{0,1\}kt7310-tango |ExecStart=$tmp/root/usr/bin/kt7310-tango |" \
      "$tmp/root/$unit" >"$tmp/kt7310-tango@test.service"
    systemd-analyze verify --man=no "$tmp/kt7310-tango@test.service" >"$tmp/verify.log" 2>&1 &&
      [ ! -s "$tmp/verify.log" ] ||
      fail "systemd-analyze verify: $(cat "$tmp/verify.log")"
  fi
fi

# lintian: no error and no warning. An override shipped in a package must say why on
# the comment line above it.
# shellcheck disable=SC2086
lintian --fail-on error,warning --no-tag-display-limit "$deb" $tango_deb >"$tmp/lintian.log" 2>&1 ||
  fail "lintian:
$(cat "$tmp/lintian.log")"
for d in "$deb" $tango_deb; do
  package=$(dpkg-deb -f "$d" Package)
  dpkg-deb --fsys-tarfile "$d" | tar -xO "./usr/share/lintian/overrides/$package" \
    >"$tmp/overrides" 2>/dev/null || continue
  awk -v p="$package" 'NF && !/^#/ && prev !~ /^#/ { print p ": the override \"" $0 "\" gives no reason"; bad = 1 }
                       { prev = $0 } END { exit bad }' "$tmp/overrides" || fail "overrides without a reason"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "installed tree, $(basename "$deb")${tango_deb:+ and $(basename "$tango_deb")} as expected"

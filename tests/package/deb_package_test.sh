#!/bin/bash
# The Debian package as built by CPack: its control fields and its files.
#
#   deb_package_test.sh <build dir> [application identifier]
#
# Makes the package (cpack -G DEB) from the build and checks that it depends on every library
# the program links and on Qt's X11 platform plugin, and that it holds the program, a valid
# launcher named after the identifier, the icons and the About box's pictures.
set -u
build="$1"
app_id="${2:-org.pigmora.Pigmora}"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -f "$build"/pigmora_*.deb
if ! (cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack -G DEB failed" >&2
  exit 1
fi
deb=$(ls "$build"/pigmora_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "FAIL: cpack made no pigmora_*.deb" >&2; exit 1; }
pass "cpack made $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = pigmora ] || fail "Package is '$(field Package)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
  fail "Architecture is '$(field Architecture)'"
depends=$(field Depends)
# Whether Depends names package $1 (alone or as an alternative, with any version).
depends_on() { tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//' | grep -Fxq "$1"; }
# Every library the program needs, by the package that ships it on this system.
dpkg-deb -x "$deb" "$work/root"
binary="$work/root/usr/bin/pigmora"
[ -x "$binary" ] || fail "no executable usr/bin/pigmora"
for library in $(objdump -p "$binary" | awk '/NEEDED/ { print $2 }'); do
  path=$(ldconfig -p | awk -v lib="$library" '$1 == lib && /x86-64|64bit|AArch64/ { print $NF; exit }')
  [ -n "$path" ] || path=$(ldconfig -p | awk -v lib="$library" '$1 == lib { print $NF; exit }')
  owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -1 | cut -d: -f1)
  [ -n "$owner" ] || owner=$(dpkg -S "$path" 2>/dev/null | head -1 | cut -d: -f1)
  if [ -z "$owner" ]; then
    fail "no package owns $library ($path)"
  elif ! depends_on "$owner"; then
    fail "Depends lacks $owner, which ships $library: $depends"
  fi
done
# Qt loads its X11 platform plugin and its SVG icon engine at run time; no link names them. The
# icon engine's package differs by release: the one that ships it here.
depends_on qt6-qpa-plugins || fail "Depends lacks qt6-qpa-plugins"
svg_icons=$(dpkg -S '*/qt6/plugins/iconengines/libqsvgicon.so' 2>/dev/null | head -1 | cut -d: -f1)
[ -n "$svg_icons" ] && depends_on "$svg_icons" ||
  fail "Depends lacks the SVG icon engine's package (${svg_icons:-none installed}): $depends"
pass "Depends: $depends"

launcher="$work/root/usr/share/applications/$app_id.desktop"
if [ -f "$launcher" ]; then
  out=$(desktop-file-validate "$launcher" 2>&1)
  if [ -z "$out" ]; then pass "the launcher $app_id.desktop validates"; else fail "launcher: $out"; fi
  grep -qx 'Exec=pigmora' "$launcher" || fail "the launcher does not run pigmora"
  grep -qx 'Icon=pigmora' "$launcher" || fail "the launcher does not name the pigmora icon"
else
  fail "no usr/share/applications/$app_id.desktop"
fi
for file in usr/share/icons/hicolor/scalable/apps/pigmora.svg \
  usr/share/icons/hicolor/128x128/apps/pigmora.png \
  usr/share/icons/hicolor/256x256/apps/pigmora.png; do
  [ -s "$work/root/$file" ] || fail "no $file"
done
for picture in fancy_icon.png:128x128 fancy_iconx2.png:256x256; do
  name=${picture%%:*}
  size=${picture##*:}
  file "$work/root/usr/share/pigmora/$name" 2>/dev/null | grep -q "PNG image data, ${size/x/ x }" ||
    fail "usr/share/pigmora/$name is not a ${size} PNG"
done
# Nothing but the program's own files: no headers, static libraries or test programs.
unexpected=$(dpkg-deb -c "$deb" | awk '{ print $NF }' | grep -v '/$' |
  grep -Ev '^\./usr/(bin/pigmora|share/(applications|icons/hicolor|pigmora)/)' || true)
[ -z "$unexpected" ] || fail "unexpected files in the package: $unexpected"

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"

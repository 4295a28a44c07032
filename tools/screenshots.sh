#!/usr/bin/env bash
# Regenerates the README's screenshots in docs/screenshots/ from a built program:
#
#   tools/screenshots.sh [build dir, default build]
#
# It runs the desktop tests that drive the preferences window and the About box (each in its own
# throw-away Xvfb desktop with a window manager and a tray) and keeps the pictures they take:
# preferences.png, preferences-problem.png, tray-menu.png and about.png; then the tray test on
# each real panel (tests/gui/tray_hosts.sh) for tray-<host>.png, the panel's end with the item,
# and tray-xfce-menu.png, the item's menu as xfce4-panel draws it. Needs what those tests need
# (Xvfb, openbox, trayer, the panels, xdotool, xclip, ImageMagick; see tools/deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
binary="$build/bin/pigmora"
if [ ! -x "$binary" ]; then
  echo "screenshots.sh: no program at $binary; build it first" >&2
  exit 1
fi
out="$PWD/docs/screenshots"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for test in preferences_test.sh about_test.sh; do
  if ! PIGMORA_BIN="$PWD/$binary" PIGMORA_SCREENSHOT_DIR="$work" \
    tests/gui/desktop_session.sh "tests/gui/$test" >"$work/$test.log" 2>&1; then
    echo "screenshots.sh: $test failed; its pictures are not kept:" >&2
    cat "$work/$test.log" >&2
    status=1
  fi
done
. tests/gui/tray_hosts.sh
for host in $TRAY_HOSTS; do
  if ! PIGMORA_BIN="$PWD/$binary" PIGMORA_SCREENSHOT_DIR="$work" \
    tests/gui/desktop_session.sh --host "$host" tests/gui/tray_host_check.sh \
    >"$work/tray-$host.log" 2>&1; then
    echo "screenshots.sh: the tray test on $host failed; its pictures are not kept:" >&2
    cat "$work/tray-$host.log" >&2
    status=1
  fi
  cp "$work/host-$host.png" "$work/tray-$host.png" 2>/dev/null || true
done
[ $status -eq 0 ] || exit $status
# The menu at the panel's end, where xfce4-panel drops it from the top right corner.
convert "$work/host-xfce-menu.png" -crop 420x200+860+0 +repage "$work/tray-xfce-menu.png"
for picture in preferences preferences-problem tray-menu about tray-xfce-menu \
  $(for host in $TRAY_HOSTS; do echo "tray-$host"; done); do
  # Stripped of time stamps, so that an unchanged window gives an unchanged file.
  convert "$work/$picture.png" -strip "$out/$picture.png"
  echo "wrote docs/screenshots/$picture.png"
done

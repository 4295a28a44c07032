#!/bin/bash
# desktop-session: tray
# The Debian package on a fresh Debian of the release it was built on: a minimal system is made
# with mmdebstrap from the Debian archive, the package is installed into it by apt (which must find every dependency from
# the package's own fields), and the installed program is run from there on this test's X
# desktop: its tray icon appears, and its About box shows the pictures it finds under
# /usr/share/pigmora from its own location.
#
#   desktop_session.sh clean_install_test.sh <build dir holding pigmora_*.deb>
#
# Needs root, mmdebstrap and the Debian archive; without root or mmdebstrap it is skipped
# (status 77).
source "$(dirname "$0")/../gui/gui_lib.sh"
source "$(dirname "$0")/../gui/tray_menu_lib.sh"

build="$1"
deb=$(ls "$build"/pigmora_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "FAIL: no pigmora_*.deb in $build (run cpack -G DEB there)" >&2; exit 1; }
deb=$(readlink -f "$deb")
if [ "$(id -u)" != 0 ] || ! command -v mmdebstrap >/dev/null; then
  echo "skipped: needs root and mmdebstrap (apt-get install mmdebstrap)"
  exit 77
fi

# The package depends on the libraries of the release it was built on.
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
root="$PIGMORA_SESSION_DIR/debian-$release"
# The minimal system plus the package; apt resolves the package's dependencies from the archive.
# The hook makes the package file visible inside the new system while apt installs it.
if ! mmdebstrap --variant=apt --mode=root \
  --hook-dir=/usr/share/mmdebstrap/hooks/file-mirror-automount \
  --include="$deb" "$release" "$root" >"$PIGMORA_SESSION_DIR/mmdebstrap.log" 2>&1; then
  tail -30 "$PIGMORA_SESSION_DIR/mmdebstrap.log" >&2
  fail "the package did not install on a fresh Debian $release"
  finish
fi
pass "$(basename "$deb") installed on a fresh Debian $release with its dependencies"

missing=$(chroot "$root" ldd /usr/bin/pigmora 2>&1 | grep 'not found')
[ -z "$missing" ] || fail "libraries missing in the fresh system: $missing"
[ -e "$root/usr/share/applications/$APP_ID.desktop" ] || fail "no launcher installed"

# The installed program, as a user of that system starts it, on this desktop's X server (its
# abstract socket is reachable from the chroot).
chroot "$root" /usr/bin/env -i DISPLAY="$DISPLAY" HOME=/root PATH=/usr/bin:/bin \
  /usr/bin/pigmora >"$PIGMORA_SESSION_DIR/installed.out" 2>"$PIGMORA_SESSION_DIR/installed.err" &
PIGMORA_PID=$!
echo "$PIGMORA_PID" >>"$PIGMORA_SESSION_DIR/pids"
if wait_for_tray_icon 20; then
  pass "the installed program shows its tray icon"
else
  fail "the installed program shows no tray icon: $(cat "$PIGMORA_SESSION_DIR/installed.err")"
  finish
fi
wait_for_path "$root/root/.config/$APP_ID.conf" 10 || fail "the installed program wrote no settings"
sleep 1
choose_tray_menu_item 5
if about=$(wait_for_about 10); then
  screenshot_window "$about" about-installed
  pink=$(pink_pixels "$about")
  [ "$pink" -gt 2000 ] && pass "the installed About box shows our picture" ||
    fail "the installed About box does not show our picture ($pink pink pixels)"
  xdotool key Return
  wait_for_about_gone 5 || fail "the About box did not close"
else
  fail "the installed program opened no About box"
fi
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10
[ "$EXIT_STATUS" = 0 ] || fail "the installed program ended with status $EXIT_STATUS on SIGTERM"
finish

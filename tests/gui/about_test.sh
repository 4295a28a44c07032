#!/bin/bash
# desktop-session: tray
# The About box opened from the tray menu: our picture beside the texts, "Ok" (the default)
# opens nothing, "See My Other Apps" hands the apps page to the desktop's opener, started
# detached, and the menu works again afterwards.
source "$(dirname "$0")/gui_lib.sh"
source "$(dirname "$0")/tray_menu_lib.sh"

APPS_PAGE="${PIGMORA_APPS_PAGE_ADDRESS:-https://example.com/apps}"

# A recording xdg-open first on the program's PATH: one line per argument, then the parent's
# PID and the working directory.
fake_bin="$PIGMORA_SESSION_DIR/bin"
OPENED="$PIGMORA_SESSION_DIR/opened"
mkdir -p "$fake_bin"
cat >"$fake_bin/xdg-open" <<EOF
#!/bin/sh
{ for argument in "\$@"; do echo "arg \$argument"; done
  echo "ppid \$PPID"
  echo "cwd \$(pwd)"; } >>"$OPENED.tmp"
mv "$OPENED.tmp" "$OPENED"
EOF
chmod +x "$fake_bin/xdg-open"

PATH="$fake_bin:$PATH" start_pigmora about
wait_for_tray_icon 15 || { fail "no tray icon"; finish; }
sleep 1

# --- Ok, here with Return, closes the box and opens nothing.
choose_tray_menu_item 5
if about=$(wait_for_about 10); then
  pass "\"About\" in the tray menu opened the About box"
  screenshot_window "$about" about
  pink=$(pink_pixels "$about")
  [ "$pink" -gt 2000 ] && pass "the About box shows our picture ($pink pink pixels)" ||
    fail "the About box does not show our picture ($pink pink pixels)"
  xdotool key Return
  wait_for_about_gone 5 || fail "Return did not close the About box"
  sleep 1
  [ -e "$OPENED" ] && fail "Ok opened something: $(cat "$OPENED")" ||
    pass "Ok closed the About box and opened nothing"
else
  fail "\"About\" opened no About box"
  finish
fi

# --- "See My Other Apps" (the second button; Tab moves there from the default button).
choose_tray_menu_item 5
if about=$(wait_for_about 10); then
  xdotool key Tab space
  wait_for_about_gone 5 || fail "\"See My Other Apps\" did not close the About box"
  if wait_for_path "$OPENED" 5; then
    arguments=$(sed -n 's/^arg //p' "$OPENED")
    [ "$arguments" = "$APPS_PAGE" ] && pass "the opener was started with $APPS_PAGE alone" ||
      fail "the opener got '$arguments', expected '$APPS_PAGE'"
    parent=$(sed -n 's/^ppid //p' "$OPENED")
    [ "$parent" != "$PIGMORA_PID" ] && pass "the opener is not the program's child (parent $parent)" ||
      fail "the opener was started as the program's own child"
  else
    fail "\"See My Other Apps\" started no xdg-open"
  fi
else
  fail "the About box did not open a second time"
fi

# --- The menu works again: "Preferences..." opens its window.
sleep 0.5
choose_tray_menu_item 4
if window=$(wait_for_named_window Preferences 10) && [ -n "$window" ]; then
  pass "after the About box, \"Preferences...\" works again"
else
  fail "after the About box, \"Preferences...\" opened nothing"
fi

is_running "$PIGMORA_PID" || fail "the program ended"
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10 && [ "$EXIT_STATUS" = 0 ] ||
  fail "SIGTERM with the preferences window open: status $EXIT_STATUS"

# --- Without its pictures (a copy of the program with no share/pigmora/ beside it) the About box
# shows the application's icon, whose tile is pink too, not the desktop's blue information sign.
bare="$PIGMORA_SESSION_DIR/bare"
mkdir -p "$bare/bin"
cp "$PIGMORA_BIN" "$bare/bin/pigmora"
PIGMORA_BIN="$bare/bin/pigmora" start_pigmora about-bare
wait_for_tray_icon 30 || { fail "no tray icon for the program without its pictures"; finish; }
choose_tray_menu_item 5
if about=$(wait_for_about 10); then
  screenshot_window "$about" about-without-picture
  pink=$(pink_pixels "$about")
  [ "$pink" -gt 100 ] && pass "without its picture the About box shows the application's icon ($pink pink pixels)" ||
    fail "without its picture the About box does not show the application's icon ($pink pink pixels)"
  xdotool key Return
  wait_for_about_gone 5 || fail "Return did not close the About box"
else
  fail "the program without its pictures opened no About box"
fi
choose_tray_menu_item 6
wait_for_exit "$PIGMORA_PID" 10 && [ "$EXIT_STATUS" = 0 ] || fail "Quit: status $EXIT_STATUS"
finish

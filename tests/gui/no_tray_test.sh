#!/bin/bash
# A desktop with no tray at all (no XEmbed tray, no StatusNotifierItem host): on a first start the
# preferences window opens by itself, and the user is told once, on stderr and through the
# desktop's notification service (dunst, a real one), that no tray was found and how to get one.
# A later start opens nothing by itself; starting Pigmora again, as the launcher does, opens the
# window.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"

NOTICE="Pigmora found no system tray"

dunst -print >"$PIGMORA_SESSION_DIR/dunst.out" 2>"$PIGMORA_SESSION_DIR/dunst.err" &
echo $! >>"$PIGMORA_SESSION_DIR/pids"
for _ in $(seq 1 100); do
  gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
    -m org.freedesktop.DBus.NameHasOwner org.freedesktop.Notifications 2>/dev/null |
    grep -q true && break
  sleep 0.1
done

# --- First start: the window opens, the notice is given once.
start_pigmora first
if wait_for_window '^Preferences$' 30 >/dev/null; then
  pass "the first start with no tray opened the Preferences window"
else
  fail "the first start with no tray opened no Preferences window: $(head -3 "$PIGMORA_SESSION_DIR/first.err")"
fi
notified=0
for _ in $(seq 1 100); do
  grep -q "$NOTICE" "$PIGMORA_SESSION_DIR/dunst.out" && { notified=1; break; }
  sleep 0.1
done
if [ $notified -eq 1 ] && grep -q 'gnome-shell-extension-appindicator' "$PIGMORA_SESSION_DIR/dunst.out"; then
  pass "the notification service showed the notice with the way to a tray"
else
  fail "no notice reached the notification service: $(cat "$PIGMORA_SESSION_DIR/dunst.out")"
fi
said=$(grep -c "$NOTICE" "$PIGMORA_SESSION_DIR/first.err")
[ "$said" = 1 ] && pass "stderr says it once" || fail "stderr says it $said times"
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 15
[ "$EXIT_STATUS" = 0 ] || fail "the first run ended with $EXIT_STATUS"

# --- A later start: the settings exist, nothing opens by itself and nothing is said.
[ -f "$SETTINGS_FILE" ] || fail "the first run wrote no settings"
start_pigmora later
# The program looks for a tray a few seconds after it starts; twice that passes without a window.
sleep 8
if visible_windows --name '^Preferences$' >/dev/null; then
  fail "a later start opened the Preferences window by itself"
else
  pass "a later start opened nothing by itself"
fi
grep -q "$NOTICE" "$PIGMORA_SESSION_DIR/later.err" && fail "a later start gave the notice again"

# --- Starting it again, as the launcher does, opens the window.
"$PIGMORA_BIN" >"$PIGMORA_SESSION_DIR/again.out" 2>"$PIGMORA_SESSION_DIR/again.err" &
again=$!
echo "$again" >>"$PIGMORA_SESSION_DIR/pids"
wait_for_exit "$again" 15
[ "$EXIT_STATUS" = 0 ] || fail "the second launch ended with $EXIT_STATUS"
if wait_for_window '^Preferences$' 15 >/dev/null; then
  pass "the second launch opened the Preferences window"
else
  fail "the second launch opened no Preferences window: $(cat "$PIGMORA_SESSION_DIR/again.err")"
fi
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 15
[ "$EXIT_STATUS" = 0 ] || fail "the later run ended with $EXIT_STATUS"
finish

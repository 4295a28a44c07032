#!/bin/bash
# The item on a StatusNotifierItem host (a small watcher of the test's own on the session bus, no
# XEmbed tray): its menu read and chosen from through com.canonical.dbusmenu as a panel does, the
# six commands with their shortcuts, the tooltip, a command chosen, "Quit" ending the program with
# status 0, and the name shown on such a host when the title is on.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"

host="$here/sni_host.py"
python=/usr/bin/python3
if ! "$python" -c 'import dbus, gi' 2>/dev/null; then
  fail "python3-dbus and python3-gi are needed for the StatusNotifierItem host"
  finish
fi
items="$PIGMORA_SESSION_DIR/sni-items"
: >"$items"
"$python" "$host" watch "$items" >"$PIGMORA_SESSION_DIR/sni-host.log" 2>&1 &
echo $! >>"$PIGMORA_SESSION_DIR/pids"
for _ in $(seq 1 50); do
  grep -q watching "$PIGMORA_SESSION_DIR/sni-host.log" 2>/dev/null && break
  sleep 0.1
done
grep -q watching "$PIGMORA_SESSION_DIR/sni-host.log" || { fail "the watcher did not start"; cat "$PIGMORA_SESSION_DIR/sni-host.log" >&2; finish; }

# Starts the program and waits for its item; sets ITEM_NAME.
start_with_item() {
  : >"$items"
  start_pigmora "$1"
  ITEM_NAME=""
  for _ in $(seq 1 150); do
    ITEM_NAME=$(head -1 "$items")
    [ -n "$ITEM_NAME" ] && break
    sleep 0.1
  done
  [ -n "$ITEM_NAME" ] || { fail "no StatusNotifierItem was registered"; cat "$PIGMORA_SESSION_DIR/$1.err" >&2; finish; }
  sleep 0.5
}

write_settings "ShortKey=⌃⌥⌘P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=RGB Hex" "OutFormat=2" \
  "TitleOn=0" "MenuIcon=4" "Login=0" "ColorVal=0"
start_with_item sni
pass "the item registered with the watcher as $ITEM_NAME"

# The titles exactly, and each shortcut apart in the form GTK and Qt hosts read (key names).
expected_menu=$(printf '%s\n' \
  "Show the Color Picker|enabled|Control+Alt+Super+P" "-" \
  "Cycle Output Forward|enabled|Control+Alt+Super+bracketright" \
  "Cycle Output Back|enabled|Shift+Super+F5" "-" \
  "Preferences...|enabled|Super+comma" "-" "About|enabled|" "-" "Quit|enabled|Super+Q")
actual_menu=$("$python" "$host" menu "$ITEM_NAME" 2>&1)
if [ "$actual_menu" = "$expected_menu" ]; then
  pass "the menu holds the six commands with their shortcuts"
else
  fail "the menu reads:"$'\n'"$actual_menu"$'\n'"expected:"$'\n'"$expected_menu"
fi

tooltip=$("$python" "$host" props "$ITEM_NAME" | sed -n 's/^ToolTip=//p')
[ "$tooltip" = "Output Format: RGB Hex" ] && pass "the tooltip reads '$tooltip'" ||
  fail "the tooltip reads '$tooltip'"
if [ -n "$SCREENSHOT_DIR" ]; then
  mkdir -p "$SCREENSHOT_DIR"
  size=$("$python" "$host" icon "$ITEM_NAME" "$PIGMORA_SESSION_DIR/sni-icon.pam")
  convert "$PIGMORA_SESSION_DIR/sni-icon.pam" "$SCREENSHOT_DIR/sni-icon-no-title.png" 2>/dev/null
  pass "the item's picture without a title is $size"
fi

# A command chosen through the menu runs: the forward cycle copies black in Swift.
mark_clipboard "marker-sni"
"$python" "$host" click "$ITEM_NAME" "Cycle Output Forward" || fail "could not choose the forward cycle"
text=$(wait_for_clipboard_change "marker-sni" 10)
[ "$text" = "UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)" ] &&
  pass "choosing Cycle Output Forward copied the Swift text" || fail "Cycle Output Forward copied '$text'"
wait_for_setting OutFormat 3 || fail "OutFormat is '$(setting OutFormat)', not 3"
tooltip=$("$python" "$host" props "$ITEM_NAME" | sed -n 's/^ToolTip=//p')
[ "$tooltip" = "Output Format: Swift" ] && pass "the tooltip follows: '$tooltip'" ||
  fail "after the cycle the tooltip reads '$tooltip'"

"$python" "$host" click "$ITEM_NAME" "Quit" || fail "could not choose Quit"
if wait_for_exit "$PIGMORA_PID" 10; then
  [ "$EXIT_STATUS" = "0" ] && pass "Quit ended the program with status 0" ||
    fail "Quit ended the program with status $EXIT_STATUS"
else
  fail "Quit did not end the program"
fi

# With the title on: a host's square slot has no room for text beside the symbol, so the name is
# what the item's tooltip shows, and the picture stays the bare symbol.
write_settings "ShortKey=" "ShortKey1=" "ShortKey2=" "Mode=Xamarin (C#)" "OutFormat=5" "TitleOn=1" \
  "MenuIcon=2" "Login=0" "ColorVal=0"
start_with_item sni-title
tooltip=$("$python" "$host" props "$ITEM_NAME" | sed -n 's/^ToolTip=//p')
[ "$tooltip" = "Xamarin (C#)" ] && pass "with the title on the host shows the name '$tooltip'" ||
  fail "with the title on the tooltip reads '$tooltip'"
if [ -n "$SCREENSHOT_DIR" ]; then
  size=$("$python" "$host" icon "$ITEM_NAME" "$PIGMORA_SESSION_DIR/sni-icon.pam")
  convert "$PIGMORA_SESSION_DIR/sni-icon.pam" "$SCREENSHOT_DIR/sni-icon-title.png" 2>/dev/null
  [ -n "$size" ] && [ "${size%x*}" = "${size#*x}" ] && pass "the item's picture is the square symbol ($size)" ||
    fail "the item's picture is $size"
fi
expected_menu=$(printf '%s\n' "Show the Color Picker|enabled|" "-" "Cycle Output Forward|enabled|" \
  "Cycle Output Back|enabled|" "-" "Preferences...|enabled|Super+comma" "-" "About|enabled|" "-" \
  "Quit|enabled|Super+Q")
actual_menu=$("$python" "$host" menu "$ITEM_NAME" 2>&1)
[ "$actual_menu" = "$expected_menu" ] && pass "without stored shortcuts the items show none" ||
  fail "the menu without shortcuts reads:"$'\n'"$actual_menu"
"$python" "$host" click "$ITEM_NAME" "Quit" || fail "could not choose Quit"
wait_for_exit "$PIGMORA_PID" 10 && [ "$EXIT_STATUS" = "0" ] || fail "the second Quit did not end the program with 0"
finish

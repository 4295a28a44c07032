#!/bin/bash
# desktop-session: tray
# Another program takes the clipboard between two cycles: the next cycle owns it again with the
# right text. Also when the cycle copies the same text as before (at the last format), when the
# other program has gone and left the clipboard without an owner, after a pick, and when the
# clipboard changes hands twice in a row.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"
. "$here/faults_lib.sh"

write_settings "${STORED_HOTKEYS[@]}" "Mode=RGB Hex" "OutFormat=2" "TitleOn=1" "MenuIcon=4" \
  "Login=0" "ColorVal=0"
start_other_application
start_pigmora takeover
tray=$(wait_for_tray_item 15)
[ -n "$tray" ] || { fail "no tray item: $(head -3 "$PIGMORA_SESSION_DIR/takeover.err")"; finish; }
focus_other_application

owner() { "$FAULTS_PYTHON" "$FAULTS_TOOL" clipboard-owner; }
# The X server gives each client its window ids from a block of 2^21 (its default resource id
# mask): the owner is the program's when its id is in the block of the program's tray window.
owned_by_program() { [ $(($(owner) >> 21)) -eq $((tray >> 21)) ]; }

# Another program takes the clipboard with its own text, as `echo foo | xclip -selection clipboard`
# does (in the foreground here, so that its end can be seen); sets TAKER.
take_clipboard() {
  local text="$1"
  printf '%s\n' "$text" | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
  TAKER=$!
  echo "$TAKER" >>"$PIGMORA_SESSION_DIR/pids"
  for _ in $(seq 1 50); do
    [ "$(clipboard)" = "$text" ] && ! owned_by_program && return 0
    sleep 0.1
  done
  fail "xclip did not take the clipboard"
  return 1
}

# A cycle hot key; the clipboard must then hold $2 and be the program's again, and the program
# that had taken it must have been told it lost it (xclip ends then).
cycle_takes_back() {
  local keys="$1" expected="$2" what="$3"
  focus_other_application
  xdotool key "$keys"
  local text=""
  for _ in $(seq 1 50); do
    text=$(clipboard)
    [ "$text" = "$expected" ] && break
    sleep 0.1
  done
  if [ "$text" = "$expected" ] && owned_by_program; then
    pass "$what: the cycle owns the clipboard again with '$expected'"
  else
    fail "$what: after the cycle the clipboard holds '$text' (owner $(owner), program's block" \
      "$((tray >> 21))), expected '$expected'"
  fi
  if [ -n "${TAKER:-}" ]; then
    wait_for_exit "$TAKER" 5 || fail "$what: the other program was not told it lost the clipboard"
    TAKER=""
  fi
}

# Two cycles, the clipboard taken between them.
cycle_takes_back "$FORWARD_KEY" "${BLACK_TEXTS[3]}" "first cycle"
take_clipboard "foo" && pass "another program took the clipboard: it reads 'foo'"
cycle_takes_back "$FORWARD_KEY" "${BLACK_TEXTS[4]}" "forward after the takeover"

take_clipboard "bar"
cycle_takes_back "$BACK_KEY" "${BLACK_TEXTS[3]}" "back after the takeover"

# At the last format the cycle copies the same text as the one before: it must still take the
# clipboard back, not skip the copy as if it still had it.
cycle_takes_back "$FORWARD_KEY" "${BLACK_TEXTS[4]}" "forward"
cycle_takes_back "$FORWARD_KEY" "${BLACK_TEXTS[5]}" "forward to the last format"
take_clipboard "same-text-test"
cycle_takes_back "$FORWARD_KEY" "${BLACK_TEXTS[5]}" "forward at the last format, same text as before"

# Taken twice in a row by two programs.
take_clipboard "first taker"
first=$TAKER
take_clipboard "second taker"
wait_for_exit "$first" 5 || fail "the first taker was not told it lost the clipboard"
cycle_takes_back "$BACK_KEY" "${BLACK_TEXTS[4]}" "back after two takeovers"

# The other program takes the clipboard and ends: no one owns it.
take_clipboard "short-lived"
kill "$TAKER" 2>/dev/null
wait_for_exit "$TAKER" 5
TAKER=""
for _ in $(seq 1 30); do [ "$(owner)" = 0 ] && break; sleep 0.1; done
[ "$(owner)" = 0 ] || fail "the clipboard still has an owner after the other program ended"
cycle_takes_back "$BACK_KEY" "${BLACK_TEXTS[3]}" "back with no owner"

# After a pick: the next cycle copies the picked colour, whoever had the clipboard meanwhile.
xdotool key "$PICKER_KEY"
dialog=$(wait_for_window "Select Color" 10)
if [ -n "$dialog" ]; then
  # Alt+H is the dialog's mnemonic for its HTML field.
  xdotool key --window "$dialog" alt+h
  sleep 0.3
  xdotool type --delay 40 '#ff8000'
  xdotool key Return
  for _ in $(seq 1 50); do [ "$(clipboard)" = "UIColor(red: 1.00, green: 0.50, blue: 0.00, alpha: 1.00)" ] && break; sleep 0.1; done
  [ "$(clipboard)" = "UIColor(red: 1.00, green: 0.50, blue: 0.00, alpha: 1.00)" ] ||
    fail "the pick copied '$(clipboard)'"
  take_clipboard "after the pick"
  cycle_takes_back "$FORWARD_KEY" "[UIColor colorWithRed: 1.00, green: 0.50, blue: 0.00, alpha: 1.00]" \
    "forward after a pick and a takeover"
else
  fail "the picker hot key opened no colour dialog"
fi

is_running "$PIGMORA_PID" || fail "the program ended"
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10 && [ "$EXIT_STATUS" = 0 ] || fail "SIGTERM: status $EXIT_STATUS"
finish

#!/bin/bash
# desktop-session: tray
# The settings file under faults.
#  1. SIGKILL at random moments of a burst of writes: hundreds of times to a small writer that
#     goes through the program's own store (tests/platform/settings_writer_main.cpp), then to the
#     real program while its cycle hot keys are pressed without pause. After every kill the file
#     must be whole, hold each key's old or new value, and load at the next start.
#  2. A settings file of garbage, one cut short, one of 10 MB, one the program may not read, and a
#     folder in its place: the program starts, stays up, answers, and takes what is missing as
#     missing (no hot keys, format 0, no title in the tray).
#  3. A read-only configuration folder: the program runs on with its settings in memory.
# PIGMORA_FAULTS_SEED fixes the random delays (it is printed); PIGMORA_WRITER_TRIALS and
# PIGMORA_PROGRAM_TRIALS the numbers of kills.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"
. "$here/tray_menu_lib.sh"
. "$here/faults_lib.sh"

WRITER="${PIGMORA_SETTINGS_WRITER:-$(dirname "$PIGMORA_BIN")/../tests/platform/pigmora_settings_writer}"
WRITER_TRIALS="${PIGMORA_WRITER_TRIALS:-250}"
PROGRAM_TRIALS="${PIGMORA_PROGRAM_TRIALS:-20}"
seed="${PIGMORA_FAULTS_SEED:-$$}"
RANDOM=$seed
echo "random seed $seed (PIGMORA_FAULTS_SEED)"
test_start=$(now_ms)

# The keys every file of the kill trials keeps as they are, as the store writes them: a quoted
# value (its comma) and the modifier symbols in UTF-8 must come through every rewrite unchanged.
WRITER_FIXED=("ShortKey=\"⌘,\"" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Login=0" "MenuIcon=4"
  "ColorVal=33023" "TitleOn=1")
PROGRAM_FIXED=("${STORED_HOTKEYS[@]}" "Login=0" "MenuIcon=4" "ColorVal=33023" "TitleOn=1")

# ---------------------------------------------------------------------------------------------
# 1a. The writer, killed at a random moment from its start to a few writes in.
if [ ! -x "$WRITER" ]; then
  fail "no settings writer at $WRITER (target pigmora_settings_writer)"
else
  write_settings "${WRITER_FIXED[@]}" "OutFormat=0" "Mode=RGB Values"
  check_settings_file "$SETTINGS_FILE" "${WRITER_FIXED[@]}" || fail "the first file: $CHECK_ERROR"
  previous=0
  writer_started=$(now_ms)
  loads_checked=0 kept_old=0 took_new=0 before_first=0 writer_failures=0
  for trial in $(seq 1 "$WRITER_TRIALS"); do
    out="$PIGMORA_SESSION_DIR/writer.out"
    "$WRITER" "$SETTINGS_FILE" 100000 >"$out" 2>"$PIGMORA_SESSION_DIR/writer.err" &
    writer=$!
    sleep_ms $((RANDOM % 150))
    kill -KILL "$writer" 2>/dev/null
    wait "$writer" 2>/dev/null
    status=$?
    problem=""
    [ "$status" -eq 137 ] || problem="the writer ended with status $status, not by the kill"
    # What it read at its start is what the last kill left.
    loaded=$(sed -n 's/^loaded //p' "$out")
    if [ "$(printf '%s\n' "$loaded" | grep -c .)" -eq 9 ]; then
      expected_load="Mode=${FORMAT_NAMES[$previous]}
ShortKey=⌘,
ShortKey1=⌃⌥⌘]
ShortKey2=⇧⌘F5
Login=0
MenuIcon=4
OutFormat=$previous
ColorVal=33023
TitleOn=1"
      if [ "$loaded" = "$expected_load" ]; then
        loads_checked=$((loads_checked + 1))
      else
        problem="it loaded:"$'\n'"$loaded"$'\n'"instead of:"$'\n'"$expected_load"
      fi
    fi
    done_writes=$(sed -n 's/^synced //p' "$out" | tail -1)
    done_writes=${done_writes:-0}
    if [ "$done_writes" -eq 0 ]; then old=$previous; else old=$((done_writes % 6)); fi
    new=$(((done_writes + 1) % 6))
    if [ -z "$problem" ] && ! check_settings_file "$SETTINGS_FILE" "${WRITER_FIXED[@]}"; then
      problem=$CHECK_ERROR
    fi
    if [ -z "$problem" ]; then
      if [ "$CHECKED_FORMAT" = "$old" ]; then
        kept_old=$((kept_old + 1))
      elif [ "$CHECKED_FORMAT" = "$new" ]; then
        took_new=$((took_new + 1))
      else
        problem="OutFormat $CHECKED_FORMAT after $done_writes finished writes: neither $old nor $new"
      fi
    fi
    [ "$done_writes" -eq 0 ] && before_first=$((before_first + 1))
    if [ -n "$problem" ]; then
      fail "writer trial $trial: $problem"
      cp "$SETTINGS_FILE" "$PIGMORA_SESSION_DIR/bad-$trial.conf" 2>/dev/null
      writer_failures=$((writer_failures + 1))
      [ "$writer_failures" -ge 5 ] && break
      write_settings "${WRITER_FIXED[@]}" "OutFormat=0" "Mode=RGB Values"
      previous=0
      continue
    fi
    previous=$CHECKED_FORMAT
  done
  stray=$(stray_settings_files "$SETTINGS_FILE" | wc -l)
  if [ "$writer_failures" -eq 0 ]; then
    pass "$WRITER_TRIALS writer kills in $(($(now_ms) - writer_started)) ms: the file was whole" \
      "every time, with the old value $kept_old times and the new one $took_new times" \
      "($before_first kills before the first write ended); $loads_checked starts read it back" \
      "exactly; $stray temporary files were left beside it"
  fi
  echo "note: the kills left $stray temporary file(s) beside the settings file; the next starts" \
    "were not disturbed by them"
fi

# ---------------------------------------------------------------------------------------------
# 1b. The real program, killed while its cycle hot keys are pressed one after another.
start_other_application
write_settings "${PROGRAM_FIXED[@]}" "OutFormat=2" "Mode=RGB Hex"
# Forward and back in a pattern that keeps the format moving, until this test stops it.
stop_pressing="$PIGMORA_SESSION_DIR/stop-pressing"
(
  while [ ! -e "$stop_pressing" ]; do
    xdotool key --delay 25 "$FORWARD_KEY" "$FORWARD_KEY" "$BACK_KEY" "$FORWARD_KEY" "$BACK_KEY" \
      "$BACK_KEY" "$BACK_KEY" "$FORWARD_KEY" 2>/dev/null
  done
) &
presser=$!
echo "$presser" >>"$PIGMORA_SESSION_DIR/pids"
previous=2
changed=0 program_failures=0
program_started=$(now_ms)
for trial in $(seq 1 "$PROGRAM_TRIALS"); do
  start_pigmora "kill-$trial"
  if [ -z "$(wait_for_tray_item 15)" ]; then
    fail "program trial $trial: no tray item after the start: $(head -3 "$PIGMORA_SESSION_DIR/kill-$trial.err")"
    program_failures=$((program_failures + 1))
    kill -KILL "$PIGMORA_PID" 2>/dev/null
    break
  fi
  sleep_ms $((RANDOM % 300))
  kill -KILL "$PIGMORA_PID"
  wait "$PIGMORA_PID" 2>/dev/null
  if check_settings_file "$SETTINGS_FILE" "${PROGRAM_FIXED[@]}"; then
    [ "$CHECKED_FORMAT" != "$previous" ] && changed=$((changed + 1))
    previous=$CHECKED_FORMAT
  else
    fail "program trial $trial: $CHECK_ERROR"
    cp "$SETTINGS_FILE" "$PIGMORA_SESSION_DIR/bad-program-$trial.conf" 2>/dev/null
    program_failures=$((program_failures + 1))
    break
  fi
done
# The presses end with the batch under way, before the program starts again.
touch "$stop_pressing"
wait "$presser" 2>/dev/null
if [ "$program_failures" -eq 0 ]; then
  pass "$PROGRAM_TRIALS kills of the program while it cycled, in $(($(now_ms) - program_started))" \
    "ms: the file was whole every time and held a format with its own name; it changed between" \
    "$changed of the kills"
fi
[ "$changed" -gt 0 ] || fail "no kill of the program came after a write: the hot keys did not reach it"

# The start after the last kill reads the file: the forward hot key goes on from the stored format.
start_pigmora restart
if [ -n "$(wait_for_tray_item 15)" ]; then
  expected=$((previous < 5 ? previous + 1 : 5))
  mark_clipboard "marker-restart"
  focus_other_application
  xdotool key "$FORWARD_KEY"
  text=$(wait_for_clipboard_change "marker-restart" 10)
  [ "$text" = "${BLACK_TEXTS[$expected]}" ] &&
    pass "the start after the kills read OutFormat $previous: forward copied '$text'" ||
    fail "after the kills, forward from OutFormat $previous copied '$text'"
  wait_for_setting OutFormat "$expected" || fail "after the restart OutFormat is '$(setting OutFormat)'"
  kill -TERM "$PIGMORA_PID"
  wait_for_exit "$PIGMORA_PID" 10 && [ "$EXIT_STATUS" = 0 ] ||
    fail "the restarted program did not end with 0 on SIGTERM: $EXIT_STATUS"
  [ -s "$PIGMORA_SESSION_DIR/restart.err" ] &&
    echo "note: restart stderr: $(head -5 "$PIGMORA_SESSION_DIR/restart.err")"
else
  fail "the program did not start after the kills: $(head -3 "$PIGMORA_SESSION_DIR/restart.err")"
fi
find "$(dirname "$SETTINGS_FILE")" -maxdepth 1 -name "$(basename "$SETTINGS_FILE").??????" -delete

# ---------------------------------------------------------------------------------------------
# 2. Settings files the program cannot use.

# Starts the program (as the test's user, or with "unprivileged" as another), waits for its tray
# item and checks that it stays up. Sets PIGMORA_PID; false when it did not come up.
start_and_expect_running() {
  local tag="$1" how="${2:-}" limit="${3:-15}" started
  started=$(now_ms)
  if [ "$how" = unprivileged ]; then start_pigmora_unprivileged "$tag"; else start_pigmora "$tag"; fi
  if ! wait_for_tray_icon "$limit"; then
    fail "$tag: no tray item within $limit s: $(head -3 "$PIGMORA_SESSION_DIR/$tag.err")"
    kill -KILL "$PIGMORA_PID" 2>/dev/null
    return 1
  fi
  START_MS=$(($(now_ms) - started))
  sleep 2
  if ! is_running "$PIGMORA_PID"; then
    wait_for_exit "$PIGMORA_PID" 1
    fail "$tag: the program ended (status $EXIT_STATUS): $(head -3 "$PIGMORA_SESSION_DIR/$tag.err")"
    return 1
  fi
}

# The tray item's width: the bare symbol when no title is shown.
tray_shows_title() {
  local width
  read -r _ _ width _ <<<"$(tray_icon_geometry)"
  [ "${width:-0}" -gt 40 ]
}

# "Cycle Output Forward" from the tray menu; checks that the clipboard then holds $2.
menu_forward_copies() {
  local tag="$1" expected="$2"
  set_clipboard "marker-$tag"
  choose_tray_menu_item 2 || { fail "$tag: the tray menu did not open"; return 1; }
  if wait_for_clipboard "$expected" 5; then
    pass "$tag: Cycle Output Forward copied '$expected'"
  else
    fail "$tag: Cycle Output Forward copied '$(clipboard_text)', expected '$expected'"
    return 1
  fi
}

# A stored hot key that must not work: the clipboard keeps the marker.
hotkey_does_nothing() {
  local tag="$1" keys="$2"
  set_clipboard "marker-$tag-hotkey"
  xdotool key "$keys"
  sleep 0.7
  [ "$(clipboard_text)" = "marker-$tag-hotkey" ] || fail "$tag: $keys copied '$(clipboard_text)'"
}

stop_program() {
  local tag="$1"
  kill -TERM "$PIGMORA_PID" 2>/dev/null
  if wait_for_exit "$PIGMORA_PID" 10; then
    [ "$EXIT_STATUS" = 0 ] || fail "$tag: SIGTERM ended the program with status $EXIT_STATUS"
  else
    fail "$tag: the program did not end on SIGTERM"
    kill -KILL "$PIGMORA_PID" 2>/dev/null
  fi
  # The tray drops the item's slot once the window is gone; the next start must not see it.
  for _ in $(seq 1 50); do
    [ -z "$(tray_icon_geometry)" ] && return
    sleep 0.1
  done
  fail "$tag: the tray item stayed after the program ended"
}

for _ in $(seq 1 50); do [ -z "$(tray_icon_geometry)" ] && break; sleep 0.1; done

# Garbage: 64 KiB of pseudo-random bytes. Not a first run, and no key can be read: format 0, no
# title, no hot keys.
rm -f "$SETTINGS_FILE"
LC_ALL=C awk 'BEGIN { srand(5); for (i = 0; i < 65536; i++) printf "%c", int(rand() * 256) }' \
  >"$SETTINGS_FILE"
if start_and_expect_running garbage; then
  pass "garbage: the program runs (tray item after $START_MS ms)"
  tray_shows_title && fail "garbage: the tray shows a title, but TitleOn is missing (0)"
  menu_forward_copies garbage "${BLACK_TEXTS[1]}"
  wait_for_setting OutFormat 1 ||
    fail "garbage: the cycle's OutFormat=1 never reached the file, which still holds the garbage"
  stop_program garbage
fi

# One key that the file format cannot write back as it was read (a leading "/", as a hand edit may
# leave), beside good keys: the cycle's new format must still reach the file.
printf '%s\n' "[General]" "/Notes=1" "${STORED_HOTKEYS[@]}" "Mode=RGB Hex" "OutFormat=2" "TitleOn=1" \
  >"$SETTINGS_FILE"
if start_and_expect_running odd-key; then
  tray_shows_title || fail "odd key: no title in the tray, but TitleOn=1 is in the file"
  set_clipboard "marker-odd-key"
  xdotool key "$FORWARD_KEY"
  wait_for_clipboard "${BLACK_TEXTS[3]}" 5 && pass "odd key: the forward hot key copied Swift" ||
    fail "odd key: the forward hot key copied '$(clipboard_text)'"
  wait_for_setting OutFormat 3 ||
    fail "odd key: OutFormat=3 never reached the file: a key named '/Notes' blocks every write"
  stop_program odd-key
fi

# Text with every value of the wrong kind: a number with a point, a word, hexadecimal, a list, a
# byte array, a variant, a broken section header. Each reads as missing.
rm -f "$SETTINGS_FILE"
printf '%s\n' "[General" "[General]" "OutFormat=2.0" "TitleOn=true" "MenuIcon=0x4" "Login=\" 1\"" \
  "ShortKey=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x12junk)" "ShortKey1=⌃⌥⌘], ⌃⌥⌘P" \
  "Mode=@ByteArray(RGB Hex)" "=====" "ShortKey2" >"$SETTINGS_FILE"
if start_and_expect_running wrong-kinds; then
  pass "values of the wrong kind: the program runs"
  tray_shows_title && fail "wrong kinds: the tray shows a title for TitleOn=true"
  hotkey_does_nothing wrong-kinds "$FORWARD_KEY"
  hotkey_does_nothing wrong-kinds "$PICKER_KEY"
  [ -z "$(xdotool search --onlyvisible --name 'Select Color' 2>/dev/null)" ] ||
    { fail "wrong kinds: the picker opened from a variant"; xdotool key Escape; }
  menu_forward_copies wrong-kinds "${BLACK_TEXTS[1]}"
  stop_program wrong-kinds
fi

# Cut short: the file the program writes, cut inside the UTF-8 bytes of ShortKey1's "⌘"; the keys
# after the cut are missing.
rm -f "$SETTINGS_FILE"
full=$(printf '%s\n' "[General]" "ColorVal=33023" "Login=0" "MenuIcon=4" "Mode=Swift" "OutFormat=3" \
  "ShortKey=⌃⌥⌘P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "TitleOn=1")
cut_at=$(($(printf '%s' "${full%%ShortKey1=*}" | wc -c) + $(printf 'ShortKey1=⌃⌥' | wc -c) + 1))
printf '%s' "$full" | head -c "$cut_at" >"$SETTINGS_FILE"
if start_and_expect_running truncated; then
  pass "cut short after $cut_at bytes: the program runs"
  tray_shows_title && fail "truncated: the tray shows a title, but TitleOn was cut off"
  xdotool key "$PICKER_KEY"
  if [ -n "$(wait_for_named_window "Select Color" 5)" ]; then
    pass "truncated: ShortKey, before the cut, works"
    xdotool key Escape
    wait_for_window_gone "Select Color" 5 || fail "truncated: the colour dialog stayed"
  else
    fail "truncated: the picker hot key before the cut did not open the dialog"
  fi
  hotkey_does_nothing truncated "$BACK_KEY"
  menu_forward_copies truncated "${BLACK_TEXTS[4]}"
  wait_for_setting OutFormat 4 || fail "truncated: OutFormat is '$(setting OutFormat)' after the cycle"
  [ "$(setting ShortKey)" = "⌃⌥⌘P" ] && [ "$(setting ColorVal)" = 33023 ] ||
    fail "truncated: the keys before the cut were not kept: $(tr '\n' ' ' <"$SETTINGS_FILE")"
  stop_program truncated
fi

# 10 MB: the real keys first, then 10 MB of other keys.
rm -f "$SETTINGS_FILE"
{
  printf '%s\n' "[General]" "${STORED_HOTKEYS[@]}" "Mode=Swift" "OutFormat=3" "TitleOn=1"
  LC_ALL=C awk 'BEGIN { pad = sprintf("%80s", ""); gsub(/ /, "x", pad);
    for (i = 0; i < 110000; i++) printf "Filler%06d=%s\n", i, pad }'
} >"$SETTINGS_FILE"
huge_size=$(stat -c %s "$SETTINGS_FILE")
if start_and_expect_running huge "" 60; then
  pass "$huge_size-byte file: the program runs, tray item after $START_MS ms"
  tray_shows_title || fail "huge: no title in the tray, but TitleOn=1 is in the file"
  mark_clipboard "marker-huge"
  focus_other_application
  cycle_started=$(now_ms)
  xdotool key "$FORWARD_KEY"
  text=$(wait_for_clipboard_change "marker-huge" 30)
  [ "$text" = "${BLACK_TEXTS[4]}" ] && pass "huge: the forward hot key copied Objective-C" ||
    fail "huge: the forward hot key copied '$text'"
  if wait_for_setting OutFormat 4 60; then
    pass "huge: the 10 MB file was rewritten with OutFormat 4 in $(($(now_ms) - cycle_started)) ms"
  else
    fail "huge: OutFormat is '$(setting OutFormat)' a minute after the cycle"
  fi
  [ "$(grep -c '^Filler' "$SETTINGS_FILE")" -eq 110000 ] || fail "huge: the other keys were not kept"
  stop_program huge
fi

# A folder in the file's place: not a first run, nothing to read, nothing can be written there.
rm -f "$SETTINGS_FILE"
mkdir -p "$SETTINGS_FILE"
if start_and_expect_running folder; then
  pass "a folder in the file's place: the program runs"
  tray_shows_title && fail "folder: the tray shows a title"
  menu_forward_copies folder "${BLACK_TEXTS[1]}"
  # The format lives on in memory.
  menu_forward_copies folder-again "${BLACK_TEXTS[2]}"
  [ -d "$SETTINGS_FILE" ] || fail "folder: the folder was replaced"
  [ -z "$(ls -A "$SETTINGS_FILE")" ] || fail "folder: something was written into the folder"
  [ -z "$(stray_settings_files "$SETTINGS_FILE")" ] || fail "folder: temporary files were left"
  stop_program folder
fi
rmdir "$SETTINGS_FILE"

# ---------------------------------------------------------------------------------------------
# A file the program may not read, and a configuration folder it may not write: as a user whom
# file permissions bind.
if ! unprivileged_setup; then
  echo "note: skipping the unreadable file and the read-only folder: $UNPRIVILEGED_PROBLEM"
else
  # Unreadable (mode 000): like a missing file's keys; the file itself stays as it was.
  printf '%s\n' "[General]" "${STORED_HOTKEYS[@]}" "Mode=Swift" "OutFormat=3" "TitleOn=1" \
    >"$UNPRIVILEGED_SETTINGS"
  give_to_unprivileged "$UNPRIVILEGED_SETTINGS"
  chmod 000 "$UNPRIVILEGED_SETTINGS"
  as_unprivileged cat "$UNPRIVILEGED_SETTINGS" >/dev/null 2>&1 &&
    fail "unreadable: user $UNPRIVILEGED_UID can read the file"
  before=$(md5sum <"$UNPRIVILEGED_SETTINGS")
  if start_and_expect_running unreadable unprivileged; then
    pass "unreadable file (mode 000, user $UNPRIVILEGED_UID): the program runs"
    tray_shows_title && fail "unreadable: the tray shows a title"
    hotkey_does_nothing unreadable "$FORWARD_KEY"
    menu_forward_copies unreadable "${BLACK_TEXTS[1]}"
    menu_forward_copies unreadable-again "${BLACK_TEXTS[2]}"
    [ "$(md5sum <"$UNPRIVILEGED_SETTINGS")" = "$before" ] &&
      [ "$(stat -c %a "$UNPRIVILEGED_SETTINGS")" = 0 ] &&
      pass "unreadable: the file stays as it was (mode 000, same bytes)" ||
      echo "note: unreadable: the file was replaced: mode $(stat -c %a "$UNPRIVILEGED_SETTINGS"): $(tr '\n' ' ' <"$UNPRIVILEGED_SETTINGS")"
    [ -z "$(stray_settings_files "$UNPRIVILEGED_SETTINGS")" ] || fail "unreadable: temporary files were left"
    stop_program unreadable
  fi
  rm -f "$UNPRIVILEGED_SETTINGS"

  # 3. A read-only configuration folder holding a good file: the hot keys work, every cycle acts
  # on the format in memory, nothing reaches the folder.
  printf '%s\n' "[General]" "${STORED_HOTKEYS[@]}" "Mode=RGB Hex" "OutFormat=2" "TitleOn=1" \
    "Login=0" "MenuIcon=4" "ColorVal=0" >"$UNPRIVILEGED_SETTINGS"
  give_to_unprivileged "$UNPRIVILEGED_CONFIG"
  chmod 555 "$UNPRIVILEGED_CONFIG"
  before=$(md5sum <"$UNPRIVILEGED_SETTINGS")
  if start_and_expect_running read-only unprivileged; then
    pass "read-only configuration folder: the program runs"
    n=0 wrong=0
    for step in "$FORWARD_KEY 3" "$FORWARD_KEY 4" "$BACK_KEY 3" "$BACK_KEY 2" "$BACK_KEY 1"; do
      read -r keys index <<<"$step"
      n=$((n + 1))
      set_clipboard "marker-read-only-$n"
      xdotool key "$keys"
      if ! wait_for_clipboard "${BLACK_TEXTS[$index]}" 5; then
        fail "read-only folder: step $n ($keys) copied '$(clipboard_text)', expected format $index"
        wrong=$((wrong + 1))
      fi
    done
    [ "$wrong" -eq 0 ] &&
      pass "read-only folder: five cycles by hot key copied the formats 3, 4, 3, 2, 1 in turn"
    [ "$(md5sum <"$UNPRIVILEGED_SETTINGS")" = "$before" ] ||
      fail "read-only folder: the settings file changed"
    [ "$(ls -A "$UNPRIVILEGED_CONFIG")" = "$APP_ID.conf" ] ||
      fail "read-only folder: it now holds $(ls -A "$UNPRIVILEGED_CONFIG" | tr '\n' ' ')"
    is_running "$PIGMORA_PID" || fail "read-only folder: the program ended"
    stop_program read-only
  fi
  chmod 755 "$UNPRIVILEGED_CONFIG"
  rm -f "$UNPRIVILEGED_SETTINGS"

  # The same folder, empty: a first run whose writes all fail runs on the first-run values
  # (format "RGB Hex", its name as the title).
  chmod 555 "$UNPRIVILEGED_CONFIG"
  if start_and_expect_running read-only-first-run unprivileged; then
    pass "first run in a read-only folder: the program runs"
    tray_shows_title || fail "first run in a read-only folder: no title in the tray"
    menu_forward_copies read-only-first-run "${BLACK_TEXTS[3]}"
    [ -z "$(ls -A "$UNPRIVILEGED_CONFIG")" ] ||
      fail "first run in a read-only folder: it now holds $(ls -A "$UNPRIVILEGED_CONFIG" | tr '\n' ' ')"
    stop_program read-only-first-run
  fi
  chmod 755 "$UNPRIVILEGED_CONFIG"
fi

echo "time: $(($(now_ms) - test_start)) ms"
finish

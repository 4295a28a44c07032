#!/bin/bash
# Measures Pigmora beside the colour pickers a Linux user would otherwise install, on a throw-away
# X11 desktop (Xvfb, openbox, trayer), and prints one Markdown table of medians:
#
#   idle processor time and context switches, start time, memory as system monitors count it
#   (private memory, PSS, private dirty, anonymous, and the resident set beside them), hot key to
#   colour dialog, cycle key to clipboard, and FormatColor texts per second.
#
# Every program is measured in the same run, each run in turn, so that the ratios hold on a busy
# machine; memory is measured with each program alone in a desktop of its own, since what it
# shares with other programs changes its PSS. Not part of the test suite: it takes about 40
# minutes (the 1,000 rounds of the peers take most of it), or five with
#
#   IDLE_SECONDS=10 IDLE_RUNS=1 RUNS=3 LONG_ROUNDS=100 bench/run_benchmarks.sh
#
# Settings (environment):
#   RUNS          runs of the start, memory and latency measurements (5)
#   IDLE_SECONDS  length of one idle window (60); IDLE_RUNS windows are measured (3)
#   OPENS         hot-key opens of the colour dialog per run, the first one included (10)
#   CYCLES        cycle-key presses per run (20)
#   LONG_ROUNDS   pick/cycle rounds after which memory is measured the last time (1000)
#   PEERS         the peers to compare with ("gpick kcolorchooser gcolor3"); empty: Pigmora alone
#   BUILD_DIR     the optimised build (<repo>/build-bench; configured and built when needed)
#   RESULTS_DIR   where the raw figures and the table are kept (<BUILD_DIR>/bench-results)
#
# Run as root, it installs what it needs with apt-get: the project's build and desktop packages
# (tools/deps.sh), the XTest headers for its timer, and the peers that are missing.
#
# "bench/run_benchmarks.sh --table <raw.txt>" prints the table of an earlier run again.
set -u

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
export RUNS="${RUNS:-5}" IDLE_SECONDS="${IDLE_SECONDS:-60}" IDLE_RUNS="${IDLE_RUNS:-3}"
export OPENS="${OPENS:-10}" CYCLES="${CYCLES:-20}" THROUGHPUT_RUNS="${THROUGHPUT_RUNS:-3}"
export LONG_ROUNDS="${LONG_ROUNDS:-1000}"
export PEERS="${PEERS-gpick kcolorchooser gcolor3}"
export BUILD_DIR="${BUILD_DIR:-$repo/build-bench}"
export RESULTS_DIR="${RESULTS_DIR:-$BUILD_DIR/bench-results}"
ROUNDS=10

note() { echo "bench: $*" >&2; }

# ----------------------------------------------------------------------------------------------
# Outside the desktop: packages, the build and the timer; then the same script inside a session.
if [ "${1:-}" != "--inside-session" ] && [ "${1:-}" != "--memory-session" ] &&
  [ "${1:-}" != "--table" ]; then
  if [ "$(id -u)" = 0 ]; then
    bash "$repo/tools/deps.sh" >&2 || exit 2
    missing=()
    for package in g++ libx11-dev libxtst-dev libxfixes-dev gir1.2-gtk-3.0 $PEERS; do
      dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
    done
    if ((${#missing[@]})); then
      note "installing ${missing[*]}"
      export DEBIAN_FRONTEND=noninteractive
      { apt-get update && apt-get install -y --no-install-recommends "${missing[@]}"; } >&2 ||
        exit 2
    fi
  fi
  for peer in $PEERS; do
    command -v "$peer" >/dev/null || { note "$peer is not installed (run as root to install it)"; exit 2; }
  done

  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$repo" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release >&2 || exit 2
  fi
  cmake --build "$BUILD_DIR" -j2 --target pigmora format_color_throughput >&2 || exit 2
  export PIGMORA_BIN="$BUILD_DIR/bin/pigmora"
  export THROUGHPUT_BIN="$BUILD_DIR/bench/format_color_throughput"
  TIMER_BIN=$(bash "$here/build_x_event_timer.sh" "$BUILD_DIR/bench") || exit 2
  export TIMER_BIN

  stamp=$(date +%Y%m%d-%H%M%S)
  export RUN_DIR="$RESULTS_DIR/$stamp"
  mkdir -p "$RUN_DIR"
  # Long enough for the slowest run; the session ends everything it started however it ends.
  PIGMORA_SESSION_TIMEOUT=$((600 + RUNS * 150 + IDLE_RUNS * (IDLE_SECONDS + 10))) \
    bash "$repo/tests/gui/desktop_session.sh" --tray -- bash "$0" --inside-session
  status=$?
  # Memory: each program alone in a fresh desktop, so that its PSS counts the pages it shares
  # only with the desktop itself, as on a user's machine where it is the only one of its kind.
  for program in pigmora $PEERS; do
    PIGMORA_SESSION_TIMEOUT=$((300 + LONG_ROUNDS * 2)) \
      bash "$repo/tests/gui/desktop_session.sh" --tray -- bash "$0" --memory-session "$program" ||
      status=1
  done
  bash "$0" --table "$RUN_DIR/raw.txt" >"$RUN_DIR/table.md"
  [ -s "$RUN_DIR/table.md" ] && cat "$RUN_DIR/table.md"
  note "raw figures and logs: $RUN_DIR"
  exit $status
fi

# ----------------------------------------------------------------------------------------------
# Inside the desktop session (desktop_session.sh exported DISPLAY, HOME, XDG_* and the folder).
T="${TIMER_BIN:-}"
RAW="${RUN_DIR:-.}/raw.txt"
SETTINGS_FILE="${XDG_CONFIG_HOME:-}/org.pigmora.Pigmora.conf"
PICKER="ctrl+alt+super+p"
FORWARD="ctrl+alt+super+bracketright"
BACK="shift+super+F5"

# One figure: "<program> <measure> <value>".
record() { echo "$1 $2 $3" >>"$RAW"; }

remember_pid() { echo "$1" >>"$PIGMORA_SESSION_DIR/pids"; }

alive() {
  local state
  state=$(sed -n 's/^[0-9]* (.*) \([A-Za-z]\) .*/\1/p' "/proc/$1/stat" 2>/dev/null)
  [ -n "$state" ] && [ "$state" != "Z" ] && [ "$state" != "X" ]
}

# Ends a program the timer started (not our child, so it is polled rather than waited for).
stop() {
  local pid="$1"
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 1 100); do alive "$pid" || return 0; sleep 0.1; done
  note "process $pid did not end on SIGTERM; killing it"
  kill -KILL "$pid" 2>/dev/null
  for _ in $(seq 1 50); do alive "$pid" || return 0; sleep 0.1; done
}

# Memory as system monitors count it, from /proc/<pid>/smaps_rollup, recorded as
# "<program> <stage>_<measure>_kib <value>":
#   uss            private memory: Private_Clean + Private_Dirty, the pages no other process maps;
#                  what ending the program gives back (KDE's System Monitor's "Memory" column)
#   private_dirty  the part of it the program wrote: heap, stacks, written library pages; only
#                  swap could take it
#   pss            every page, each shared one divided by the number of processes mapping it
#   anonymous      heap, stacks and copied library pages (Anonymous)
#   rss            the resident set, every page mapped, shared or not, counted whole
record_memory() {
  local program="$1" stage="$2" pid="$3"
  awk -v program="$program" -v stage="$stage" '
    /^Rss:/ { rss = $2 } /^Pss:/ { pss = $2 } /^Private_Clean:/ { clean = $2 }
    /^Private_Dirty:/ { dirty = $2 } /^Anonymous:/ { anonymous = $2 }
    END {
      printf "%s %s_uss_kib %d\n", program, stage, clean + dirty
      printf "%s %s_private_dirty_kib %d\n", program, stage, dirty
      printf "%s %s_pss_kib %d\n", program, stage, pss
      printf "%s %s_anonymous_kib %d\n", program, stage, anonymous
      printf "%s %s_rss_kib %d\n", program, stage, rss
    }' "/proc/$pid/smaps_rollup" >>"$RAW"
}

# Starts a program through the timer; prints its pid and records the start time.
launch() {
  local name="$1" how="$2" tag="$3"
  shift 3
  local out pid ms
  # $how is "--window" or "--tray <class>": two words on purpose.
  # shellcheck disable=SC2086
  if ! out=$("$T" launch $how --log "$RUN_DIR/$name-$tag.log" -- "$@"); then
    note "$name did not come up ($tag)"
    return 1
  fi
  pid=$(sed -n 's/.*pid=\([0-9]*\).*/\1/p' <<<"$out")
  remember_pid "$pid"
  ms=$(sed -n 's/.*server_ms=\([0-9]*\).*/\1/p' <<<"$out")
  echo "$pid $ms"
}

write_settings() {
  mkdir -p "$XDG_CONFIG_HOME"
  printf '%s\n' "[General]" "ShortKey=⌃⌥⌘P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=RGB Hex" \
    "OutFormat=2" "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0" >"$SETTINGS_FILE"
}

# --- The peers' own pick-and-copy round, through their keyboard commands. Each round picks a
# colour at the $1-th of ten screen points (gcolor3, which has no keyboard pick, is given a
# colour in its entry) and copies its text with Ctrl+C; the copy is timed to the new clipboard
# owner and recorded as "copy".
point() { echo "$((200 + 80 * $1)) $((150 + 45 * $1))"; }

window_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null | tail -1; }

peer_setup() {
  # shellcheck disable=SC2034 # getwindowgeometry sets all five
  local peer="$1" pid="$2" window X Y WIDTH HEIGHT SCREEN
  window=$(window_of "$pid")
  [ -n "$window" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$window")"
  case "$peer" in
    # The swatch takes the keyboard: Space picks under the pointer, Ctrl+C copies.
    gpick) xdotool mousemove $((X + 75)) $((Y + 150)) click 1 ;;
    # The colour-name entry.
    gcolor3) xdotool mousemove $((X + 380)) $((Y + 258)) click 1 ;;
  esac
  sleep 0.3
}

peer_round() {
  local peer="$1" i="$2" x y
  read -r x y <<<"$(point "$i")"
  case "$peer" in
    gpick)
      xdotool mousemove "$x" "$y"
      sleep 0.05
      xdotool key space
      ;;
    kcolorchooser)
      # "Pick Screen Color", the pointer to the point, Return takes its colour; Alt+H goes to the
      # HTML field (it selects the text only when the focus moves there, hence Ctrl+A).
      xdotool key alt+p
      sleep 0.2
      xdotool mousemove "$x" "$y"
      sleep 0.1
      xdotool key Return
      sleep 0.1
      xdotool key alt+h ctrl+a
      ;;
    gcolor3)
      xdotool key ctrl+a
      xdotool type --delay 5 "$(printf '#%02x%02x%02x' $((i * 25)) $((255 - i * 20)) $((i * 7)))"
      xdotool key Return ctrl+a
      ;;
  esac
  sleep 0.1
  "$T" cycle --keys ctrl+c --count 1 --pause 0
}

# --- One run of Pigmora: start, memory, the hot-key opens, the cycles, ten pick/cycle rounds.
pigmora_run() {
  local run="$1" started pid ms
  write_settings
  started=$(launch pigmora "--tray pigmora" "$run" "$PIGMORA_BIN") || return
  read -r pid ms <<<"$started"
  record pigmora start_ms "$ms"
  sleep 1
  # The figures of the presses that worked count even when a later one failed.
  "$T" open --keys "$PICKER" --name "Select Color" --count "$OPENS" >"$RUN_DIR/open-$run.txt" ||
    note "pigmora: a hot-key open failed in run $run"
  while read -r _ index server client; do
    local which=later
    [ "$index" = 1 ] && which=first
    record pigmora "open_${which}_ms" "${server#server_ms=}"
    record pigmora "open_${which}_client_us" "${client#client_us=}"
  done <"$RUN_DIR/open-$run.txt"
  "$T" cycle --keys "$FORWARD" --keys "$BACK" --count "$CYCLES" >"$RUN_DIR/cycle-$run.txt" ||
    note "pigmora: a cycle failed in run $run"
  while read -r _ _ server client; do
    record pigmora cycle_ms "${server#server_ms=}"
    record pigmora cycle_client_us "${client#client_us=}"
  done <"$RUN_DIR/cycle-$run.txt"
  stop "$pid"
}

peer_run() {
  local peer="$1" run="$2" started pid ms i line server client rounds=0
  started=$(launch "$peer" --window "$run" "$peer") || return
  read -r pid ms <<<"$started"
  record "$peer" start_ms "$ms"
  sleep 1
  if peer_setup "$peer" "$pid"; then
    for i in $(seq 0 $((ROUNDS - 1))); do
      if line=$(peer_round "$peer" "$i"); then
        rounds=$((rounds + 1))
        read -r _ _ server client <<<"$line"
        record "$peer" copy_ms "${server#server_ms=}"
        record "$peer" copy_client_us "${client#client_us=}"
      fi
    done
  fi
  [ "$rounds" -eq "$ROUNDS" ] || note "$peer: only $rounds of $ROUNDS rounds copied in run $run"
  stop "$pid"
}

# --- Memory, with the program alone in this desktop: after start, after ten pick/cycle rounds and
# after LONG_ROUNDS. A Pigmora round is the picker hot key, Return in the colour dialog (the pick
# copies the text) and the forward hot key; a peer's is its own pick and Ctrl+C.

# Rounds $3 up to (not including) $4 of program $1 (process $2); false when one failed.
memory_rounds() {
  local program="$1" pid="$2" i
  if [ "$program" = pigmora ]; then
    "$T" pick --keys "$PICKER" --cycle-keys "$FORWARD" --name "Select Color" \
      --count $(($4 - $3)) >/dev/null
    return
  fi
  for i in $(seq "$3" $(($4 - 1))); do peer_round "$program" $((i % 10)) >/dev/null || return 1; done
}

memory_session() {
  local program="$1" started pid ms
  # On a user's X11 desktop, GTK 3 programs (the panel, applets, the settings daemon) have run
  # long before this one. The first GTK 3 client on an X server opens OpenGL (Mesa's driver and
  # LLVM, about 50 MiB) to choose its visuals and leaves its choice in the root window's
  # GDK_VISUALS, which every later one reads instead; a bare Xvfb would charge that to whichever
  # peer started first.
  /usr/bin/python3 -c 'import gi; gi.require_version("Gdk", "3.0"); from gi.repository import Gdk
Gdk.Display.get_default()' || note "no GTK 3 client could open the display"
  xprop -root GDK_VISUALS | grep -q = || note "GDK_VISUALS is not set: GTK 3 peers pay for OpenGL"
  # Started once unmeasured, as every program is in the main desktop: its configuration is
  # written in this fresh HOME, as on a machine where it has run before.
  write_settings
  if [ "$program" = pigmora ]; then
    started=$(launch pigmora "--tray pigmora" memory-warm-up "$PIGMORA_BIN") || return 1
  else
    started=$(launch "$program" --window memory-warm-up "$program") || return 1
  fi
  read -r pid ms <<<"$started"
  sleep 2
  stop "$pid"
  if [ "$program" = pigmora ]; then
    started=$(launch pigmora "--tray pigmora" memory "$PIGMORA_BIN") || return 1
  else
    started=$(launch "$program" --window memory "$program") || return 1
  fi
  read -r pid ms <<<"$started"
  # What a monitor shows once start-up has settled.
  sleep 4
  record_memory "$program" start "$pid"
  [ "$program" = pigmora ] || peer_setup "$program" "$pid" || note "$program: no window to pick in"
  # A round that fails (a key press lost on a busy machine) is taken again once.
  if memory_rounds "$program" "$pid" 0 "$ROUNDS" ||
    { note "$program: the first $ROUNDS rounds failed; once more" &&
      memory_rounds "$program" "$pid" 0 "$ROUNDS"; }; then
    sleep 0.5
    record_memory "$program" rounds "$pid"
  else
    note "$program: the first $ROUNDS rounds failed"
  fi
  note "$program: $LONG_ROUNDS rounds"
  if memory_rounds "$program" "$pid" "$ROUNDS" "$LONG_ROUNDS"; then
    sleep 0.5
    record_memory "$program" long_rounds "$pid"
  else
    note "$program: the $LONG_ROUNDS rounds failed"
  fi
  stop "$pid"
}

# --- Idle: processor time (the scheduler's nanoseconds) and context switches of every thread.
# One line per thread: "<tid> <ns> <clock ticks> <switches>".
counters() {
  local task value ticks switches
  for task in /proc/"$1"/task/*; do
    read -r value _ <"$task/schedstat" 2>/dev/null || continue
    ticks=$(sed 's/.*) //' "$task/stat" 2>/dev/null | awk '{ print $12 + $13 }')
    switches=$(awk '/^(non)?voluntary_ctxt_switches:/ { n += $2 } END { print n + 0 }' \
      "$task/status" 2>/dev/null)
    echo "${task##*/} $value ${ticks:-0} ${switches:-0}"
  done
}

# What the threads did between two snapshots: "<µs> <ticks> <switches> <threads> <ended>".
# A thread born in between counts whole; one that ended in between is counted as "ended" only,
# since what it did after the first snapshot is no longer readable.
counter_delta() {
  awk 'FNR == NR { ns[$1] = $2; ticks[$1] = $3; sw[$1] = $4; next }
       { n += $2 - ns[$1]; t += $3 - ticks[$1]; s += $4 - sw[$1]; threads++; seen[$1] = 1 }
       END { for (tid in ns) if (!(tid in seen)) ended++
             printf "%d %d %d %d %d\n", n / 1000, t, s, threads, ended }' "$1" "$2"
}

idle_phase() {
  local -A pids
  local name started pid ms window cpu ticks switches threads ended
  write_settings
  started=$(launch pigmora "--tray pigmora" idle "$PIGMORA_BIN") || return
  read -r pid ms <<<"$started"
  pids[pigmora]=$pid
  # A pick and a cycle first: the figure is the program at rest after use.
  "$T" pick --keys "$PICKER" --cycle-keys "$FORWARD" --name "Select Color" --count 1 >/dev/null ||
    note "pigmora: the round before the idle windows failed"
  for name in $PEERS; do
    started=$(launch "$name" --window idle "$name") || continue
    read -r pid ms <<<"$started"
    pids[$name]=$pid
    sleep 1
    { peer_setup "$name" "$pid" && peer_round "$name" 0 >/dev/null; } ||
      note "$name: the round before the idle windows failed"
  done
  xdotool mousemove 1270 790
  sleep 5
  for window in $(seq 1 "$IDLE_RUNS"); do
    note "idle window $window of $IDLE_RUNS ($IDLE_SECONDS s)"
    for name in "${!pids[@]}"; do counters "${pids[$name]}" >"$RUN_DIR/idle-$name-$window.0"; done
    sleep "$IDLE_SECONDS"
    for name in "${!pids[@]}"; do
      counters "${pids[$name]}" >"$RUN_DIR/idle-$name-$window.1"
      read -r cpu ticks switches threads ended <<<"$(counter_delta "$RUN_DIR/idle-$name-$window.0" \
        "$RUN_DIR/idle-$name-$window.1")"
      record "$name" idle_cpu_us "$cpu"
      record "$name" idle_ticks "$ticks"
      record "$name" idle_switches "$switches"
      record "$name" threads "$threads"
      record "$name" threads_ended "$ended"
    done
  done
  for name in "${!pids[@]}"; do stop "${pids[$name]}"; done
}

throughput_phase() {
  local run line
  for run in $(seq 1 "$THROUGHPUT_RUNS"); do
    line=$("$THROUGHPUT_BIN") || continue
    echo "$line" >>"$RUN_DIR/throughput.txt"
    record pigmora texts_per_s_cpu "$(sed -n 's/.*processor time, \([0-9.]*\) million.*/\1/p' <<<"$line")"
    record pigmora texts_per_s_wall "$(sed -n 's/.*wall, \([0-9.]*\) million.*/\1/p' <<<"$line")"
  done
}

# --- The table.
median() {
  awk -v program="$1" -v measure="$2" '$1 == program && $2 == measure { print $3 }' "$RAW" |
    sort -g | awk '{ v[NR] = $1 } END {
      if (NR == 0) exit
      if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

maximum() {
  awk -v p="$1" -v m="$2" '$1 == p && $2 == m { if (n++ == 0 || $3 > v) v = $3 } END { if (n) print v }' "$RAW"
}

# The smaller of two numbers, either of which may be empty.
smaller() {
  if [ -z "$1" ]; then echo "$2"; elif [ -z "$2" ]; then echo "$1"; else
    awk -v a="$1" -v b="$2" 'BEGIN { print (a < b ? a : b) }'
  fi
}

with_worst() {
  local text
  text=$(fmt "$1" "$3" "$4")
  [ -n "$2" ] && [ "$2" != "$1" ] && text+=" (worst $(fmt "$2" "$3" "$4"))"
  echo "$text"
}

samples() { awk -v p="$1" -v m="$2" '$1 == p && $2 == m' "$RAW" | wc -l; }

fmt() {
  # $1 value, $2 divisor, $3 decimals; "n/a" when there is no value.
  [ -n "$1" ] && awk -v v="$1" -v d="$2" -v n="$3" 'BEGIN { printf "%.*f", n, v / d }' || echo "n/a"
}

verdict() { awk "BEGIN { exit !($1) }" && echo "met" || echo "**missed**"; }

make_table() {
  local programs name idle_seconds MEASURE
  # The run's own settings, so that an old raw.txt prints as it was measured.
  idle_seconds=$(median meta idle_seconds)
  idle_seconds=${idle_seconds:-$IDLE_SECONDS}
  local long_rounds
  long_rounds=$(median meta long_rounds)
  long_rounds=${long_rounds:-$LONG_ROUNDS}
  PEERS=$(awk '$2 == "start_ms" && $1 != "pigmora" && !seen[$1]++ { printf "%s ", $1 }' "$RAW")
  programs="pigmora $PEERS"
  local header="| Measure (median) | Target |" rule="|---|---|"
  for name in $programs; do
    [ "$name" = pigmora ] && header+=" Pigmora |" || header+=" $name |"
    rule+="---|"
  done
  header+=" Verdict |"
  rule+="---|"

  line() { # measure-label target column-command verdict
    local label="$1" target="$2" producer="$3" result="$4" cells=""
    for name in $programs; do cells+=" $($producer "$name") |"; done
    echo "| $label | $target |$cells $result |"
  }
  # The median window, and the worst one when it differs: the target holds for every window.
  cpu_cell() { with_worst "$(median "$1" idle_cpu_us)" "$(maximum "$1" idle_cpu_us)" 1000 2; }
  sw_cell() { with_worst "$(median "$1" idle_switches)" "$(maximum "$1" idle_switches)" 1 0; }
  threads_cell() {
    local ended
    ended=$(awk -v p="$1" '$1 == p && $2 == "threads_ended" { n += $3 } END { print n + 0 }' "$RAW")
    echo "$(fmt "$(median "$1" threads)" 1 0)$([ "$ended" -gt 0 ] && echo ", $ended ended while idle")"
  }
  start_cell() { fmt "$(median "$1" start_ms)" 1 0; }
  # One memory measure after start / after the rounds / after the long rounds.
  memory_cell() {
    local stage cells=()
    for stage in start rounds long_rounds; do cells+=("$(fmt "$(median "$1" "${stage}_${MEASURE}_kib")" 1024 1)"); done
    echo "${cells[0]} / ${cells[1]} / ${cells[2]}"
  }
  uss_cell() { MEASURE=uss memory_cell "$1"; }
  private_dirty_cell() { MEASURE=private_dirty memory_cell "$1"; }
  pss_cell() { MEASURE=pss memory_cell "$1"; }
  anonymous_cell() { MEASURE=anonymous memory_cell "$1"; }
  rss_cell() { MEASURE=rss memory_cell "$1"; }
  first_cell() {
    [ "$1" = pigmora ] || { echo "no hot key"; return; }
    echo "$(fmt "$(median pigmora open_first_ms)" 1 0) ($(fmt "$(median pigmora open_first_client_us)" 1000 1))"
  }
  later_cell() {
    [ "$1" = pigmora ] || { echo "no hot key"; return; }
    echo "$(fmt "$(median pigmora open_later_ms)" 1 0) ($(fmt "$(median pigmora open_later_client_us)" 1000 1))"
  }
  clip_cell() {
    if [ "$1" = pigmora ]; then
      echo "$(fmt "$(median pigmora cycle_ms)" 1 0) ($(fmt "$(median pigmora cycle_client_us)" 1000 2))"
    else
      echo "$(fmt "$(median "$1" copy_ms)" 1 0) ($(fmt "$(median "$1" copy_client_us)" 1000 2)) Ctrl+C"
    fi
  }
  rate_cell() {
    [ "$1" = pigmora ] || { echo "–"; return; }
    echo "$(fmt "$(median pigmora texts_per_s_cpu)" 1 1) M by CPU, $(fmt "$(median pigmora texts_per_s_wall)" 1 1) M by wall clock"
  }

  local p_cpu p_sw p_start p_dirty p_first p_later p_cycle fastest="" stage lowest
  p_cpu=$(maximum pigmora idle_cpu_us)
  p_sw=$(maximum pigmora idle_switches)
  p_start=$(median pigmora start_ms)
  p_dirty=$(median pigmora long_rounds_private_dirty_kib)
  p_first=$(median pigmora open_first_ms)
  p_later=$(median pigmora open_later_ms)
  p_cycle=$(median pigmora cycle_ms)
  for name in $PEERS; do fastest=$(smaller "$fastest" "$(median "$name" start_ms)"); done
  local start_rule="${p_start:-1e9} <= 120" dirty_rule="${p_dirty:-1e9} <= 4096" pss_rule="1"
  [ -n "$fastest" ] && start_rule+=" && ${p_start:-1e9} <= $fastest / 2"
  # Below every peer: private dirty after the long rounds; PSS at every stage.
  lowest=""
  for name in $PEERS; do lowest=$(smaller "$lowest" "$(median "$name" long_rounds_private_dirty_kib)"); done
  [ -n "$lowest" ] && dirty_rule+=" && ${p_dirty:-1e9} < $lowest"
  for stage in start rounds long_rounds; do
    lowest=""
    for name in $PEERS; do lowest=$(smaller "$lowest" "$(median "$name" "${stage}_pss_kib")"); done
    pss_rule+=" && $(median pigmora "${stage}_pss_kib" | grep . || echo 1e9) < ${lowest:-1e9}"
  done

  echo "$header"
  echo "$rule"
  line "Idle: processor time over ${idle_seconds} s, all threads (ms)" "0" cpu_cell \
    "$(verdict "${p_cpu:-1} == 0")"
  line "Idle: voluntary + involuntary context switches over ${idle_seconds} s, all threads" "0" \
    sw_cell "$(verdict "${p_sw:-1} == 0")"
  line "Threads at the end of an idle window" "–" threads_cell "–"
  line "Start: launch to tray item embedded (Pigmora) / first window mapped (ms)" \
    "≤ 120, ≤ ½ fastest peer" start_cell "$(verdict "$start_rule")"
  local after="after start / $ROUNDS rounds / $long_rounds rounds, alone (MiB)"
  line "Private memory (USS: Private_Clean + Private_Dirty), $after" "–" uss_cell "–"
  line "Of that, written (Private_Dirty), $after" "≤ 4 after $long_rounds rounds, below every peer" \
    private_dirty_cell "$(verdict "$dirty_rule")"
  line "Proportional set size (PSS), $after" "below every peer" pss_cell "$(verdict "$pss_rule")"
  line "Anonymous memory: heap, stacks, copied library pages, $after" "–" anonymous_cell "–"
  line "Resident set (RSS), shared pages counted whole, $after" "–" rss_cell "–"
  line "Hot key to colour dialog mapped, first open (ms)" "≤ 60" first_cell \
    "$(verdict "${p_first:-1e9} <= 60")"
  line "Hot key to colour dialog mapped, later opens (ms)" "≤ 13" later_cell \
    "$(verdict "${p_later:-1e9} <= 13")"
  line "Cycle key (peers: their copy key) to the new text owned on the clipboard (ms)" "≤ 5" \
    clip_cell "$(verdict "${p_cycle:-1e9} <= 5")"
  line "FormatColor texts per second, one core" "–" rate_cell "–"
  echo
  echo "Latencies in the X server's milliseconds; in brackets the same interval by the timer's own"
  echo "clock (ms). Idle: the median window, and the worst one where it differs. MiB = 1,048,576 bytes."
  echo "Samples: $(samples pigmora start_ms) runs; $(samples pigmora open_first_ms) first opens," \
    "$(samples pigmora open_later_ms) later opens, $(samples pigmora cycle_ms) cycles;" \
    "$(samples pigmora idle_cpu_us) idle window(s) of $idle_seconds s;" \
    "$(samples pigmora texts_per_s_cpu) throughput run(s)."
}

# One start of every program (and one colour dialog of Pigmora's), not measured: the runs then
# all find the files in the page cache and each program's configuration written, as a program
# started every day does, instead of the first one paying for a cold disk and a first run.
warm_up() {
  local started pid ms name
  write_settings
  if started=$(launch pigmora "--tray pigmora" warm-up "$PIGMORA_BIN"); then
    read -r pid ms <<<"$started"
    "$T" open --keys "$PICKER" --name "Select Color" --count 1 >/dev/null
    stop "$pid"
  fi
  for name in $PEERS; do
    started=$(launch "$name" --window warm-up "$name") || continue
    read -r pid ms <<<"$started"
    sleep 2
    stop "$pid"
  done
}

# "--table RAW" prints the table of an earlier run's raw.txt again.
if [ "$1" = "--table" ]; then
  RAW="${2:?usage: $0 --table <raw.txt>}"
  make_table
  exit
fi

if [ "$1" = "--memory-session" ]; then
  note "memory of $2, alone"
  memory_session "$2"
  exit
fi

: >"$RAW"
record meta idle_seconds "$IDLE_SECONDS"
record meta long_rounds "$LONG_ROUNDS"
note "results in $RUN_DIR"
note "warm-up"
warm_up
for run in $(seq 1 "$RUNS"); do
  note "run $run of $RUNS"
  pigmora_run "$run"
  for peer in $PEERS; do peer_run "$peer" "$run"; done
done
idle_phase
note "FormatColor throughput"
throughput_phase

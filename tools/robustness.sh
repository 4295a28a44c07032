#!/usr/bin/env bash
# The robustness checks CI runs, each bounded in time:
#   1. every libFuzzer target for a fixed time from its seed corpus (fuzz/run_fuzzers.sh);
#   2. the launch-agent and autostart-entry writers over a corpus of nasty identifiers and paths,
#      read back by xmllint and desktop-file-validate (fuzz/check_writers_corpus.sh);
#   3. the AddressSanitizer + UndefinedBehaviorSanitizer build (PIGMORA_SANITIZE) and its tests.
# All three run even when one fails; the status is 1 when any failed. About 15 minutes from clean
# build directories on two cores, half of it building the sanitizer build with the Qt program.
#   tools/robustness.sh
# Environment:
#   PIGMORA_FUZZ_SECONDS   seconds per fuzz target (default 20)
#   PIGMORA_FUZZ_BUILD     fuzz build directory (default build-fuzz)
#   PIGMORA_ASAN_BUILD     sanitizer build directory (default build-asan)
#   PIGMORA_SANITIZE_GUI   1 (the default) builds the desktop program under the sanitizers too and
#                          runs its platform and GUI tests besides the unit tests; 0 runs only the
#                          unit tests (see step 3)
# Needs: clang libclang-rt-dev libxml2-utils desktop-file-utils, and what the
# ordinary build needs (tools/deps.sh).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
fuzz_seconds="${PIGMORA_FUZZ_SECONDS:-20}"
fuzz_build="${PIGMORA_FUZZ_BUILD:-$root/build-fuzz}"
asan_build="${PIGMORA_ASAN_BUILD:-$root/build-asan}"
sanitize_gui="${PIGMORA_SANITIZE_GUI:-1}"

missing=()
for tool in clang++ xmllint desktop-file-validate cmake ctest; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
  echo "robustness: missing ${missing[*]} (apt-get install clang libclang-rt-dev" \
    "libxml2-utils desktop-file-utils)" >&2
  exit 2
fi

results=()
overall=0
step() {
  local name="$1" started status
  shift
  echo "=== $name"
  started=$SECONDS
  "$@"
  status=$?
  results+=("$(printf '%-28s %-6s %4d s' "$name" "$([[ $status == 0 ]] && echo ok || echo FAILED)" \
    $((SECONDS - started)))")
  ((status == 0)) || overall=1
}

# 3. The sanitizer build. Any report fails the run. AddressSanitizer's and LeakSanitizer's reports
# (leaks are looked for when a process ends) go to a file per process in <build>/sanitizer-reports,
# because many of the processes are the desktop program started by a GUI test, which reads its
# output or throws it away: the run fails when any report was written, even if no test noticed.
# GCC's UndefinedBehaviorSanitizer ignores log_path and writes to the process's stderr; built with
# -fno-sanitize-recover it ends the process there with status 1, which the tests check. Leaks
# inside the system's libraries are suppressed by tools/lsan.supp. For whole call stacks through
# Qt (slower), add fast_unwind_on_malloc=0 to ASAN_OPTIONS below.
sanitizer_tests() {
  local app=OFF targets=(--target pigmora_tests)
  # PIGMORA_SANITIZE_GUI=1: the Qt program, the platform tests and the GUI tests (ctest label
  # "gui", each in its own Xvfb desktop) are built and run here too. The package tests (label
  # "package") are left out: they test the .deb, not the code. So is the matrix of real panels
  # (label "tray_hosts"): it runs the same tray code as the trayer and StatusNotifierItem tests,
  # only against other hosts, and would add a quarter of an hour at the sanitizers' pace.
  if [[ "$sanitize_gui" == 1 ]]; then
    app=ON
    targets=()
  fi
  mkdir -p "$asan_build"
  cmake -S "$root" -B "$asan_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIGMORA_SANITIZE=ON \
    -DPIGMORA_BUILD_APP="$app" -DPIGMORA_BUILD_BENCHMARKS=OFF \
    >"$asan_build/robustness-configure.log" 2>&1 ||
    { cat "$asan_build/robustness-configure.log" >&2; return 1; }
  cmake --build "$asan_build" "${targets[@]}" -j2 >"$asan_build/robustness-build.log" 2>&1 ||
    { tail -40 "$asan_build/robustness-build.log" >&2; return 1; }
  local reports="$asan_build/sanitizer-reports" status=0 report
  rm -rf "$reports"
  mkdir -p "$reports"
  # The sanitized program runs several times slower: its GUI tests get a longer session (the load
  # test takes about 145 s there, against 50 s in the ordinary build).
  ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/asan" \
    LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    PIGMORA_SESSION_TIMEOUT=280 \
    ctest --test-dir "$asan_build" -j2 --timeout 300 -LE 'package|tray_hosts' --output-on-failure || status=1
  for report in "$reports"/*; do
    [[ -e "$report" ]] || continue
    echo "--- sanitizer report $report" >&2
    cat "$report" >&2
    status=1
  done
  return "$status"
}

overall_started=$SECONDS
step "fuzz targets (${fuzz_seconds} s each)" env PIGMORA_FUZZ_BUILD="$fuzz_build" \
  "$root/fuzz/run_fuzzers.sh" "$fuzz_seconds"
step "writers corpus" "$root/fuzz/check_writers_corpus.sh" "$fuzz_build/fuzz/write_entries"
step "sanitizer build and tests" sanitizer_tests

echo "=== summary ($((SECONDS - overall_started)) s)"
printf '%s\n' "${results[@]}"
exit "$overall"

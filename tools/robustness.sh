#!/usr/bin/env bash
# The robustness checks CI runs, each bounded in time:
#   1. every libFuzzer target for a fixed time from its seed corpus (fuzz/run_fuzzers.sh);
#   2. the launch-agent and autostart-entry writers over a corpus of nasty identifiers and paths,
#      read back by xmllint and desktop-file-validate (fuzz/check_writers_corpus.sh);
#   3. the AddressSanitizer + UndefinedBehaviorSanitizer build (PIGMORA_SANITIZE) and its tests.
# All three run even when one fails; the status is 1 when any failed. About 10 minutes from
# clean build directories on two cores, most of it building the sanitizer build.
#   tools/robustness.sh
# Environment:
#   PIGMORA_FUZZ_SECONDS   seconds per fuzz target (default 20)
#   PIGMORA_FUZZ_BUILD     fuzz build directory (default build-fuzz)
#   PIGMORA_ASAN_BUILD     sanitizer build directory (default build-asan)
#   PIGMORA_SANITIZE_GUI   1 also builds the desktop program under the sanitizers and runs its
#                          platform and GUI tests (default 0, see step 3)
# Needs (Debian 12): clang-14 libclang-rt-14-dev libxml2-utils desktop-file-utils, and what the
# ordinary build needs (tools/deps.sh).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
fuzz_seconds="${PIGMORA_FUZZ_SECONDS:-20}"
fuzz_build="${PIGMORA_FUZZ_BUILD:-$root/build-fuzz}"
asan_build="${PIGMORA_ASAN_BUILD:-$root/build-asan}"
sanitize_gui="${PIGMORA_SANITIZE_GUI:-0}"

missing=()
for tool in clang++-14 xmllint desktop-file-validate cmake ctest; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
  echo "robustness: missing ${missing[*]} (apt-get install clang-14 libclang-rt-14-dev" \
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

# 3. The sanitizer build. Any report fails the test that caused it (undefined behaviour is built
# with -fno-sanitize-recover), and leaks are reported when a test's process ends.
sanitizer_tests() {
  local app=OFF targets=(--target pigmora_tests)
  # The place for the desktop program's tests: with PIGMORA_SANITIZE_GUI=1 the Qt program, the
  # platform tests and the GUI tests (ctest label "gui", each in its own Xvfb desktop) are built
  # and run here too. Until they run clean under the sanitizers only the unit tests run.
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
  ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir "$asan_build" -j2 --timeout 300 --output-on-failure
}

overall_started=$SECONDS
step "fuzz targets (${fuzz_seconds} s each)" env PIGMORA_FUZZ_BUILD="$fuzz_build" \
  "$root/fuzz/run_fuzzers.sh" "$fuzz_seconds"
step "writers corpus" "$root/fuzz/check_writers_corpus.sh" "$fuzz_build/fuzz/write_entries"
step "sanitizer build and tests" sanitizer_tests

echo "=== summary ($((SECONDS - overall_started)) s)"
printf '%s\n' "${results[@]}"
exit "$overall"

#!/usr/bin/env bash
# Builds the libFuzzer targets when needed and runs each for a bounded time, starting from its
# seed corpus in fuzz/corpus/<target>/. Prints the executions of every target; fails when any
# target crashes, breaks a property, leaks, hangs or fails to build.
#   fuzz/run_fuzzers.sh [SECONDS_PER_TARGET]      (default 20)
# Environment: PIGMORA_FUZZ_BUILD (default build-fuzz), CXX (default clang++).
# Needs clang and libclang-rt-dev. New inputs found go to <build>/fuzz-work/<target>/ and
# failing inputs to <build>/fuzz-artifacts/, so the seed corpus in the repository stays small.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
build="${PIGMORA_FUZZ_BUILD:-$root/build-fuzz}"
compiler="${CXX:-clang++}"
targets=(parse_shortcut menu_shortcut_text read_menu_item_text split_parameters capture_field
  unicode_text login_agent autostart_entry)

if [[ ! "$seconds" =~ ^[0-9]+$ ]] || ((seconds < 1)); then
  echo "usage: $0 [SECONDS_PER_TARGET]" >&2
  exit 2
fi
mkdir -p "$build"
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPIGMORA_BUILD_FUZZERS=ON -DPIGMORA_BUILD_APP=OFF -DPIGMORA_BUILD_TESTS=OFF \
    -DPIGMORA_BUILD_BENCHMARKS=OFF >"$build/fuzz-configure.log" 2>&1 ||
    { cat "$build/fuzz-configure.log" >&2; exit 1; }
fi
cmake --build "$build" --target pigmora_fuzzers -j2 >"$build/fuzz-build.log" 2>&1 ||
  { tail -40 "$build/fuzz-build.log" >&2; exit 1; }

mkdir -p "$build/fuzz-artifacts"
failed=()
printf '%-22s %12s %10s %s\n' target executions exec/s result
for target in "${targets[@]}"; do
  work="$build/fuzz-work/$target"
  log="$build/fuzz-work/$target.log"
  mkdir -p "$work"
  # The first directory takes the new inputs; the seeds are only read. A run of ten seconds on
  # one input is a hang, not slowness.
  "$build/fuzz/fuzz_$target" "$work" "$root/fuzz/corpus/$target" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-artifacts/$target-" >"$log" 2>&1
  status=$?
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
  if ((status == 0)); then
    printf '%-22s %12s %10s %s\n' "$target" "${executions:-?}" "${rate:-?}" ok
  else
    printf '%-22s %12s %10s %s\n' "$target" "${executions:-?}" "${rate:-?}" "FAILED (status $status)"
    failed+=("$target")
    # The report: the broken property or the sanitizer's stack, and the saved input.
    grep -E -A30 'property broken|ERROR: (Address|Leak|libFuzzer)|runtime error|SUMMARY' "$log" |
      head -60 >&2
    grep -E 'Test unit written to' "$log" >&2
  fi
done

if ((${#failed[@]})); then
  echo "fuzz targets that failed: ${failed[*]} (logs in $build/fuzz-work/)" >&2
  exit 1
fi
echo "all ${#targets[@]} fuzz targets ran ${seconds} s each without a failure"

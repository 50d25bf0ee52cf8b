#!/usr/bin/env bash
# The whole check on a fresh machine: install what is missing, build with warnings as errors and
# run every test, run each micro-benchmark once briefly and the qorcli end-to-end tests under
# valgrind's memcheck; then build again with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer and run every test there too; then build the libFuzzer harnesses with clang and
# run each for a few seconds. Extra arguments go to ctest (for example -L install or
# -R MetaList). TARNEK_SKIP_SANITIZE=1, TARNEK_SKIP_VALGRIND=1 and TARNEK_SKIP_FUZZ=1 skip
# those steps.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TARNEK_BUILD_DIR:-$root/build}
asan_build=${TARNEK_ASAN_BUILD_DIR:-$root/build-asan}
jobs=$(nproc)

"$root/scripts/setup.sh"

run_configuration() {
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNEK_WERROR=ON "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure "${ctest_args[@]}"
}

ctest_args=("$@")
run_configuration "$build" -DTARNEK_SANITIZE=OFF -DTARNEK_BUILD_BENCHMARKS=ON

# The benchmarks must keep building and running; nothing here is timed or judged.
for bench in "$build"/bench/*_bench; do
  "$bench" --benchmark_min_time=0.01 >/dev/null
done
scratch=$(mktemp)
"$build/bench/render_compare" 1 "$scratch" >/dev/null
rm -f "$scratch"
bash -n "$root/scripts/bench.sh"

if [ "${TARNEK_SKIP_VALGRIND:-0}" != 1 ]; then
  TARNEK_BUILD_DIR=$build "$root/scripts/valgrind.sh"
fi
if [ "${TARNEK_SKIP_SANITIZE:-0}" != 1 ]; then
  # Any finding stops the test that made it, so a report can never pass unnoticed.
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  run_configuration "$asan_build" -DTARNEK_SANITIZE=ON
fi

# A short fuzzing smoke on the committed seeds: every harness for 10 s, built unoptimised with
# clang in its own folder so that the build stays short.
if [ "${TARNEK_SKIP_FUZZ:-0}" != 1 ]; then
  TARNEK_FUZZ_BUILD_DIR=${TARNEK_FUZZ_BUILD_DIR:-$root/build-fuzz-smoke} \
    TARNEK_FUZZ_FLAGS="-O0 -gline-tables-only" "$root/scripts/fuzz.sh" "${TARNEK_FUZZ_SECONDS:-10}"
fi

#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for SECONDS seconds on a scratch copy
# of its committed seed corpus (the committed corpus never grows here).
#
#   scripts/fuzz.sh SECONDS [HARNESS...]
#
# HARNESS is a name such as xml_value or template (all of them by default). Environment:
# TARNEK_FUZZ_BUILD_DIR (default build-fuzz), TARNEK_FUZZ_NO_BUILD=1 to use the build as it is
# (for several runs side by side), TARNEK_FUZZ_KEEP=1 to keep the grown scratch corpora,
# TARNEK_FUZZ_FLAGS for the compiler flags (default "-O1 -gline-tables-only"; a short smoke
# builds three times faster with "-O0 -gline-tables-only").
# A crash, leak, timeout or memory blow-up fails the run; its reproducer is kept in
# BUILD/fuzz-findings/HARNESS/ and its path printed. Replay one with: BUILD/fuzz/HARNESS_fuzzer FILE
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TARNEK_FUZZ_BUILD_DIR:-$root/build-fuzz}
all=(xml_value descriptor option_parser template fit_string formatter)

# libFuzzer takes a total time of 0 as "no limit", so at least one second is asked for.
if [[ $# -lt 1 || ! $1 =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 SECONDS [HARNESS...]   (harnesses: ${all[*]})" >&2
  exit 2
fi
seconds=$1
shift
harnesses=("$@")
[[ ${#harnesses[@]} -eq 0 ]] && harnesses=("${all[@]}")

# The longest input each harness takes: a few times its largest real-world document or line,
# so that the time goes into shapes rather than sheer size.
declare -A max_len=([xml_value]=8192 [descriptor]=16384 [option_parser]=1024 [template]=1024
                    [fit_string]=4096 [formatter]=4096)
for name in "${harnesses[@]}"; do
  if [[ -z ${max_len[$name]:-} ]]; then
    echo "fuzz: unknown harness '$name' (harnesses: ${all[*]})" >&2
    exit 2
  fi
done

if [[ ${TARNEK_FUZZ_NO_BUILD:-0} != 1 ]]; then
  targets=()
  for name in "${harnesses[@]}"; do targets+=("${name}_fuzzer"); done
  # Light optimisation and line tables only: quick to build, still readable stack traces.
  flags=${TARNEK_FUZZ_FLAGS:--O1 -gline-tables-only}
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DTARNEK_BUILD_FUZZERS=ON \
    -DTARNEK_BUILD_TESTS=OFF -DTARNEK_WERROR=ON -DCMAKE_BUILD_TYPE=Fuzz \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
  cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tarnek-fuzz.XXXXXX")
cleanup() {
  if [[ ${TARNEK_FUZZ_KEEP:-0} == 1 ]]; then
    echo "fuzz: scratch corpora kept in $scratch"
  else
    rm -rf "$scratch"
  fi
}
trap cleanup EXIT

# Leaks are findings; UBSan already stops at the first report (-fno-sanitize-recover).
# Options the caller sets come later and win.
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}

failed=0
for name in "${harnesses[@]}"; do
  binary=$build/fuzz/${name}_fuzzer
  work=$scratch/$name
  findings=$build/fuzz-findings/$name
  mkdir -p "$work/corpus" "$work/tmp" "$findings"
  cp "$root/fuzz/corpus/$name/"* "$work/corpus/"
  options=(-max_total_time="$seconds" -max_len="${max_len[$name]}" -timeout=10
           -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/")
  [[ -f $root/fuzz/dict/$name.dict ]] && options+=(-dict="$root/fuzz/dict/$name.dict")
  before=$(find "$findings" -type f | sort)

  status=0
  (cd "$work" && TMPDIR=$work/tmp "$binary" "${options[@]}" corpus >"$work/log" 2>&1) || status=$?

  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
  corpus_size=$(find "$work/corpus" -type f | wc -l)
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$work/log" | tail -n 1 || true)
  if [[ $status -eq 0 ]]; then
    echo "fuzz: $name: ok, ${executions:-?} executions in ${seconds}s," \
         "corpus $corpus_size inputs, ${coverage:-cov: ?}"
  else
    failed=1
    echo "fuzz: $name: FAILED (exit $status) after ${executions:-?} executions"
    new=$(comm -13 <(echo "$before") <(find "$findings" -type f | sort) | sed '/^$/d')
    for file in $new; do echo "fuzz: $name: reproducer kept: $file"; done
    cp "$work/log" "$findings/last.log"
    echo "fuzz: $name: log: $findings/last.log; its end:"
    grep -v '^#[0-9]' "$work/log" | tail -n 40 | sed 's/^/    /'
  fi
done
exit $failed

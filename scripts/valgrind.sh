#!/usr/bin/env bash
# Runs the end-to-end tests with every qorcli they start running under valgrind's memcheck.
# A memory error or a definitely lost block makes qorcli exit with 99, which fails the test
# that ran it; the memcheck logs are checked as well and the bad ones printed.
#
#   scripts/valgrind.sh            the representative subset (the qorcli end-to-end suites)
#   scripts/valgrind.sh REGEX      the tests whose ctest name matches REGEX
#
# Uses the plain (not sanitized) build in TARNEK_BUILD_DIR (default build/), building only the
# targets the tests need; valgrind cannot run a sanitized program.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TARNEK_BUILD_DIR:-$root/build}
pattern=${1:-'^e2e\.(Qorcli|DescriptorEndToEnd)\.'}
valgrind=$(command -v valgrind || true)
if [ -z "$valgrind" ]; then
  echo "valgrind is not installed (Debian package: valgrind)" >&2
  exit 2
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNEK_SANITIZE=OFF \
  >/dev/null
cmake --build "$build" --target qorcli e2e_tests dispatch_plugin_good

logs=$build/valgrind-logs
rm -rf "$logs"
mkdir -p "$logs"
# Only qorcli is checked, not the shells it starts (no --trace-children). The wrapper is split
# at spaces, so none of these words may hold one.
export TARNEK_QORCLI_WRAPPER="$valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
--errors-for-leak-kinds=definite --show-leak-kinds=definite --num-callers=30 \
--log-file=$logs/qorcli.%p.log"

status=0
ctest --test-dir "$build" -R "$pattern" -j"$(nproc)" --output-on-failure || status=$?

# A qorcli that forks keeps valgrind in the child until it runs the shell, which leaves a log
# without a summary; only the logs of finished qorcli runs count.
finished=$(grep -l 'ERROR SUMMARY:' "$logs"/qorcli.*.log 2>/dev/null || true)
bad=$(grep -L 'ERROR SUMMARY: 0 errors' $finished /dev/null 2>/dev/null | grep -v '^/dev/null$' || true)
for log in $bad; do
  echo "==== $log" >&2
  cat "$log" >&2
done
runs=$(echo "$finished" | grep -c . || true)
failed=$(echo "$bad" | grep -c . || true)
if [ "$failed" -ne 0 ]; then
  status=1
fi
if [ "$runs" -eq 0 ]; then
  echo "no qorcli run went through valgrind (pattern '$pattern')" >&2
  status=1
fi
echo "valgrind: $runs qorcli runs checked, $failed with findings"
exit "$status"

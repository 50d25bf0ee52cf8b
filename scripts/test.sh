#!/usr/bin/env bash
# The whole check on a fresh machine: install what is missing, build with warnings as errors and
# run every test. Extra arguments go to ctest (for example -L install or -R MetaList).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TARNEK_BUILD_DIR:-$root/build}
jobs=$(nproc)

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNEK_WERROR=ON
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" -j "$jobs" --output-on-failure "$@"

#!/usr/bin/env bash
# The main job on a fresh machine: install what is missing, build, and run qorcli on the bundled
# example plug-ins (a descriptor of system commands and a native shared-library plug-in).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TARNEK_BUILD_DIR:-$root/build}

"$root/scripts/setup.sh"
# qorcli also reads the system plug-in directories; an installed qorcli has them, so create them
# (empty) where we may, rather than have every run report that they are missing.
if [[ $(id -u) -eq 0 ]]; then
  install -d /usr/lib/norvane/qorcli/ext
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target qorcli qorcli_native_example >/dev/null

qorcli=("$build/qorcli/qorcli" --plugin-dir "$build/examples/plugins")
run() {
  printf '\n$ qorcli --plugin-dir build/examples/plugins %s\n' "$*"
  "${qorcli[@]}" "$@" || true  # a listing exits with 1 by design
}

run
run system
run qorcli command list
run system disk list
run system user list --shell login
run demo math sum --value 40 --value 2
run system user show --help

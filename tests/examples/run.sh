#!/usr/bin/env bash
# Every bundled example command runs on this machine: exit status 0, a result on standard output
# and nothing on standard error (beyond the notes about absent system plug-in directories).
set -uo pipefail
qorcli=$1
plugins=$2
failures=0
checks=0
err=$(mktemp)
trap 'rm -f "$err"' EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

check() {
  local out status rest
  checks=$((checks + 1))
  out=$("$qorcli" --plugin-dir "$plugins" "$@" 2>"$err" </dev/null)
  status=$?
  rest=$(grep -v -x -E 'Unable to open directory /usr/lib/norvane/qorcli(/ext)? for plugin registration' \
    "$err")
  [[ $status -eq 0 && -n $out && -z $rest ]] || fail "qorcli $* (status $status)"$'\n'"$out$rest"
}

check system disk list
check system disk list --mount /
check system disk usage --path /etc --path "$plugins"
check system process list --min-pid 1 --user root --mine
check system user list --shell nologin
check system user show --name root
check system network list
check system secret check --token 's3cret value'
check demo echo --word hello --word world
check demo math sum --value 40 --value 2
check demo clock now --utc
check --formatter json system user list
check --formatter xml demo clock now

# An unknown user is reported, not rendered.
checks=$((checks + 1))
"$qorcli" --plugin-dir "$plugins" system user show --name no-such-user >/dev/null 2>&1 &&
  fail "an unknown user was not reported"
echo "$((checks - failures)) passed, $failures failed"
[[ $failures -eq 0 ]]

#!/usr/bin/env bash
# Drives the bash completion function the way bash does (COMP_WORDS, COMP_CWORD) against a real
# qorcli with the example plug-ins and a test descriptor, and compares the offered words.
#
# usage: completion_test.sh QORCLI EXAMPLE_PLUGIN_DIR COMPLETION_SCRIPT DESCRIPTOR_DIR WORK_DIR
set -uo pipefail
qorcli=$1 plugins=$2 script=$3 descriptors=$4 work=$5
rm -rf "$work" && mkdir -p "$work/files" || exit 1
touch "$work/files/alpha.txt" "$work/files/beta.txt"
export QORCLI_TEST_MARKER=$work/ran
failures=0 checks=0

# shellcheck source=/dev/null
source "$script" || exit 1
[[ $(complete -p qorcli) == *"-F _qorcli"* ]] || {
  echo "FAIL: the script does not register _qorcli for qorcli"
  exit 1
}

# expect "WANTED WORDS" WORD... : completes the last WORD of `qorcli WORD...`; the offered words,
# sorted, must be exactly the wanted ones.
expect() {
  local want=$1
  shift
  COMP_WORDS=("$qorcli" "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _qorcli
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
  checks=$((checks + 1))
  if [[ $got != "$want" ]]; then
    echo "FAIL: qorcli $* <Tab>"
    echo "  wanted: $want"
    echo "  got:    $got"
    failures=$((failures + 1))
  fi
}

ex=(--plugin-dir "$plugins")
t=(--plugin "$descriptors/complete.xml")

# Dispatcher options and their values.
expect "--format-param --formatter --help --input --plugin --plugin-dir --screen-width -h" -
expect "json" "${ex[@]}" --formatter j
expect "commandhelp json python simple table xml" --formatter ""
expect "--formatter=simple" --formatter=s

# Namespaces and commands at each level, from the plug-ins named on the line.
expect "qorcli" ""
expect "demo qorcli system" "${ex[@]}" ""
expect "disk network process secret user" "${ex[@]}" system ""
expect "list show" "${ex[@]}" system user ""
expect "comp" "${t[@]}" c
expect "a stop" "${t[@]}" comp ""
expect "run" "${t[@]}" comp a r
expect "a stop" --plugin="$descriptors/complete.xml" comp ""
expect "" "${ex[@]}" nosuch ""
expect "" "${ex[@]}" system user list extra ""

# Parameters: long names for a plain Tab, short ones too for a lone dash; a given option comes
# back only when it takes several values.
expect "--count --dry --file --help --item --level --mode --verbose" "${t[@]}" comp a run ""
expect "--count --dry --file --help --item --level --mode --verbose -d -h -i -m" \
  "${t[@]}" comp a run -
expect "--count --dry --file --help --item --level --verbose" "${t[@]}" comp a run -m fast --
expect "--count --file --help --item --level --mode --verbose" "${t[@]}" comp a run -d ""
expect "--count --dry --file --help --item --level --mode --verbose" \
  "${t[@]}" comp a run --item x ""

# Values: enumerations of strings and integers, booleans, nothing for free integers and
# secrets, file names for other values.
expect "fast slow" "${t[@]}" comp a run --mode ""
expect "slow" "${t[@]}" comp a run -m s
expect "1 20" "${t[@]}" comp a run --dry --level ""
expect "false true" "${t[@]}" comp a run --verbose ""
expect "" "${t[@]}" comp a run --count ""
expect "login nologin" "${ex[@]}" system user list --shell ""
expect "" "${ex[@]}" system secret check --token ""
expect "$work/files/alpha.txt" "${t[@]}" comp a run --file "$work/files/a"

# bash splits "--mode=f" at '=': the value alone replaces the word after it.
expect "fast" "${t[@]}" comp a run --mode = f
expect "$work/files/beta.txt" "${t[@]}" comp a run --file = "$work/files/b"
# Without that split the whole word is completed.
expect "--mode=fast" "${t[@]}" comp a run --mode=f

# A plug-in dropped into a directory completes at once: nothing is generated or kept.
mkdir -p "$work/later"
expect "qorcli" --plugin-dir "$work/later" ""
cp "$descriptors/complete.xml" "$work/later/"
expect "comp qorcli" --plugin-dir "$work/later" ""

# Completing never runs a command; running it does leave the marker.
if [[ -e $QORCLI_TEST_MARKER ]]; then
  echo "FAIL: completing ran a command"
  failures=$((failures + 1))
fi
"$qorcli" "${t[@]}" comp a run --mode fast >/dev/null 2>&1 </dev/null
[[ -e $QORCLI_TEST_MARKER ]] || {
  echo "FAIL: the marker command did not run, so the check above proves nothing"
  failures=$((failures + 1))
}

echo "$checks completions, $failures failed"
[[ $failures -eq 0 ]]

#!/usr/bin/env bash
# qorcli-check on good and broken descriptors: standard output must equal the expected text
# (descriptors/*.expected) and the exit status must be 0 clean, 1 errors, 2 warnings only.
#
# usage: check_test.sh QORCLI_CHECK DESCRIPTOR_DIR [CLEAN_DESCRIPTOR...]
# The CLEAN_DESCRIPTORs (the bundled and documented examples) must pass without a warning.
set -uo pipefail
check=$1
cd "$2" || exit 1
shift 2
failures=0

for clean in "$@"; do
  if ! out=$("$check" "$clean" 2>&1); then
    echo "FAIL: $clean is not clean:"
    echo "$out"
    failures=$((failures + 1))
  fi
done

# expected status | expected output | arguments
cases=(
  "0|clean.expected|good.xml"
  "1|bad_version.expected|bad_version.xml"
  "1|not_xml.expected|not_xml.xml"
  "1|conflict.expected|conflict.xml"
  "1|broken_commands.expected|broken_commands.xml"
  "2|warnings.expected|warnings.xml"
  "1|needs_context.expected|needs_context.xml"
  "0|clean.expected|--plugin good.xml needs_context.xml"
  "1|twice.expected|good.xml good.xml"
)

for entry in "${cases[@]}"; do
  IFS='|' read -r want_status expected args <<<"$entry"
  # shellcheck disable=SC2086 # the arguments are meant to split into words
  actual=$("$check" $args 2>/dev/null)
  status=$?
  if [[ $status -ne $want_status ]] || ! diff -u "$expected" - <<<"$actual"; then
    echo "FAIL: qorcli-check $args: status $status, expected $want_status"
    failures=$((failures + 1))
  fi
done

# A directory stands for its lib64 subdirectory and itself, descriptors only, in name order;
# a file qorcli would not load for its name is checked, with a warning.
scratch=$(mktemp -d) || exit 1
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/dir/lib64"
cp warnings.xml "$scratch/dir/a.xml"
cp good.xml "$scratch/dir/lib64/z.xml"
cp good.xml "$scratch/dir/notes.txt"
cp good.xml "$scratch/good.XML"
actual=$("$check" "$scratch/dir" "$scratch/good.XML" 2>/dev/null)
status=$?
# The clean lib64/z.xml prints nothing, but good.XML colliding with it shows it loaded first.
order=$(grep -o -E '^[^:]+: (error|warning)' <<<"$actual" | sed "s|: .*||; s|$scratch/||" | uniq)
want_order=$'dir/a.xml\ngood.XML'
want_last="3 files checked: 1 error, 11 warnings"
if [[ $status -ne 1 || $order != "$want_order" || $(tail -n 1 <<<"$actual") != "$want_last" ]] ||
  ! grep -qF "good.XML: warning: qorcli loads only files whose names end in \".xml\"" <<<"$actual"; then
  echo "FAIL: qorcli-check on a directory and a .XML file (status $status):"
  echo "$actual"
  failures=$((failures + 1))
fi

# Usage mistakes are errors, and say so on standard error.
for args in "" "--no-such-option good.xml"; do
  # shellcheck disable=SC2086
  if err=$("$check" $args 2>&1 >/dev/null); [[ $? -ne 1 || $err != *usage:* ]]; then
    echo "FAIL: qorcli-check $args did not fail with the usage text"
    failures=$((failures + 1))
  fi
done

echo "${#cases[@]} descriptor cases, $failures failed"
[[ $failures -eq 0 ]]

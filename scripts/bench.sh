#!/usr/bin/env bash
# Whole-process benchmarks: every scenario runs qorcli and the floor of the same work
# alternately, many times, and compares their medians. Only the ratios mean anything: absolute
# times on a shared machine drift from run to run, ratios measured side by side do not.
#
#   scripts/bench.sh [--quick] [--only NAME]...
#
# --quick runs each scenario fewer times (a rougher answer in about a third of the time);
# --only runs the named scenarios (startup, plugins, plugins10x, extension, large, render).
# The Release build goes to $TARNEK_BENCH_BUILD_DIR (default build-bench/), configured here when
# missing. Every scenario ends with one line: SCENARIO ratio R goal G ok|MISS.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TARNEK_BENCH_BUILD_DIR:-$root/build-bench}
quick=0
only=()
while [ $# -gt 0 ]; do
  case $1 in
    --quick) quick=1 ;;
    --only) only+=("$2"); shift ;;
    *) echo "usage: $0 [--quick] [--only SCENARIO]..." >&2; exit 2 ;;
  esac
  shift
done

wanted() {
  [ ${#only[@]} -eq 0 ] && return 0
  local name
  for name in "${only[@]}"; do [ "$name" = "$1" ] && return 0; done
  return 1
}
# Repetitions: full, quick.
reps() { if [ $quick = 1 ]; then echo "$2"; else echo "$1"; fi; }

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTARNEK_BUILD_BENCHMARKS=ON -DTARNEK_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target qorcli render_compare >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnek-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
qorcli=$build/qorcli/qorcli
hostlib=$build/host
# qorcli adds LANG to a child's command line only when its own environment lacks it; with it set,
# both sides run the very same line.
export LANG=C.UTF-8

# The floors and the runner, built like any small program of this machine.
cxx=${CXX:-g++}
"$cxx" -O2 -std=c++17 -o "$work/runner" "$root/bench/tools/bench_runner.cc"
floor_libs=(-Wl,--no-as-needed -lboost_regex -lxml2 -L"$hostlib" -lhostaudit -lnorlibs
            -ltorkuser -Wl,--as-needed -Wl,-rpath,"$hostlib")
"$cxx" -O2 -std=c++17 -o "$work/floor_trivial" "$root/bench/tools/floor_trivial.cc" \
  "${floor_libs[@]}"
"$cxx" -O2 -std=c++17 -o "$work/floor_shell" "$root/bench/tools/floor_shell.cc" "${floor_libs[@]}"

summary=()
# report SCENARIO RATIO GOAL: the closing line of a scenario.
report() {
  local verdict
  verdict=$(awk -v r="$2" -v g="$3" 'BEGIN { print (r <= g) ? "ok" : "MISS" }')
  summary+=("$1 ratio $2 goal $3 $verdict")
}
# compare SCENARIO REPS OUT_A OUT_B -- A... -- B...: prints the medians, sets the globals
# ratio and memory_ratio.
compare() {
  local name=$1
  shift
  local line
  line=$("$work/runner" "$@")
  read -r a_ms b_ms ratio a_kb b_kb memory_ratio <<<"$line"
  printf '%-22s qorcli %9.2f ms %8d KB   floor %9.2f ms %8d KB   time %6.3f  memory %6.3f\n' \
    "$name" "$a_ms" "$a_kb" "$b_ms" "$b_kb" "$ratio" "$memory_ratio"
}

# Descriptors: N files of ten commands each, in DIR.
make_descriptors() {
  local dir=$1 count=$2
  mkdir -p "$dir"
  awk -v dir="$dir" -v count="$count" 'BEGIN {
    for (p = 0; p < count; p++) {
      file = sprintf("%s/p%05d.xml", dir, p)
      printf "<plugin>\n  <version>1.0.0</version>\n  <namespaces>\n" > file
      printf "    <namespace path=\"p%05d\"><description>Bench group %d.</description></namespace>\n", p, p > file
      printf "  </namespaces>\n  <commands>\n" > file
      for (c = 0; c < 10; c++) {
        printf "    <command path=\"p%05d.c%d\">\n      <description>Bench command %d of group %d.</description>\n", p, c, c, p > file
        printf "      <input-spec>\n        <parameter name=\"name\" type=\"string\" required=\"true\" shortname=\"n\"><description>A name.</description></parameter>\n" > file
        printf "        <parameter name=\"count\" type=\"int\" required=\"false\"><description>A count.</description><range min=\"0\" max=\"100\"/></parameter>\n      </input-spec>\n" > file
        printf "      <output-spec><structure typeName=\"Row\"><field name=\"Name\"><string/></field><field name=\"Count\"><int/></field></structure></output-spec>\n" > file
        printf "      <format-parameters><formatter>table</formatter></format-parameters>\n" > file
        printf "      <execute>printf x</execute>\n    </command>\n" > file
      }
      printf "  </commands>\n</plugin>\n" > file
      close(file)
    }
  }'
}

# The large result: 100,000 structures of five fields, about 28 MB.
make_rows() {
  awk 'BEGIN {
    print "<output>"
    print "<list type=\"structure\">"
    for (i = 0; i < 100000; i++) {
      printf "  <structure typeName=\"Disk\">\n"
      printf "    <field name=\"Name\"><string>disk-%07d</string></field>\n", i
      printf "    <field name=\"Size\"><int>%d</int></field>\n", i * 7919 % 1000000007
      printf "    <field name=\"Mounted\"><bool>%s</bool></field>\n", (i % 3 ? "true" : "false")
      printf "    <field name=\"Path\"><string>/srv/volumes/v%07d/data</string></field>\n", i
      printf "    <field name=\"Owner\"><string>user%04d</string></field>\n", i % 5000
      printf "  </structure>\n"
    }
    print "</list>"
    print "</output>"
  }' >"$1"
}

# One descriptor holding the two extension commands the scenarios run.
make_extension_descriptor() {
  cat >"$1" <<EOF
<plugin>
  <version>1.0.0</version>
  <namespaces><namespace path="bench"><description>Bench commands.</description></namespace></namespaces>
  <commands>
    <command path="bench.one">
      <description>One value.</description>
      <input-spec/>
      <output-spec><string/></output-spec>
      <format-parameters><formatter>simple</formatter></format-parameters>
      <execute>printf '&lt;output&gt;&lt;string&gt;hello&lt;/string&gt;&lt;/output&gt;'</execute>
    </command>
    <command path="bench.rows">
      <description>A large result.</description>
      <input-spec/>
      <output-spec>
        <list type="structure">
          <structure typeName="Disk">
            <field name="Name"><string/></field>
            <field name="Size"><int/></field>
            <field name="Mounted"><bool/></field>
            <field name="Path"><string/></field>
            <field name="Owner"><string/></field>
          </structure>
        </list>
      </output-spec>
      <format-parameters><formatter>table</formatter></format-parameters>
      <execute>cat $work/rows.xml</execute>
    </command>
  </commands>
</plugin>
EOF
}

echo "tarnek benchmarks ($(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
[ $quick = 1 ] && echo "quick mode: fewer repetitions"

if wanted startup; then
  n=$(reps 150 40)
  compare startup "$n" /dev/null /dev/null -- "$qorcli" qorcli command list -- "$work/floor_trivial"
  report startup "$ratio" 1.3
fi

if wanted plugins || wanted plugins10x; then
  make_descriptors "$work/plugins" 1000
  n=$(reps 15 5)
  compare plugins "$n" /dev/null /dev/null -- \
    "$qorcli" --plugin-dir "$work/plugins" --formatter json qorcli command list -- \
    /usr/bin/xmllint --noout "$work"/plugins/*.xml
  report plugins "$ratio" 1.5
  if wanted plugins10x; then
    make_descriptors "$work/plugins10" 10000
    n=$(reps 3 1)
    compare plugins10x "$n" /dev/null /dev/null -- \
      "$qorcli" --plugin-dir "$work/plugins10" --formatter json qorcli command list -- \
      "$qorcli" --plugin-dir "$work/plugins" --formatter json qorcli command list
    report plugins10x "$ratio" 11.0
    rm -rf "$work/plugins10"
  fi
fi

make_extension_descriptor "$work/bench.xml"
if wanted extension; then
  n=$(reps 100 30)
  line="printf '<output><string>hello</string></output>'"
  compare extension "$n" /dev/null /dev/null -- \
    "$qorcli" --plugin "$work/bench.xml" bench one -- "$work/floor_shell" "$line"
  report extension "$ratio" 1.2
fi

if wanted large || wanted render; then
  make_rows "$work/rows.xml"
fi
if wanted large; then
  n=$(reps 7 3)
  compare large "$n" /dev/null /dev/null -- \
    "$qorcli" --plugin "$work/bench.xml" --formatter json bench rows -- \
    /usr/bin/xmllint --noout "$work/rows.xml"
  report large-time "$ratio" 1.0
  report large-memory "$memory_ratio" 0.5
fi

if wanted render; then
  "$build/bench/render_compare" "$(reps 11 5)" "$work/render.out" | tee "$work/render.txt"
  while read -r name _ ratio _; do
    report "render-$name" "$ratio" 2.0
  done < <(grep '^render-' "$work/render.txt" | sed 's/^render-//')
  # The same rows, pretty-printed as JSON by jq from the JSON qorcli writes.
  "$qorcli" --plugin "$work/bench.xml" --formatter json bench rows >"$work/rows.json"
  n=$(reps 7 3)
  compare json-vs-jq "$n" /dev/null /dev/null -- \
    "$qorcli" --plugin "$work/bench.xml" --formatter json bench rows -- \
    /usr/bin/jq . "$work/rows.json"
  report json-vs-jq "$ratio" 1.0
fi

echo
for line in "${summary[@]}"; do echo "$line"; done

#!/usr/bin/env bash
# Installs a built tree into a fresh prefix and builds a consumer program against it twice:
# through find_package(Tarnek) and through pkg-config. Each program must run from the prefix
# alone and print the expected value. Then the example shared-library plug-in is built out of
# tree against the prefix and run, with the example descriptors, by the installed qorcli, and
# the installed qorcli-check passes those descriptors.
#
# usage: run.sh SOURCE_DIR BUILD_DIR WORK_DIR [CXX] [EXTRA_FLAGS]
set -euo pipefail

if [[ $# -lt 3 ]]; then
  echo "usage: $0 SOURCE_DIR BUILD_DIR WORK_DIR [CXX] [EXTRA_FLAGS]" >&2
  exit 2
fi
source_dir=$1
build_dir=$2
work_dir=$3
cxx=${4:-g++}
extra_flags=${5:-}

prefix=$work_dir/prefix
consumer_src=$source_dir/tests/install/consumer
expected="{'a' => '1', 'b' => 'x', }"

fail() {
  echo "install test FAILED: $*" >&2
  exit 1
}

# Runs a command quietly, showing its output only when it fails.
quiet() {
  local what=$1
  shift
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    fail "$what"
  fi
  rm -f "$log"
}

check_output() {
  local what=$1 program=$2 actual
  actual=$(env -u LD_LIBRARY_PATH "$program" 2>&1) ||
    fail "$what: $program exited with status $?: $actual"
  [[ $actual == "$expected" ]] ||
    fail "$what: expected output \"$expected\", got \"$actual\""
  echo "ok: $what"
}

for tool in cmake ninja pkg-config readelf ldd "$cxx"; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"
done

rm -rf "$work_dir"
mkdir -p "$work_dir"

quiet "cmake --install into $prefix" cmake --install "$build_dir" --prefix "$prefix"

libdir=$(dirname "$(find "$prefix" -name 'libtarnek.so' -print -quit)")
[[ -n $libdir && $libdir != . ]] || fail "no libtarnek.so under $prefix"
[[ -L $libdir/libtarnek.so ]] || fail "$libdir/libtarnek.so is not a symbolic link"
for header in "$source_dir"/include/tarnek/*.h; do
  header=${header##*/}
  [[ -f $prefix/include/tarnek/$header ]] || fail "header include/tarnek/$header not installed"
done
# The installed library must find the host libraries through its own $ORIGIN run path, not
# through the build tree or the environment.
runpath=$(readelf -d "$libdir/libtarnek.so" | grep -E 'RUNPATH|RPATH' || true)
[[ $runpath == *"\$ORIGIN"* ]] || fail "installed libtarnek.so has no \$ORIGIN run path: $runpath"
[[ $runpath != *"$build_dir"* ]] || fail "installed libtarnek.so keeps a build-tree run path: $runpath"
missing=$(env -u LD_LIBRARY_PATH ldd "$libdir/libtarnek.so" | grep 'not found' || true)
[[ -z $missing ]] || fail "installed libtarnek.so cannot find: $missing"
echo "ok: install into $prefix"

# 1. CMake package.
quiet "configure the find_package consumer" \
  cmake -S "$consumer_src" -B "$work_dir/consumer-cmake" -G Ninja \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_CXX_FLAGS="$extra_flags" -DCMAKE_EXE_LINKER_FLAGS="$extra_flags" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF
found=$(grep '^Tarnek_DIR:' "$work_dir/consumer-cmake/CMakeCache.txt" | cut -d= -f2-)
[[ $found == "$prefix"/* ]] || fail "find_package(Tarnek) found $found instead of the prefix $prefix"
quiet "build the find_package consumer" cmake --build "$work_dir/consumer-cmake"
check_output "find_package(Tarnek) consumer" "$work_dir/consumer-cmake/consumer"

# 2. pkg-config. No run path into the prefix other than libtarnek's own directory, so the
# host libraries are found only through libtarnek's run path.
export PKG_CONFIG_PATH=$libdir/pkgconfig
pc_flags=$(pkg-config --cflags --libs tarnek) || fail "pkg-config does not know tarnek"
pc_libdir=$(pkg-config --variable=libdir tarnek)
# shellcheck disable=SC2086 # the flags are meant to split into words
quiet "build the pkg-config consumer" \
  "$cxx" -std=c++17 $extra_flags "$consumer_src/consumer.cc" -o "$work_dir/consumer-pkgconfig" \
    $pc_flags -Wl,-rpath,"$pc_libdir"
check_output "pkg-config consumer" "$work_dir/consumer-pkgconfig"

# 3. The example shared-library plug-in as an outside project builds it, run by the installed
# qorcli beside the example descriptors.
for file in bin/qorcli bin/qorcli-check share/bash-completion/completions/qorcli \
            share/man/man1/qorcli.1; do
  [[ -f $prefix/$file ]] || fail "$file not installed"
done
quiet "configure the example plug-in out of tree" \
  cmake -S "$source_dir/examples/native" -B "$work_dir/native" -G Ninja \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_CXX_FLAGS="$extra_flags" -DCMAKE_MODULE_LINKER_FLAGS="$extra_flags" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF
quiet "build the example plug-in out of tree" cmake --build "$work_dir/native"
plugins=$work_dir/plugins
mkdir -p "$plugins"
cp "$work_dir/native/native_example.so" "$source_dir"/examples/xml/*.xml "$plugins/" ||
  fail "gather the example plug-ins"

run_installed() {
  local what=$1 want=$2 actual
  shift 2
  actual=$(env -u LD_LIBRARY_PATH "$prefix/bin/qorcli" --plugin-dir "$plugins" "$@" \
             2>"$work_dir/stderr" </dev/null) ||
    fail "$what: qorcli $* exited with status $?: $actual $(cat "$work_dir/stderr")"
  [[ $actual == *"$want"* ]] || fail "$what: expected \"$want\" in: $actual"
  echo "ok: $what"
}
run_installed "out-of-tree plug-in run by the installed qorcli" 42 \
  demo math sum --value 40 --value 2
run_installed "example descriptor run by the installed qorcli" '"Name": "root"' \
  --formatter json system user show --name root
checked=$(env -u LD_LIBRARY_PATH "$prefix/bin/qorcli-check" "$plugins" 2>&1) ||
  fail "installed qorcli-check on the example descriptors: $checked"
echo "ok: installed qorcli-check passes the example descriptors"

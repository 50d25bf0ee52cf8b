#!/usr/bin/env bash
# Builds the Debian package from a built tree with cpack and checks what it holds: the programs,
# the library with its soname links, headers, CMake and pkg-config files, manual pages, bash
# completion, documentation and the plug-in directories; nothing else outside /usr, nothing of
# the test suite. The unpacked qorcli must run from the package's own files.
#
# usage: deb_test.sh BUILD_DIR WORK_DIR
set -uo pipefail
build=$1 work=$2
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (dpkg-dev)"; exit 1; }
done

rm -rf "$work" && mkdir -p "$work" || exit 1
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
fi
debs=("$work"/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "FAIL: expected one .deb, got ${debs[*]}"; exit 1; }
deb=${debs[0]}

[[ $(dpkg-deb -f "$deb" Package) == tarnek ]] || fail "package name is not tarnek"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libxml2 libboost-regex libstdc++6; do
  [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

# "path" for a directory, "path -> target" for a link, "path" for a file; one per line.
listing=$(dpkg -c "$deb" | awk '{ path = $6; for (i = 7; i <= NF; i++) path = path " " $i; print path }')
expected=(
  ./usr/bin/qorcli
  ./usr/bin/qorcli-check
  ./usr/lib/libtarnek.so.0.1.0
  "./usr/lib/libtarnek.so.0 -> libtarnek.so.0.1.0"
  "./usr/lib/libtarnek.so -> libtarnek.so.0"
  ./usr/lib/libhostaudit.so.1.0.0
  ./usr/lib/libnorlibs.so.1.0.0
  ./usr/lib/libtorkuser.so.1.0.0
  ./usr/include/tarnek/tarnek.h
  ./usr/include/tarnek/autocli/xml_plugin.h
  ./usr/lib/cmake/Tarnek/TarnekConfig.cmake
  ./usr/lib/cmake/Tarnek/TarnekConfigVersion.cmake
  ./usr/lib/cmake/Tarnek/TarnekTargets.cmake
  ./usr/lib/pkgconfig/tarnek.pc
  ./usr/share/man/man1/qorcli.1
  ./usr/share/man/man1/qorcli-check.1
  ./usr/share/bash-completion/completions/qorcli
  ./usr/share/doc/tarnek/plugin-guide.md
  ./usr/share/doc/tarnek/formatters.md
  ./usr/share/doc/tarnek/examples/native/CMakeLists.txt
  ./usr/share/doc/tarnek/examples/files.xml
  ./usr/lib/norvane/qorcli/
  ./usr/lib/norvane/qorcli/ext/
)
for path in "${expected[@]}"; do
  grep -qxF -- "$path" <<<"$listing" || fail "missing from the package: $path"
done
unexpected=$(grep -v -E '^\./(usr/.*)?$' <<<"$listing")
[[ -z $unexpected ]] || fail "outside /usr: $unexpected"
stray=$(grep -E '_tests?$|/tests/|norvane/qorcli/.+[^/]$' <<<"$listing")
[[ -z $stray ]] || fail "test or plug-in files in the package: $stray"

# The unpacked programs find their libraries through their own run paths.
root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
if ! out=$(env -u LD_LIBRARY_PATH "$root/usr/bin/qorcli" --formatter json qorcli command list \
             2>/dev/null </dev/null); then
  fail "the unpacked qorcli did not run: $out"
elif [[ $out != *'"Command": "list"'* ]]; then
  fail "the unpacked qorcli listed: $out"
fi
env -u LD_LIBRARY_PATH "$root/usr/bin/qorcli-check" --help >/dev/null 2>&1 ||
  fail "the unpacked qorcli-check did not run"

# The manual pages are valid roff.
if command -v groff >/dev/null; then
  for page in "$root"/usr/share/man/man1/*.1; do
    warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
    [[ -z $warnings ]] || fail "${page##*/}: $warnings"
  done
fi

[[ $failures -eq 0 ]] && echo "ok: $(basename "$deb"), $(wc -l <<<"$listing") entries"
[[ $failures -eq 0 ]]

#!/usr/bin/env bash
# Installs the Debian packages that building and testing tarnek need. Safe to run again: when
# everything is present it prints nothing and touches nothing.
set -euo pipefail

packages=(
  g++
  cmake
  ninja-build
  pkg-config
  binutils           # readelf, used by the install test
  libboost-dev       # Boost String Algorithms (header-only)
  libboost-regex-dev
  libxml2-dev
  libgtest-dev
  libgmock-dev
  googletest
  libbenchmark-dev
  clang              # the fuzzing configuration (libFuzzer)
  libclang-rt-14-dev # libFuzzer and the sanitizer runtimes for clang
  valgrind           # memcheck over the end-to-end tests
  libxml2-utils      # xmllint, the floor of the document benchmarks
  jq                 # the JSON rendering floor of the benchmarks
  dpkg-dev           # cpack's Debian package generator
  groff-base         # checks the manual pages
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "setup: missing packages (${missing[*]}) and not root, without sudo to install them" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -q --no-install-recommends "${missing[@]}"

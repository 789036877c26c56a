#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds every test twice (with GCC under
# AddressSanitizer and UndefinedBehaviorSanitizer, then plain with clang) and runs them all.
# Network tests create their own namespaces and servers; as root none of them is skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# Every C++ file as the committed .clang-format says.
find src tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 clang-format --dry-run --Werror

jobs=$(nproc)
configure_and_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$dir" -j"$jobs"
}

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

CC=gcc CXX=g++ configure_and_build build-asan -DORVELAN_SANITIZE=ON -DORVELAN_BENCH=OFF
(cd build-asan && ctest --output-on-failure -j4 --timeout 600)

# Link extraction and the URL splitter under libFuzzer for a bounded time: no crash, no hang,
# no read past a buffer.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORVELAN_FUZZ=ON -DORVELAN_BENCH=OFF
cmake --build build-fuzz --target scanner_links_fuzz -j"$jobs"
build-fuzz/tests/scanner/scanner_links_fuzz -max_total_time=60 -max_len=4096 -timeout=10

# Both compilers keep the tree warning-free: GCC built the sanitizer tree above, clang builds
# this one.
CC=clang CXX=clang++ configure_and_build build-clang -DORVELAN_SANITIZE=OFF
cd build-clang
ctest --output-on-failure -j4 --timeout 600

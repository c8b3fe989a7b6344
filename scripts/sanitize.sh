#!/usr/bin/env bash
# Builds Scrivelle and its tests with AddressSanitizer and UndefinedBehaviorSanitizer in a second
# build folder (build-asan, optimised with -O1 to keep build and run times down) and runs the
# whole test suite there. Any sanitizer report fails the test that caused it.
# Usage: scripts/sanitize.sh [CTEST ARGUMENTS...]
set -euo pipefail
cd "$(dirname "$0")/.."
flags="-O1 -g -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSCRIVELLE_TESTS=ON \
    -DCMAKE_CXX_FLAGS_DEBUG="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    >/dev/null
cmake --build build-asan -j "$(nproc)"
# Qt's own libraries are not instrumented; leaks inside them (font caches, the offscreen
# platform) are not ours to report.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-asan
ctest --output-on-failure -j "$(nproc)" "$@"

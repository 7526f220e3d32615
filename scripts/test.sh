#!/bin/sh
# Builds everything and runs the whole test suite. With --sanitize, builds a second tree under
# AddressSanitizer and UndefinedBehaviorSanitizer and runs the suite there too, then the sound
# layer's tests under ThreadSanitizer (scripts/tsan.sh).
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2
if [ "$1" = "--sanitize" ]; then
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DRUZI_SANITIZE=ON
  cmake --build build-sanitize -j2
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-sanitize --output-on-failure -j2
  scripts/tsan.sh
fi

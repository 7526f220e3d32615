#!/bin/sh
# Builds the sound layer's tests under ThreadSanitizer in build-tsan/ and runs them: the playback
# thread's fill loop against the GUI thread's song commands, with the real engine rendering
# (PlaybackRaceTest), and the rest of the suite for what else runs on two threads. Any report fails.
set -e
cd "$(dirname "$0")/.."
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUZI_TSAN=ON $launcher >/dev/null
cmake --build build-tsan -j2 --target audio_tests
cd build-tsan/tests
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1"
# The race test three times over: which interleavings occur differs from run to run.
./audio_tests --gtest_brief=1 --gtest_filter='PlaybackRaceTest.*' --gtest_repeat=3
./audio_tests --gtest_brief=1 --gtest_filter='-PlaybackRaceTest.*'

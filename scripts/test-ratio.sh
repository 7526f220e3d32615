#!/bin/sh
# Prints the size of the tests against the size of the code they test, in lines: the suites in
# tests/<layer>/ against the layers' own sources (tools, benchmarks, fuzz targets and the shared
# test helpers are counted apart).
cd "$(dirname "$0")/.."
count() { cat "$@" 2>/dev/null | wc -l; }
code=$(count foundation/*.h foundation/*.cpp engine/*.h engine/*.cpp audio/*.h audio/*.cpp gui/*.h gui/*.cpp \
  app/*.h app/*.cpp cli/*.h cli/*.cpp platform/*.h platform/*.cpp platform/desktop/*.h platform/desktop/*.cpp)
tests=$(count tests/*/*Test.cpp)
helpers=$(count tests/support/*)
echo "code $code, tests $tests ($((100 * tests / code))%), shared test helpers $helpers"

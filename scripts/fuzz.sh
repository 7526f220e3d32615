#!/bin/sh
# Coverage-guided fuzzing with libFuzzer: builds every fuzz target with clang under AddressSanitizer
# and UndefinedBehaviorSanitizer in build-libfuzzer/, writes their seeds out as files, and runs each
# target for SECONDS (default 60). The corpus grows in build-libfuzzer/fuzz/corpus/<target> from run
# to run. An input that crashes, hangs or runs out of memory is copied into fuzz/regressions/<target>/
# (commit it once the fault is fixed: the replay test in CTest runs it from then on) and the target
# goes on fuzzing for the rest of its time. Ends with a line per target: executions, the edges
# covered of those instrumented, the corpus size and the inputs kept as regressions.
#   scripts/fuzz.sh [SECONDS] [TARGET...]      e.g. nice -n 10 scripts/fuzz.sh 600
set -e
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"SongLoadFuzz WavLoadFuzz TgaFuzz PackfileFuzz"}
tree=build-libfuzzer
command -v clang++ >/dev/null || { echo "fuzz.sh needs clang (apt-get install clang)" >&2; exit 1; }

launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B $tree -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUZI_LIBFUZZER=ON \
  -DRUZI_SANITIZE=ON $launcher >/dev/null
# shellcheck disable=SC2086
cmake --build $tree -j2 --target $targets fuzz_seeds >/dev/null

summary=""
for target in $targets; do
  corpus=$tree/fuzz/corpus/$target
  artifacts=$tree/fuzz/artifacts/$target
  log=$tree/fuzz/$target.log
  mkdir -p "$corpus" "$artifacts" "fuzz/regressions/$target"
  : > "$log"
  end=$(( $(date +%s) + seconds ))
  runs=0
  # A finding ends libFuzzer's run: keep the input and start again on the same corpus until time is up.
  while [ "$(date +%s)" -lt "$end" ]; do
    began=$(date +%s)
    status=0
    UBSAN_OPTIONS=print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
      "$tree/fuzz/$target" -max_total_time=$(( end - began )) -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$corpus" "$tree/fuzz/seeds/$target" >>"$log" 2>&1 || status=$?
    runs=$(( runs + $(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1) ))
    # The count is per run; reset it so a run that dies before its stats is not counted twice.
    echo "stat::number_of_executed_units: 0" >>"$log"
    # A finding among the seeds (a regression input not fixed yet) would end every run at once.
    if [ "$status" -ne 0 ] && [ $(( $(date +%s) - began )) -lt 5 ]; then
      echo "$target: fails within seconds of starting, on its seeds or corpus: see $log" >&2
      break
    fi
  done
  for found in "$artifacts"/*; do
    [ -f "$found" ] && mv "$found" "fuzz/regressions/$target/"
  done
  edges=$(sed -n 's/^INFO: Loaded [0-9]* modules *(\([0-9]*\) inline 8-bit counters).*/\1/p' "$log" | head -1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  kept=$(find "fuzz/regressions/$target" -type f | wc -l)
  summary="$summary$target: $runs executions, $coverage of $edges edges covered, $(find "$corpus" -type f | wc -l) corpus inputs, $kept regression inputs (log: $log)
"
done
printf '%s' "$summary"

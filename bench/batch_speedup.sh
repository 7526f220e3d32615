#!/bin/sh
# Wall time of a batch of two songs rendered one at a time (-j 1) and side by side (-j 2):
#   bench/batch_speedup.sh [RUZI_RENDER] [BARS] [RUNS]
# Both songs are the bundled song, rendered from bar 0 to BARS; the best of RUNS runs counts, as the
# one least disturbed by other work on the machine.
set -e
render=${1:-build/bin/ruzi-render}
bars=${2:-200}
runs=${3:-3}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
songs="$(dirname "$render")/data/newsong.vdl"
cp "$songs" "$dir/one.vdl"
cp "$songs" "$dir/two.vdl"

best() { # jobs
  b=""
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$render" "$dir/one.vdl" "$dir/two.vdl" --start 0 --end "$bars" --quiet -j "$1" -o "$dir/out/"
    t=$(echo "$(date +%s.%N) - $start" | bc)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  echo "$b"
}

one=$(best 1)
two=$(best 2)
printf -- "-j 1: %.2f s   -j 2: %.2f s   speed-up %.2f x   (two songs of %s bars, best of %s)\n" \
  "$one" "$two" "$(echo "$one / $two" | bc -l)" "$bars" "$runs"

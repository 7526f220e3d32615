#!/usr/bin/env bash
# The window program as it runs, on a private X server with SDL's dummy sound driver: its CPU over
# SECONDS (10) each stopped and playing the bundled song at zoom 1 and zoom 4, the GUI thread's
# longest engine-lock hold while playing, and the time from start to the first presented frames.
#
#   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUZI_BENCH=ON
#   cmake --build build-bench --target ruzi-zevivuvo program_probe
#   bench/program_cpu.sh build-bench [SECONDS]
#
# Needs Xvfb, xdotool and nm. The probe (bench/ProgramProbe.cpp) is preloaded into the unchanged
# program; its lines start with "probe:". RUZI_NO_PROBE=1 measures the CPU without it.
set -euo pipefail

build=${1:-build}
seconds=${2:-10}
program=$(realpath "$build/bin/ruzi-zevivuvo")
probe=$(realpath "$build/bin/libprogram_probe.so")
title="VandrelStudio 1.1 Ruzi Zevivuvo"
for tool in Xvfb xdotool nm; do
    command -v $tool >/dev/null || { echo "needs $tool" >&2; exit 2; }
done
[[ -x $program && -f $probe ]] || { echo "build ruzi-zevivuvo and program_probe in $build first" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid=
program_pid=
finish() {
    [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT

# Zoom 4 is 960 x 1280: the screen must hold it.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1600x1400x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.05; done
[[ -s $work/display ]] || { echo "Xvfb did not start" >&2; exit 2; }
export DISPLAY=:$(head -n1 "$work/display")

# Where the engine core (and its lock) sits in the executable.
read -r core_offset core_size < <(nm -C -S "$program" | awk 'NF == 4 && $4 == "NVandrelCore::instance()::core" {print $1, $2}')
[[ -n ${core_offset:-} ]] || { echo "no engine core symbol in $program (stripped?)" >&2; exit 2; }

ticks=$(getconf CLK_TCK)
cpu_ticks() { # utime + stime of the program
    local stat
    stat=$(<"/proc/$program_pid/stat")
    stat=${stat##*) }
    read -r -a f <<<"$stat"
    echo $((f[11] + f[12]))
}
measure() { # label: CPU over $seconds, in percent of one core
    local before after start end
    before=$(cpu_ticks)
    start=$(date +%s%N)
    sleep "$seconds"
    after=$(cpu_ticks)
    end=$(date +%s%N)
    awk -v l="$1" -v t=$((after - before)) -v hz="$ticks" -v ns=$((end - start)) \
        'BEGIN { printf "%-22s %5.2f %% of a core (%d ticks in %.1f s)\n", l, 100 * t / hz / (ns / 1e9), t, ns / 1e9 }'
}
phase() { # asks the probe for the figures since the last phase
    [[ -n $preload ]] || return 0
    kill -USR1 "$program_pid"
    sleep 0.2
}
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }
# Whether the window's picture changes within a second: the play cursor moving.
moving() {
    local a b
    a=$(xwd -silent -id "$window" | md5sum)
    sleep 1
    b=$(xwd -silent -id "$window" | md5sum)
    [[ $a != "$b" ]] && echo "the window changes within a second (playing)" || echo "the window stands still (stopped)"
}

preload=$probe
[[ -n ${RUZI_NO_PROBE:-} ]] && preload=
cd "$work"
t0=$(date +%s%N)
SDL_VIDEODRIVER=x11 SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy RUZI_MESSAGES_TO_STDERR=1 RUZI_ZOOM=1 \
    RUZI_PROBE_T0=$t0 RUZI_PROBE_CORE=$core_offset:$core_size LD_PRELOAD=$preload \
    "$program" >stdout.txt 2>stderr.txt &
program_pid=$!
window=$(timeout 10 xdotool search --sync --name "$title" | head -n1)
window_ns=$(date +%s%N)
# SDL centres the small window; grown four times from there it would reach past the screen's edge,
# where the X server keeps no picture and takes no clicks.
xdotool windowmove --sync "$window" 0 0
cd - >/dev/null

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $(uname -sr)"
echo "window found by xdotool after $(((window_ns - t0) / 1000000)) ms"
sleep 1
moving
phase
measure "stopped, zoom 1"
phase
click 8 312 # Play
moving
phase
measure "playing, zoom 1"
phase
xdotool windowfocus --sync "$window" key ctrl+4
sleep 0.5
echo "window at zoom 4: $(xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}')"
moving
phase
measure "playing, zoom 4"
phase
click $((28 * 4)) $((312 * 4)) # Stop
moving
phase
measure "stopped, zoom 4"
click $((175 * 4)) $((104 * 4)) # Exit DavEdirorar
for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.05; done
wait "$program_pid" && status=0 || status=$?
program_pid=
echo "program ended with status $status"
echo "presents: 1 the window cleared when it opens, 2 the cleared frame while the song loads, 3 the first frame of the screen"
echo "reports 0 start-up, 1 stopped z1, 3 playing z1, 5 playing z4, 7 stopped z4 (even: the settling between):"
grep '^probe:' "$work/stderr.txt" || true
grep -v '^probe:' "$work/stderr.txt" | sed 's/^/stderr: /' || true

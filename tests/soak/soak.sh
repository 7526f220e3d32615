#!/usr/bin/env bash
# The window program driven at random for SECONDS (default 30) on a private X server with SDL's
# dummy sound driver: clicks anywhere but on Exit, keys, songs loaded and loops exported through the
# file choosers with typed paths (good songs, cut ones, files that are no songs, missing names,
# cancelled dialogs). It fails on an end with a status other than 0 (one with 0 is told with the
# actions before it, and the program started again), a program that stops answering, a dialog open
# 20 s, a sanitizer report, and, after two minutes outside AddressSanitizer (whose quarantine keeps
# freed memory), a resident size at the end 10% above the one after the first minute. It reports the
# playback ring's underruns, counted by tests/soak/SoakProbe.cpp preloaded into the program.
#
#   tests/soak/soak.sh BUILD [SECONDS]        e.g. nice -n 10 tests/soak/soak.sh build 600
#
# RUZI_SOAK_SEED repeats a run's choices (printed at the start); timing still differs.
set -euo pipefail

build=$(realpath "${1:?usage: soak.sh BUILD [SECONDS]}")
seconds=${2:-30}
program=$build/bin/ruzi-zevivuvo
probe=$build/tests/libsoak_probe.so
seed=${RUZI_SOAK_SEED:-$(( $(date +%s) % 32768 ))}
keep=${TMPDIR:-/tmp} # where a failure leaves what the screen showed
say() { echo "soak: $*"; }
give_up() { say "$*" >&2; exit 2; }
for tool in Xvfb xdotool nm; do command -v $tool >/dev/null || give_up "needs $tool"; done
[[ -x $program && -f $probe ]] || give_up "build ruzi-zevivuvo and soak_probe in $build first"

work=$(mktemp -d)
xvfb_pid='' program_pid=''
finish() {
    [[ -z $program_pid ]] || kill -KILL "$program_pid" 2>/dev/null || true
    [[ -z $xvfb_pid ]] || kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT
failures=0
fail() { say "FAILED: $*"; failures=$((failures + 1)); }
quietly() { "$@" 2>/dev/null || true; } # xdotool on a window that just went is no fault

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 200); do [[ -s $work/display ]] && break; sleep 0.05; done
[[ -s $work/display ]] || give_up "Xvfb did not start"
DISPLAY=:$(head -n1 "$work/display")
# GTK's settings, recent files and caches stay in the run's folder; no session or accessibility bus.
export DISPLAY XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

# What the Open dialog is given: the bundled song, the same cut short and with bytes flipped, an
# empty WAV and noise named as songs, and a name that does not exist.
mkdir -p "$work/in" "$work/out"
cp "$build/bin/data/newsong.vdl" "$work/in/good.vdl"
size=$(stat -c %s "$work/in/good.vdl")
head -c $((size / 3)) "$work/in/good.vdl" >"$work/in/cut.vdl"
cp "$work/in/good.vdl" "$work/in/flipped.vdl"
RANDOM=$seed
for _ in $(seq 40); do
    # shellcheck disable=SC2059
    printf "\\$(printf '%03o' $((RANDOM % 256)))" |
        dd of="$work/in/flipped.vdl" bs=1 seek=$(((RANDOM * 32768 + RANDOM) % size)) conv=notrunc status=none
done
{ printf 'RIFF\044\0\0\0WAVEfmt \020\0\0\0\001\0\001\0\104\254\0\0\210\130\001\0\002\0\020\0'
  printf 'data\0\0\0\0'; } >"$work/in/sample.vdl"
head -c 4000 /dev/urandom >"$work/in/noise.vdl"
songs=(good.vdl good.vdl cut.vdl flipped.vdl sample.vdl noise.vdl missing.vdl)

read -r core_offset core_size < <(nm -C -S "$program" | awk 'NF == 4 && $4 == "NVandrelCore::instance()::core" {print $1, $2}')
[[ -n ${core_offset:-} ]] || give_up "no engine core symbol in $program (stripped?)"

status_file=$work/status
underruns=0 callbacks=0 segments=0 # of the program's earlier runs
starts=0 exits=0 clicks=0 keys=0 loads=0 exports=0 cancels=0
# Starts the program (again), with the probe preloaded ahead of the sanitizers' runtime.
start_program() {
    (cd "$work/out" && SDL_VIDEODRIVER=x11 SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy \
        RUZI_MESSAGES_TO_STDERR=1 RUZI_ZOOM=1 RUZI_SOAK_STATUS=$status_file \
        RUZI_SOAK_CORE=$core_offset:$core_size ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 LD_PRELOAD=$probe \
        exec "$program" >>"$work/stdout.txt" 2>>"$work/stderr.txt") &
    program_pid=$!
    rm -f "$status_file"
    window=$(timeout 60 xdotool search --sync --name '^VandrelStudio 1.1 Ruzi Zevivuvo$' | head -n1 || true)
    [[ -n $window ]] || { cat "$work/stderr.txt"; say "the window did not appear" >&2; exit 1; }
    xdotool windowmove --sync "$window" 0 0
    instance_start=$(date +%s) rss_first='' starts=$((starts + 1))
}
status_value() { awk -v k="$1" '$1 == k {print $2}' "$status_file" 2>/dev/null || echo 0; }
# After the program has ended: its status, and its probe's last counts join the totals.
ended() {
    wait "$program_pid" && code=0 || code=$?
    program_pid=''
    underruns=$((underruns + $(status_value underruns))) callbacks=$((callbacks + $(status_value callbacks)))
    segments=$((segments + $(status_value segments)))
}
alive() { kill -0 "$program_pid" 2>/dev/null; }
rss() { awk '/^VmRSS/ {print $2}' "/proc/$program_pid/status" 2>/dev/null || echo 0; }
open_dialog() { xdotool search --onlyvisible --name '^(Open File|Save File)$' 2>/dev/null | head -n1 || true; }
act() { echo "$(($(date +%s) - start)) s: $*" >>"$work/actions"; } # told when the program ends unasked
pick() { local -a all=("$@"); echo "${all[RANDOM % ${#all[@]}]}"; }
click() { act "click $1 $2"; quietly xdotool mousemove --window "$window" "$1" "$2" click 1; }
# The focused dialog: KEY, then TEXT typed and Return. Three runs: "type" takes every word after it.
typed() {
    act "typed $2"
    quietly xdotool key "$1" sleep 0.3 && quietly xdotool type --delay 20 "$2" && quietly xdotool sleep 0.3 key Return
}
# Whatever dialog is open gets a typed path, a name, or Escape; it must be gone within 20 s.
drive_dialog() {
    local dialog=$1 name
    name=$(xdotool getwindowname "$dialog" 2>/dev/null || true)
    act "dialog $name"
    # The dialog takes keys only once GTK has finished showing it.
    quietly xdotool windowfocus --sync "$dialog" sleep 1
    if ((RANDOM % 6 == 0)); then
        quietly xdotool key Escape && cancels=$((cancels + 1))
    elif [[ $name == "Open File" ]]; then
        typed ctrl+l "$work/in/$(pick "${songs[@]}")" && loads=$((loads + 1))
    else
        typed ctrl+a "$(pick take1 take2.wav TAKE3.WAV "$work/out/abs.wav")" && exports=$((exports + 1))
    fi
    # A name the dialog will not take leaves it open: Escape, as a user would, every 3 s to whatever
    # dialog shows then (keys sent before a window can take the focus are lost).
    for wait in $(seq 200); do
        dialog=$(open_dialog)
        [[ -n $dialog ]] || return 0
        ((wait % 30)) || quietly xdotool windowfocus --sync "$dialog" sleep 0.3 key Escape
        sleep 0.1
    done
    xwd -root -silent -out "$keep/soak-$seed-dialog.xwd" && say "the screen: $keep/soak-$seed-dialog.xwd"
    backtraces
    # A dialog whose loop still turns for the pointer did not take the keys sent to it: that is the
    # X server's input, not a hung program. Started again, as a user would.
    if answers "$dialog"; then
        say "the \"$name\" dialog took no keys for 20 s, though its loop turned: started again"
        kill -KILL "$program_pid"
        ended 2>/dev/null # not "Killed"
        start_program
        return 0
    fi
    fail "the \"$name\" dialog stayed open 20 s after its keys, and its loop stood still"
    return 1
}
# Where a stuck program's threads are, and what led there.
backtraces() {
    tail -n 8 "$work/actions" | sed 's/^/soak:   /'
    say "the keyboard focus: $(xdotool getwindowfocus getwindowname 2>&1 | tr '\n' ' ')"
    command -v gdb >/dev/null || return 0
    gdb -batch -ex "thread apply all bt" -p "$program_pid" 2>&1 | grep -E '^(Thread|#)' | head -n 80
}
# The GUI thread must wait for input again after a pointer moved over WINDOW (the program's, or
# its dialog's).
answers() {
    local before
    before=$(status_value turns)
    for n in $(seq 10); do
        quietly xdotool mousemove --window "${1:-$window}" $((100 + n)) 5
        sleep 0.5
        [[ $(status_value turns) != "$before" ]] && return 0
    done
    return 1
}

start=$(date +%s)
end=$((start + seconds)) next_check=$((start + 5))
start_program
say "seed $seed, $seconds s, pid $program_pid"
while (($(date +%s) < end)); do
    if ! alive; then
        # Ended as after Exit: told, counted and started again; any other end is a crash.
        ended
        say "the program ended with status $code after $(($(date +%s) - instance_start)) s; the last actions:"
        tail -n 6 "$work/actions" | sed 's/^/soak:   /'
        ((code == 0)) || { fail "the program ended with status $code"; break; }
        exits=$((exits + 1))
        start_program
        continue
    fi
    dialog=$(open_dialog)
    if [[ -n $dialog ]]; then
        drive_dialog "$dialog" || break
        continue
    fi
    roll=$((RANDOM % 100))
    if ((roll < 65)); then # a point of the 240 x 320 screen outside the Exit button (125..225, 94..114)
        while x=$((RANDOM % 240)) y=$((RANDOM % 320)); ((x >= 120 && x <= 230 && y >= 90 && y <= 118)); do :; done
        click "$x" "$y" && clicks=$((clicks + 1))
    elif ((roll < 92)); then
        key=$(pick Return space Home End Left Right Up Down Prior Next BackSpace Escape a z 1 Tab ctrl+1)
        act "key $key"
        quietly xdotool windowfocus --sync "$window" key "$key" && keys=$((keys + 1))
    elif ((roll < 96)); then
        click 115 57 # Load Song...
    else
        click 62 104 # Export Loop to WAV...
    fi
    sleep "0.0$((RANDOM % 10))"
    now=$(date +%s)
    # Every 5 s. A program that does not answer gets Escape first (which aborts a long export).
    if ((now >= next_check)) && [[ -z $(open_dialog) ]] && alive && ! answers &&
        ! { quietly xdotool windowfocus --sync "$window" key Escape; answers; }; then
        fail "the program did not answer for 10 s, nor after Escape"
        backtraces
        break
    fi
    ((now < next_check)) || next_check=$((now + 5))
    [[ -z ${RUZI_SOAK_VERBOSE:-} ]] || say "$((now - start)) s: $(tr '\n' ' ' <"$status_file" 2>/dev/null) resident $(rss) kB"
    [[ -n $rss_first ]] || ((now - instance_start < 60)) || rss_first=$(rss)
done

rss_last=0
if [[ -n $program_pid ]]; then
    rss_last=$(rss)
    dialog=$(open_dialog)
    [[ -z $dialog ]] || quietly xdotool windowfocus --sync "$dialog" key Escape sleep 0.5 key Escape
    sleep 1
    # An export still running takes no click: Escape aborts it first, as a user would.
    quietly xdotool windowfocus --sync "$window" key Escape sleep 1
    click 175 104 # Exit
    for _ in $(seq 300); do alive || break; sleep 0.1; done
    if alive; then
        fail "the program did not end within 30 s of Exit"
    else
        ended
        ((code == 0)) || fail "the program ended with status $code after Exit"
    fi
fi

say "$clicks clicks, $keys keys, $loads songs chosen, $exports exports named, $cancels dialogs cancelled;" \
    "$(find "$work" -iname '*.wav' | wc -l) WAV files written; started $starts times ($exits unasked ends with status 0)"
say "playback ring: $underruns underruns in $callbacks sound callbacks, $segments segments rendered" \
    "by the playback thread; resident after 1 min ${rss_first:-?} kB, at the end $rss_last kB"
# AddressSanitizer keeps freed memory in quarantine: its resident size says nothing about leaks.
if [[ -n $rss_first ]] && (($(nm "$program" | grep -c __asan_init) == 0 &&
    $(date +%s) - instance_start >= 120 && rss_last * 10 > rss_first * 11)); then
    fail "the resident size grew by more than 10% after the first minute"
fi
reports='AddressSanitizer|LeakSanitizer|runtime error:|ThreadSanitizer'
if grep -qE "$reports" "$work/stderr.txt"; then
    grep -E -A30 "$reports" "$work/stderr.txt" | head -60 || true
    fail "a sanitizer report"
fi
((failures == 0)) || { say "the program's stderr (last 40 lines):"; tail -n 40 "$work/stderr.txt"; exit 1; }
say passed

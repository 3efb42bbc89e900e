#!/usr/bin/env bash
# The application's own CPU use while it plays: a 30 s stereo noise file
# through the spectral delay at its default frame size with eight active bars,
# the window open (editor refresh and sonogram included), on a running JACK
# server. Reports user+system CPU seconds per second of playing, from
# /proc/<pid>/task/*/stat, per thread: the window's side (the message thread
# and JUCE's timer thread, which wakes it for every timer) against the audio
# work (the JACK client's threads, which run the callback, and the file
# reader), the other threads by name, and the load average of the machine.
# In the same run, a bare JUCE window of the application's size (no timer or
# painting of its own) is measured the same way: its figure is the floor that
# JUCE's window machinery costs by itself on this display, next to which the
# application's own share of the window's cost shows.
# A JACK client of the script's own listens to the application's output over
# the measured span: a run whose output is silent in any 100 ms window (or
# that did not play at all) fails.
#   xvfb-run -a -s "-screen 0 1600x1200x24" bench/standalone/selvo-cpu.sh [build dir] [seconds] [runs]
# Needs a display, a JACK server (scripts/jack-dummy.sh start) and xdotool.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
seconds=${2:-10}
runs=${3:-3}
app="$build/apps/standalone/Vokt Selvo"
prepare="$build/bench/standalone/vokt_selvo_cpu_home"
listen="$build/bench/standalone/vokt_selvo_cpu_listen"
bare="$build/bench/standalone/vokt_bare_window"
[ -x "$app" ] && [ -x "$prepare" ] && [ -x "$listen" ] && [ -x "$bare" ] \
    || { echo "build $build first (targets vokt_selvo_app vokt_selvo_cpu_home vokt_selvo_cpu_listen vokt_bare_window)" >&2; exit 2; }
jack_lsp >/dev/null 2>&1 || { echo "no JACK server answers" >&2; exit 2; }
tick=$(getconf CLK_TCK)

# Per-thread "tid name ticks" of process $1 (utime + stime).
threads() {
    for stat in /proc/"$1"/task/*/stat; do
        # The name is in parentheses and may hold spaces.
        line=$(cat "$stat" 2>/dev/null) || continue
        tid=${line%% *}
        name=${line#*(}; name=${name%)*}
        rest=${line##*) }
        set -- $rest
        echo "$tid ${name// /_} $(( ${12} + ${13} ))"
    done
}

# A span of $seconds from now, for process $1: its per-thread ticks before
# and after and the span's start and end times, in ${2}_before, ${2}_after,
# ${2}_start and ${2}_end.
span() {
    printf -v "${2}_before" '%s' "$(threads "$1")"
    printf -v "${2}_start" '%s' "$(date +%s.%N)"
    sleep "$seconds"
    printf -v "${2}_after" '%s' "$(threads "$1")"
    printf -v "${2}_end" '%s' "$(date +%s.%N)"
}

# The audio output ports of the server, one a line.
outputs() {
    jack_lsp -p 2>/dev/null | awk '/^[^ \t]/ { port = $0; next } /properties:.*output/ { print port }' | sort
}

failed=0
for run in $(seq 1 "$runs"); do
    home=$(mktemp -d)
    "$prepare" "$home" >/dev/null
    known=$(outputs)
    HOME="$home" "$app" >"$home/app.log" 2>&1 &
    pid=$!
    window=
    for _ in $(seq 1 600); do
        window=$(xdotool search --onlyvisible --pid "$pid" --name "^Vokt Selvo : noise.wav" 2>/dev/null | head -n 1) || true
        [ -n "$window" ] && break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        echo "the window did not show; see $home/app.log" >&2
        kill "$pid"; exit 1
    fi
    # The application's output ports: those that came with it (one client).
    ports=$(comm -13 <(echo "$known") <(outputs))
    if [ -z "$ports" ] || [ "$(echo "$ports" | cut -d: -f1 | sort -u | wc -l)" -ne 1 ]; then
        echo "cannot tell the application's JACK ports among: $ports" >&2
        kill "$pid"; exit 1
    fi
    # Play with the space key; the window may still be replaced while the
    # application starts on a loaded machine, so it is looked up again.
    pressed=
    for _ in $(seq 1 10); do
        sleep 0.5
        window=$(xdotool search --onlyvisible --pid "$pid" --name "^Vokt Selvo : noise.wav" 2>/dev/null | head -n 1) || true
        [ -n "$window" ] && xdotool key --window "$window" space 2>/dev/null && { pressed=1; break; }
    done
    if [ -z "$pressed" ]; then
        echo "could not press play; see $home/app.log" >&2
        kill "$pid"; exit 1
    fi
    sleep 2 # the playing settles (reader ring filled, sonogram running)
    # The listener runs from a little before the span to a little after.
    # shellcheck disable=SC2086
    "$listen" "$(echo "$seconds + 0.6" | bc)" $ports >"$home/listen.txt" 2>&1 &
    listener=$!
    sleep 0.3
    span "$pid" app
    heard=0
    wait "$listener" || heard=$?
    heard_text=$(cat "$home/listen.txt")
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    rm -rf "$home"

    # The bare window of the same size, settled and measured as long.
    "$bare" "$WIDTH" "$HEIGHT" >/dev/null 2>&1 &
    barepid=$!
    for _ in $(seq 1 600); do
        xdotool search --onlyvisible --pid "$barepid" --name "^Vokt Bare Window" >/dev/null 2>&1 && break
        sleep 0.1
    done
    sleep 2.3
    span "$barepid" bare
    kill "$barepid"
    wait "$barepid" 2>/dev/null || true
    floor=$(awk -v tick="$tick" -v start="$bare_start" -v end="$bare_end" '
        FNR == NR { t0[$1] = $3; next }
        { d = ($3 - (($1 in t0) ? t0[$1] : 0)) / tick / (end - start); total += d; if ($2 == "JUCE_Timer") timer += d }
        END { printf "%.3f %.3f %.3f", total, total - timer, timer }' <(echo "$bare_before") <(echo "$bare_after"))

    awk -v pid="$pid" -v tick="$tick" -v start="$app_start" -v end="$app_end" -v load="$load" -v run="$run" -v floor="$floor" \
        -v size="${WIDTH}x$HEIGHT" '
        FNR == NR { t0[$1] = $3; if ($1 == pid) self = $2; next }
        {
            d = ($3 - (($1 in t0) ? t0[$1] : 0)) / tick / (end - start)
            if ($1 == pid) message += d
            else if ($2 == "JUCE_Timer") timer += d
            else if ($2 == self) jack += d
            else if ($2 == "theThread") reader += d
            else other = other sprintf (" %s:%.3f", $2, d)
        }
        END {
            window = message + timer; audio = jack + reader
            printf "run %d: window %.3f s/s (message thread %.3f, timer thread %.3f); audio work %.3f s/s (JACK client threads %.3f, file reader %.3f); window/audio %.2f; other threads%s; load %s\n",
                   run, window, message, timer, audio, jack, reader, (audio > 0 ? window / audio : 0), other, load
            split (floor, f, " ")
            printf "run %d: bare window %s %.3f s/s (message thread %.3f, timer thread %.3f); window above it %.3f s/s; floor/audio %.2f\n",
                   run, size, f[1], f[2], f[3], window - f[1], (audio > 0 ? f[1] / audio : 0)
        }' <(echo "$app_before") <(echo "$app_after")
    echo "run $run: $heard_text"
    [ "$heard" -eq 0 ] || failed=1
done
exit "$failed"

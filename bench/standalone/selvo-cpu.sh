#!/usr/bin/env bash
# The application's own CPU use while it plays: a 30 s stereo noise file
# through the spectral delay at its default frame size with eight active bars,
# the window open (editor refresh and sonogram included), on a running JACK
# server. Reports user+system CPU seconds per second of playing, from
# /proc/<pid>/task/*/stat, for the message thread (the window's share) and
# for every other thread (the audio work: the JACK callback and the file
# reader), with the load average of the machine.
#   xvfb-run -a -s "-screen 0 1600x1200x24" bench/standalone/selvo-cpu.sh [build dir] [seconds] [runs]
# Needs a display, a JACK server (scripts/jack-dummy.sh start) and xdotool.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
seconds=${2:-10}
runs=${3:-3}
app="$build/apps/standalone/Vokt Selvo"
prepare="$build/bench/standalone/vokt_selvo_cpu_home"
[ -x "$app" ] && [ -x "$prepare" ] || { echo "build $build first (targets vokt_selvo_app vokt_selvo_cpu_home)" >&2; exit 2; }
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

for run in $(seq 1 "$runs"); do
    home=$(mktemp -d)
    "$prepare" "$home" >/dev/null
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
    xdotool key --window "$window" space
    sleep 2 # the playing settles (reader ring filled, sonogram running)
    before=$(threads "$pid")
    start=$(date +%s.%N)
    sleep "$seconds"
    after=$(threads "$pid")
    end=$(date +%s.%N)
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    rm -rf "$home"

    awk -v pid="$pid" -v tick="$tick" -v start="$start" -v end="$end" -v load="$load" -v run="$run" '
        FNR == NR { t0[$1] = $3; next }
        {
            d = ($3 - (($1 in t0) ? t0[$1] : 0)) / tick / (end - start)
            if ($1 == pid) window += d; else { audio += d; if (d > 0.005) detail = detail sprintf(" %s:%.3f", $2, d) }
        }
        END {
            printf "run %d: window (message thread) %.3f s/s, audio work (other threads) %.3f s/s, window/audio %.2f; load %s;%s\n",
                   run, window, audio, (audio > 0 ? window / audio : 0), load, detail
        }' <(echo "$before") <(echo "$after")
done

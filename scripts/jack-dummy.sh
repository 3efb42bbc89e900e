#!/usr/bin/env bash
# Starts or stops a JACK server with the dummy back end for the audio-device
# tests. "start" returns once the server answers (or fails after 15 s);
# "stop" ends the server this script started.
set -u
pidfile=${VOKT_JACK_PIDFILE:-/tmp/vokt-jack-dummy.pid}

case "${1:-}" in
start)
    if jack_lsp >/dev/null 2>&1; then
        echo "a JACK server is already running"
        exit 0
    fi
    JACK_NO_AUDIO_RESERVATION=1 jackd --no-realtime -d dummy -r 48000 -p 512 >/tmp/vokt-jack-dummy.log 2>&1 &
    echo $! >"$pidfile"
    for _ in $(seq 1 150); do
        if jack_lsp >/dev/null 2>&1; then
            echo "JACK dummy server running (pid $(cat "$pidfile"))"
            exit 0
        fi
        sleep 0.1
    done
    # The device tests skip themselves when they find no server.
    echo "JACK dummy server did not start; see /tmp/vokt-jack-dummy.log"
    exit 0
    ;;
stop)
    if [ -f "$pidfile" ]; then
        kill "$(cat "$pidfile")" 2>/dev/null || true
        rm -f "$pidfile"
    fi
    exit 0
    ;;
*)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac

#!/usr/bin/env bash
# Installs what is needed, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test under a virtual X display;
# then builds every test again with ThreadSanitizer and runs them all there.
# Races inside JUCE itself are suppressed by tests/tsan.supp (nothing of
# ours is). Set VOKT_SKIP_TSAN=1 to leave out the second pass.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
# Most tests spend their time waiting (message loops, timers, the display,
# the audio server) rather than computing: twice as many tests as cores
# keep the cores busy.
test_jobs=$((2 * jobs))
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp}

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOKT_SANITIZE=address
cmake --build "$build" -j "$jobs"
xvfb-run -a -s "-screen 0 1600x1200x24" \
    ctest --test-dir "$build" --output-on-failure -j "$test_jobs"

if [ "${VOKT_SKIP_TSAN:-0}" != "1" ]; then
    tsan=build/tsan
    # The benchmarks are left out here: the first pass compiles them.
    cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOKT_SANITIZE=thread -DVOKT_BUILD_BENCH=OFF
    cmake --build "$tsan" -j "$jobs"
    xvfb-run -a -s "-screen 0 1600x1200x24" \
        ctest --test-dir "$tsan" --output-on-failure -j "$test_jobs"
fi

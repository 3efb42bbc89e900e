#!/usr/bin/env bash
# Installs what is needed, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test under a virtual X display;
# then builds the threading tests with ThreadSanitizer and runs them again.
# Set VOKT_SKIP_TSAN=1 to leave out the second pass.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOKT_SANITIZE=address
cmake --build "$build" -j "$jobs"
xvfb-run -a -s "-screen 0 1600x1200x24" \
    ctest --test-dir "$build" --output-on-failure -j "$jobs"

if [ "${VOKT_SKIP_TSAN:-0}" != "1" ]; then
    tsan=build/tsan
    cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOKT_SANITIZE=thread -DVOKT_BUILD_BENCH=OFF
    # Only the threading suites (named *_thread_tests) are built here.
    targets=$(ninja -C "$tsan" -t targets all | sed -n 's/^\(vokt_[a-z_]*_thread_tests\): .*/\1/p' | sort -u)
    cmake --build "$tsan" -j "$jobs" --target $targets
    xvfb-run -a -s "-screen 0 1600x1200x24" \
        ctest --test-dir "$tsan" --output-on-failure -j "$jobs" -L threads
fi

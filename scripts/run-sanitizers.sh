#!/usr/bin/env bash
# The unit tests and the editor's open/close check in real windows under AddressSanitizer and
# UndefinedBehaviorSanitizer (./build-asan, which also holds the fuzz targets), and the threading
# test under ThreadSanitizer (./build-tsan). Each build compiles JUCE again with its sanitizer, a
# few minutes on two cores.
# usage: scripts/run-sanitizers.sh [address|thread|all]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
which="${1:-all}"

"$root/scripts/install-dependencies.sh"

if [ "$which" = address ] || [ "$which" = all ]; then
    "$root/scripts/build-asan.sh" tollovane_tests tollovane-render
    # The host tests load the plug-in into other programs, and the long render takes an hour.
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir "$root/build-asan" --output-on-failure --parallel "$(nproc)" -LE "hosts|long|gui"
    "$root/scripts/run-sanitizer-editor-check.sh"
fi

if [ "$which" = thread ] || [ "$which" = all ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTOLLOVANE_BUILD_BENCHMARKS=OFF -DTOLLOVANE_SANITIZE=thread > /dev/null
    cmake --build "$root/build-tsan" --parallel "$(nproc)" --target tollovane_tests
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan-suppressions.txt" \
        "$root/build-tsan/tests/tollovane_tests" --gtest_filter='Threading.*'
fi

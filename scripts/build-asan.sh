#!/usr/bin/env bash
# Configures ./build-asan (clang; AddressSanitizer and UndefinedBehaviorSanitizer over everything,
# JUCE included; the fuzz targets) and builds the given targets in it. The sanitizer scripts and
# the fuzzers share this one build, so JUCE is compiled with the sanitizers only once.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$root/build-asan"

CC=clang CXX=clang++ cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOLLOVANE_BUILD_BENCHMARKS=OFF -DTOLLOVANE_SANITIZE=address,undefined -DTOLLOVANE_BUILD_FUZZERS=ON \
    > /dev/null
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --build "$build_dir" --parallel "$(nproc)" "${targets[@]}"

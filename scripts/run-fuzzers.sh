#!/usr/bin/env bash
# Builds the fuzz targets with clang under AddressSanitizer and UndefinedBehaviorSanitizer in
# ./build-asan (the same build scripts/run-sanitizers.sh uses) and runs each for the given number
# of seconds (default 60) on its seed corpus. New inputs go to build-asan/corpus/<target>; a crash
# stops with its input saved as build-asan/crash-<target>-*, to be added to
# fuzz/regressions/<target>/ (the unit tests replay that folder).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
build_dir="$root/build-asan"

"$root/scripts/install-dependencies.sh"
"$root/scripts/build-asan.sh" fuzz_state fuzz_preset_file fuzz_resources

for target in fuzz_state fuzz_preset_file fuzz_resources; do
    corpus="$build_dir/corpus/$target"
    mkdir -p "$corpus"
    regressions=()
    [ -d "$root/fuzz/regressions/$target" ] && regressions=("$root/fuzz/regressions/$target")
    echo "== $target for $seconds s"
    "$build_dir/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=4096 \
        -artifact_prefix="$build_dir/crash-$target-" -print_final_stats=1 \
        "$corpus" "$root/fuzz/corpus/$target" "${regressions[@]}"
done

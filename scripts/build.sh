#!/usr/bin/env bash
# Configures and builds Tollovane in ./build (Release). Extra arguments go to the build step,
# for example a target name: scripts/build.sh --target tollovane-render
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${TOLLOVANE_BUILD_DIR:-$root/build}"

generator=()
if [ ! -f "$build_dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then
    generator=(-G Ninja)
fi

cmake -S "$root" -B "$build_dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build_dir" --parallel "$(nproc)" "$@"

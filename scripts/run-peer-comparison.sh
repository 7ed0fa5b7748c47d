#!/usr/bin/env bash
# Times Tollovane's LV2 bundle next to LSP Compressor Stereo followed by x42 dpl (true peak on) in
# the same offline host and the same run, on a real drum loop and a music piece, prints the ratio
# table, then on the same material the in-process whole chain, its block-time spread, the largest
# difference from the plain engine kept in tests/reference, and the memory per instance.
# Extra arguments go to bench/compare_peers.py (--rounds N, --loops N).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${TOLLOVANE_BUILD_DIR:-$root/build}"

"$root/scripts/install-dependencies.sh"
"$root/scripts/build.sh" --target Tollovane_LV2 tollovane_bench tollovane_equivalence tollovane_memory
/usr/bin/python3 "$root/bench/compare_peers.py" --build-dir "$build_dir" "$@"

#!/usr/bin/env bash
# Command one: installs what is needed, builds the renderer and renders the built-in demo.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${TOLLOVANE_BUILD_DIR:-$root/build}"

"$root/scripts/install-dependencies.sh"
"$root/scripts/build.sh" --target tollovane-render
"$build_dir/tools/render/tollovane-render" -o "$build_dir/tollovane-demo.wav" "$@"

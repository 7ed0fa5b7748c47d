#!/usr/bin/env bash
# Runs a command with an X display: a virtual one from Xvfb when available, else the current one.
# Exits with 77 (CTest's "skipped") when there is neither.
set -euo pipefail
if command -v xvfb-run >/dev/null; then
    exec xvfb-run -a -s "-screen 0 1600x900x24 -nolisten tcp" "$@"
elif [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
echo "no X display and no Xvfb: skipped" >&2
exit 77

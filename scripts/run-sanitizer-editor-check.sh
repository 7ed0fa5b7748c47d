#!/usr/bin/env bash
# Builds the editor open/close check with AddressSanitizer and UndefinedBehaviorSanitizer in
# ./build-asan and runs it in a real window under Xvfb. Any leak, memory error or
# undefined behaviour fails it. Exits with 77 (CTest's "skipped") where no X display can be had.
# Usage: scripts/run-sanitizer-editor-check.sh [--cycles N]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$root/build-asan"

if ! command -v xvfb-run >/dev/null && [ -z "${DISPLAY:-}" ]; then
    echo "no X display and no Xvfb: skipped" >&2
    exit 77
fi

"$root/scripts/build-asan.sh" tollovane-editor-cycle

# The check saves and deletes a preset: give it a home of its own.
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT

export HOME="$home"
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/tests/gui/leak-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"$root/scripts/run-with-xvfb.sh" "$build_dir/tests/gui/tollovane-editor-cycle" "$@"

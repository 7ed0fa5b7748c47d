#!/usr/bin/env bash
# Shows the editor in real X windows on a virtual screen (Xvfb) and photographs it:
#   standalone.png         the standalone application as it opens
#   editor-playing-1.png   the editor while the built-in demo plays through "Drum Bus Para"
#   editor-playing-2.png   the same half a second later: the meters have moved
#   editor-about.png       the same after a click on the gear button
# Usage: scripts/screenshot-editor.sh [OUTPUT_FOLDER]   (default: build/screenshots)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${TOLLOVANE_BUILD_DIR:-$root/build}"
out_dir="$(mkdir -p "${1:-$build_dir/screenshots}" && cd "${1:-$build_dir/screenshots}" && pwd)"

"$root/scripts/install-dependencies.sh"
"$root/scripts/build.sh" --target Tollovane_Standalone tollovane-preview

standalone="$build_dir/Tollovane_artefacts/Release/Standalone/Tollovane"
preview="$build_dir/tools/preview/tollovane-preview"

# The editor's position in its window: the gear button's centre.
about_button_x=1384
about_button_y=22

# Every program runs with a home of its own, so nothing reads or writes the user's presets or
# the standalone's settings.
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
export HOME="$work/home"
mkdir -p "$HOME"

# Waits for a window with this exact title and prints its id.
wait_for_window() {
    for _ in $(seq 100); do
        if id="$(xdotool search --name "^$1\$" 2>/dev/null | head -n1)" && [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "no window named \"$1\" appeared" >&2
    return 1
}

shoot() {
    import -window "$1" "$out_dir/$2"
    echo "wrote $out_dir/$2 ($(identify -format '%wx%h' "$out_dir/$2"))"
}

"$standalone" > "$work/standalone.log" 2>&1 &
standalone_pid=$!
pids+=("$standalone_pid")
window="$(wait_for_window Tollovane)"
sleep 2
shoot "$window" standalone.png
kill "$standalone_pid"

"$preview" --preset "Drum Bus Para" --seconds 60 > "$work/preview.log" 2>&1 &
pids+=($!)
window="$(wait_for_window "Tollovane Preview")"
sleep 3
shoot "$window" editor-playing-1.png
sleep 0.5
shoot "$window" editor-playing-2.png
changed="$(compare -metric AE "$out_dir/editor-playing-1.png" "$out_dir/editor-playing-2.png" null: 2>&1 || true)"
echo "pixels that changed between the two playing shots: $changed"

xdotool mousemove --window "$window" "$about_button_x" "$about_button_y" click 1
sleep 1
shoot "$window" editor-about.png

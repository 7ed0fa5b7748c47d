#!/usr/bin/env bash
# Installs every Debian package needed to build Tollovane, run its tests and use its tools.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
    # compiler and build system
    g++ cmake ninja-build pkg-config
    # JUCE and the system libraries its modules build against
    juce-modules-source
    libasound2-dev libfreetype-dev libfontconfig1-dev
    libx11-dev libxext-dev libxinerama-dev libxrandr-dev libxcursor-dev libxrender-dev
    libpng-dev libjpeg-dev zlib1g-dev
    libflac-dev libvorbis-dev libogg-dev
    # tests, benchmarks, sanitizers and fuzzing
    libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev libfuzzer-14-dev
    # checking the installed LV2 bundle
    lilv-utils
    # the host tests: an offline LV2 host, a real DAW, real test material and independent meters
    liblilv-dev libsndfile1-dev lv2-dev ardour
    hydrogen-drumkits fluidsynth fluid-soundfont-gm sox ffmpeg
    python3 python3-numpy python3-soundfile
    # the editor in real windows on a virtual screen: tests, the sanitizer check, screenshots
    xvfb xauth xdotool imagemagick
    # the peers the benchmark script times next to the plug-in
    lsp-plugins-lv2 x42-plugins
)

sudo_if_needed() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "All build dependencies are installed."
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
sudo_if_needed apt-get update -q
sudo_if_needed apt-get install -y -q --no-install-recommends "${missing[@]}"

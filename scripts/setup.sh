#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the benchmarks
# need. Uses sudo when not run as root. Does nothing when all are present.
set -euo pipefail

packages=(
    cmake ninja-build pkg-config g++ git
    juce-modules-source juce-tools
    libasound2-dev libjack-jackd2-dev libfreetype-dev libfontconfig1-dev
    libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxext-dev libgl-dev
    zlib1g-dev libflac-dev libvorbis-dev libogg-dev libjpeg-dev libpng-dev lv2-dev
    libfftw3-dev libsleef-dev libgtest-dev libgmock-dev libbenchmark-dev
    fonts-liberation2 locales xvfb xauth jackd2 jalv lilv-utils xdotool
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    echo "Installing: ${missing[*]}"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

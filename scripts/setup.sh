#!/usr/bin/env bash
# Installs every Debian package Snipforge needs (only what is missing), then
# configures and builds into build/ (or the folder given by BUILD_DIR, with
# extra CMake arguments in CMAKE_ARGS).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)

packages=(
    build-essential cmake ninja-build pkg-config git
    libgtest-dev libgmock-dev googletest
    ffmpeg libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
    libjpeg62-turbo-dev libpng-dev zlib1g-dev imagemagick
    libgtk-3-dev xvfb xauth xdotool x11-utils openbox
    desktop-file-utils appstream
    # CI's check of changed lines (scripts/check-changes.sh): clang-format with
    # git-clang-format, and clang-tidy.
    clang-format clang-tidy
    # Glyphs for the languages of the pack: DejaVu covers the Latin, Greek,
    # Cyrillic, Arabic, Persian and Hebrew texts; Chinese, Japanese and Korean
    # (noto-cjk), Thai (tlwg) and Hindi (lohit-deva) need fonts of their own.
    # None of these replaces DejaVu as the desktop's sans-serif font.
    fonts-dejavu-core fonts-noto-cjk fonts-thai-tlwg fonts-lohit-deva
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
else
    echo "setup: all packages present"
fi

build_dir=${BUILD_DIR:-$top/build}
# shellcheck disable=SC2086
cmake -S "$top" -B "$build_dir" -G Ninja ${CMAKE_ARGS:-}
cmake --build "$build_dir" -j "$(nproc)"

#!/usr/bin/env bash
# Starts the desktop program, installing and building first when needed.
# Arguments are passed on (a video file to open).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$top/build}

if [ ! -x "$build_dir/snipforge" ] || [ -n "$(find "$top" -path "$build_dir" -prune -o \
        \( -name '*.cpp' -o -name '*.h' -o -name CMakeLists.txt \) -newer "$build_dir/snipforge" -print -quit)" ]; then
    BUILD_DIR=$build_dir "$top/scripts/setup.sh"
fi
exec "$build_dir/snipforge" "$@"

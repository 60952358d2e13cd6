#!/usr/bin/env bash
# Starts the desktop program, installing and building first when needed.
# Arguments are passed on unchanged: files to open ("scripts/run.sh clip.mp4";
# a relative name is taken from the folder run.sh is started in).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$top/build}

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    BUILD_DIR=$build_dir "$top/scripts/setup.sh"
else
    # The build knows what is out of date; only the program is needed here
    # (a changed test must not rebuild, or keep rebuilding, everything).
    cmake --build "$build_dir" --target snipforge >&2
fi
exec "$build_dir/snipforge" "$@"

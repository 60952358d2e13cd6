#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   scripts/test.sh          normal build in build/
#   scripts/test.sh --asan   AddressSanitizer + UBSan build in build-asan/
#   scripts/test.sh --tsan   ThreadSanitizer build in build-tsan/
# SNIPFORGE_WERROR=1 makes every compiler warning an error (CI sets it).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-}

case "$mode" in
    "") export BUILD_DIR=$top/build CMAKE_ARGS="-DSNIPFORGE_SANITIZE=" ;;
    --asan) export BUILD_DIR=$top/build-asan CMAKE_ARGS="-DSNIPFORGE_SANITIZE=address -DCMAKE_BUILD_TYPE=Debug" ;;
    --tsan) export BUILD_DIR=$top/build-tsan CMAKE_ARGS="-DSNIPFORGE_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug" ;;
    *) echo "usage: $0 [--asan|--tsan]" >&2; exit 2 ;;
esac
# Given every time, so that a build folder configured once with warnings as
# errors does not keep them after.
if [ "${SNIPFORGE_WERROR:-}" = 1 ]; then
    CMAKE_ARGS="$CMAKE_ARGS -DSNIPFORGE_WERROR=ON"
else
    CMAKE_ARGS="$CMAKE_ARGS -DSNIPFORGE_WERROR=OFF"
fi

"$top/scripts/setup.sh"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

cd "$BUILD_DIR"
# Window tests need a display; give them a virtual one when there is none.
run=(ctest --output-on-failure -j "$(nproc)")
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    run=(xvfb-run -a -s "-screen 0 1600x1200x24" "${run[@]}")
fi
"${run[@]}"

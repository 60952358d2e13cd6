#!/usr/bin/env bash
# Snipforge benchmarks. Builds nothing: give it a built tree.
#
#   bench/run.sh [BUILD_DIR]      BUILD_DIR defaults to build/
#   REPS=21 bench/run.sh ...      repetitions per measurement (default 15)
#
# Test media is generated into bench/out/ (not versioned) on first use.
# Every figure is the median wall time of REPS runs, the two programs taking
# turns so that a change in machine load hits both alike.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" 2>/dev/null && pwd) || {
    echo "bench: no build folder ${1:-$top/build}" >&2
    exit 2
}
cli=$build/tools/snipforge-cli
reps=${REPS:-15}
out=$top/bench/out

for tool in ffmpeg ffprobe; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is not installed" >&2; exit 2; }
done
[ -x "$cli" ] || { echo "bench: $cli is missing; build the snipforge-cli target first" >&2; exit 2; }
mkdir -p "$out"

# make_media NAME FFMPEG-ARGS... -> path of bench/out/NAME, made once
make_media() {
    local name=$1
    shift
    local path=$out/$name
    if [ ! -s "$path" ]; then
        echo "bench: making $name (once)" >&2
        local tmp=$out/.tmp-$$-$name
        ffmpeg -nostdin -hide_banner -loglevel error -y "$@" "$tmp"
        mv "$tmp" "$path"
    fi
    echo "$path"
}

# wall_us CMD... -> wall time of one run in microseconds (output discarded)
wall_us() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "bench: failed: $*" >&2; return 1; }
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

# compare LABEL OURS REFERENCE: OURS and REFERENCE are shell functions; prints
# both medians and the ratio
compare() {
    local label=$1 ours=$2 reference=$3
    local a=() b=()
    # One untimed run each brings the file and the libraries into the cache.
    wall_us "$ours" >/dev/null
    wall_us "$reference" >/dev/null
    for ((i = 0; i < reps; i++)); do
        a+=("$(wall_us "$ours")")
        b+=("$(wall_us "$reference")")
    done
    local ma mb
    ma=$(printf '%s\n' "${a[@]}" | median)
    mb=$(printf '%s\n' "${b[@]}" | median)
    awk -v label="$label" -v a="$ma" -v b="$mb" -v n="$reps" 'BEGIN {
        r = a / b
        printf "%-34s %9.1f ms  %9.1f ms  %6.3f  %s\n", label, a / 1000, b / 1000, r, (r <= 1.0 ? "ok" : "ABOVE TARGET")
    }'
}

clip=$(make_media probe-1080p-60s-h264.mp4 \
    -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=60 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 128k)

echo "median of $reps runs each, same machine, same run"
printf '%-34s %12s  %12s  %6s  %s\n' "benchmark (target ratio <= 1.0)" "snipforge" "reference" "ratio" ""
probe_ours() { "$cli" probe "$clip"; }
probe_reference() { ffprobe -v error -show_streams -show_format "$clip"; }
compare "probe 1080p 60 s H.264 vs ffprobe" probe_ours probe_reference

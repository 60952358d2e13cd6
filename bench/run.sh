#!/usr/bin/env bash
# Snipforge benchmarks. Builds nothing: give it a built tree.
#
#   bench/run.sh [BUILD_DIR]      BUILD_DIR defaults to build/
#   REPS=21 bench/run.sh ...      repetitions per measurement (default 15)
#   ONLY=preview bench/run.sh ...  only the preview section (stepping through a file)
#   ONLY=smart bench/run.sh ...    only the edges-only precise cut
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

# compare LABEL OURS REFERENCE [TARGET [REPS]]: OURS and REFERENCE are shell
# functions; prints both medians, the ratio and whether it meets TARGET
# (default 1.0)
compare() {
    local label=$1 ours=$2 reference=$3 target=${4:-1.0} n=${5:-$reps}
    local a=() b=()
    # One untimed run each brings the file and the libraries into the cache.
    wall_us "$ours" >/dev/null
    wall_us "$reference" >/dev/null
    for ((i = 0; i < n; i++)); do
        a+=("$(wall_us "$ours")")
        b+=("$(wall_us "$reference")")
    done
    local ma mb
    ma=$(printf '%s\n' "${a[@]}" | median)
    mb=$(printf '%s\n' "${b[@]}" | median)
    awk -v label="$label" -v a="$ma" -v b="$mb" -v t="$target" 'BEGIN {
        r = a / b
        printf "%-34s %9.1f ms  %9.1f ms  %6.3f  %s\n", label, a / 1000, b / 1000, r, (r <= t ? "ok" : "ABOVE TARGET " t)
    }'
}

only=${ONLY:-}
if [ -z "$only" ]; then
clip=$(make_media probe-1080p-60s-h264.mp4 \
    -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=60 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 128k)

echo "median of $reps runs each, same machine, same run"
printf '%-34s %12s  %12s  %6s  %s\n' "benchmark (target ratio <= 1.0)" "snipforge" "reference" "ratio" ""
probe_ours() { "$cli" probe "$clip"; }
probe_reference() { ffprobe -v error -show_streams -show_format "$clip"; }
compare "probe 1080p 60 s H.264 vs ffprobe" probe_ours probe_reference

# The in-process converter against the ffmpeg tool, on the command lines the
# program builds (the tool gets the external spelling). Peak memory is the
# maximum resident size of one run of each.
work=$out/converter
mkdir -p "$work"
slow_reps=${SLOW_REPS:-3}
vbr=$(ffprobe -v error -select_streams v:0 -show_entries stream=bit_rate -of default=nw=1:nk=1 "$clip")
common="-probesize 100M -analyzeduration 100M"
lossless="-ss 00:00:15.000 -i $clip -y -t 00:00:30.000 -map 0:0 -map 0:1 -vcodec copy -acodec copy -scodec copy -async 1 -f mp4"
precise="-ss 00:00:15.000 -i $clip -ss 00:00:10.000 -y -t 00:00:05.000 -vcodec libx264 -threads 0 -preset medium -g 250 -bf 3 -b:v ${vbr:-0} -r 25 -s 1920x1080 -max_muxing_queue_size 9999 -f mp4 -acodec aac -strict experimental -ar 48000 -ac 2 -ab 128000 -async 1"
lossless_ours() { "$cli" tool "ffmpeg $common $lossless $work/ours-lossless.mp4" --workdir "$work"; }
lossless_reference() { ffmpeg -nostdin -v error $common $lossless "$work/ref-lossless.mp4"; }
precise_ours() { "$cli" tool "ffmpeg $common $precise $work/ours-precise.mp4" --workdir "$work"; }
precise_reference() { ffmpeg -nostdin -v error $common $precise "$work/ref-precise.mp4"; }
grab_ours() { "$cli" tool "ffmpeg -ss 00:00:43.000 -t 1 -i $clip -y -an -f image2 -ss 00:00:02.000 -vframes 1 $work/ours.bmp" --workdir "$work"; }
grab_reference() { ffmpeg -nostdin -v error -ss 00:00:43.000 -i "$clip" -y -an -f image2 -ss 00:00:02.000 -frames:v 1 "$work/ref.bmp"; }
compare "30 s lossless cut of 1080p 60 s" lossless_ours lossless_reference 1.2
compare "5 s precise cut of 1080p 60 s" precise_ours precise_reference 1.1 "$slow_reps"
compare "frame grab at 45 s, 1080p" grab_ours grab_reference 1.0


# ImageMagick's own convert: a wrapper of the same name may stand before it on
# the path, and its start-up would be timed too.
magick=
for candidate in /usr/bin/convert-im6.q16 /usr/bin/magick /usr/bin/convert; do
    if [ -x "$candidate" ] && "$candidate" -version 2>/dev/null | grep -q ImageMagick; then
        magick=$candidate
        break
    fi
done
picture=$out/scale-1920x1080.bmp
[ -s "$picture" ] || ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080 -frames:v 1 \
    -pix_fmt bgr24 "$picture"

# Bilinear scaling of a 1920 x 1080 picture to 700 x 394 against ImageMagick,
# both reading and writing BMP files.
scaler=$build/bench/snipforge-bench-scale
if [ -x "$scaler" ] && [ -n "$magick" ]; then
    scale_ours() { "$scaler" "$picture" 700 394 "$work/ours-scaled.bmp"; }
    scale_reference() { "$magick" "$picture" -filter Triangle -resize '700x394!' "BMP3:$work/ref-scaled.bmp"; }
    compare "scale 1920x1080 to 700x394" scale_ours scale_reference 1.0
else
    echo "scale 1920x1080 to 700x394: skipped (needs the snipforge-bench-scale target and ImageMagick:" \
        "apt-get install imagemagick)"
fi

# Saving a 1920 x 1080 frame read from a BMP as PNG, JPEG and GIF with our
# default settings against ImageMagick doing the same work: interlaced PNG,
# JPEG at quality 75 with 2x2 chroma, GIF reduced to 256 colours.
encoder=$build/bench/snipforge-bench-encode
encode_jobs=()
if [ -x "$encoder" ] && [ -n "$magick" ]; then
    png_ours() { "$encoder" "$picture" "$work/ours.png"; }
    png_reference() { "$magick" "$picture" -interlace PNG "PNG32:$work/ref.png"; }
    jpeg_ours() { "$encoder" "$picture" "$work/ours.jpg"; }
    jpeg_reference() { "$magick" "$picture" -quality 75 -sampling-factor 2x2 "$work/ref.jpg"; }
    gif_ours() { "$encoder" "$picture" "$work/ours.gif"; }
    gif_reference() { "$magick" "$picture" -colors 256 "$work/ref.gif"; }
    compare "PNG encode 1920x1080" png_ours png_reference 1.0
    compare "JPEG encode 1920x1080" jpeg_ours jpeg_reference 1.0
    compare "GIF encode 1920x1080" gif_ours gif_reference 1.0
    encode_jobs=(png jpeg gif)
else
    echo "PNG, JPEG and GIF encode 1920x1080: skipped (needs the snipforge-bench-encode target and" \
        "ImageMagick: apt-get install imagemagick)"
fi

# peak_kib FUNCTION -> maximum resident size of one run in KiB
peak_kib() {
    if [ -x /usr/bin/time ]; then
        local log=$work/.time-$$
        /usr/bin/time -o "$log" -f %M bash -c "$(declare -f "$1"); $(declare -p cli common lossless precise clip work picture encoder magick); $1" >/dev/null 2>&1 || true
        cat "$log"
        rm -f "$log"
    else
        echo "?"
    fi
}
printf '%-34s %12s  %12s\n' "peak memory (KiB)" "snipforge" "reference"
for job in lossless precise grab "${encode_jobs[@]}"; do
    printf '%-34s %12s  %12s\n' "$job" "$(peak_kib ${job}_ours)" "$(peak_kib ${job}_reference)"
done
fi # the general section

# ------------------------------------------------------------------ smart
# The precise cut that re-encodes only the edges, on a 60 s 1080p 29.97 fps
# H.264 file with GOP 250 and B-frames: a 30 s scene against the full
# re-encode of the same scene (snipforge-cli --full-reencode) and against the
# ffmpeg tool's re-encode of it, and whether the copied middle is the
# source's, frame for frame.
if [ -z "$only" ] || [ "$only" = smart ]; then
smart_work=$out/smart
mkdir -p "$smart_work"
smart_clip=$(make_media preview-1080p-2997-gop250.mp4 \
    -f lavfi -i testsrc2=size=1920x1080:rate=30000/1001:duration=60 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 \
    -c:v libx264 -preset veryfast -g 250 -keyint_min 250 -sc_threshold 0 -bf 3 -pix_fmt yuv420p \
    -c:a aac -b:a 128k)
smart_out=$smart_work
smart_run() { # OUTDIR ARGS...: one cut into an emptied folder
    local dir=$1
    shift
    rm -rf "$dir" && mkdir -p "$dir"
    XDG_CONFIG_HOME=$smart_work/config "$cli" cut "$smart_clip" --start 15 --end 45 --precise --out "$dir" "$@"
}
smart_ours() { smart_run "$smart_out/edges"; }
smart_full() { smart_run "$smart_out/full" --full-reencode; }
smart_reference() {
    ffmpeg -nostdin -v error -y -ss 15 -i "$smart_clip" -t 30 -c:v libx264 -preset medium -c:a aac -b:a 128k \
        "$smart_work/ref.mp4"
}
echo
echo "precise cut of 30 s of a 60 s 1920x1080 29.97 fps H.264 file, GOP 250, B-frames; median of ${SLOW_REPS:-3}"
compare "30 s edges-only vs full re-encode" smart_ours smart_full 0.2 "${SLOW_REPS:-3}"
compare "30 s edges-only vs ffmpeg re-encode" smart_ours smart_reference 0.2 "${SLOW_REPS:-3}"
# Frame digests of the scene in the source and in the cut: the copied middle
# must match the source's exactly; only the edges may differ.
smart_file=$(ls "$smart_out"/edges/*.mp4 2>/dev/null | head -n 1)
if [ -n "$smart_file" ]; then
    ffmpeg -nostdin -v error -ss 15 -i "$smart_clip" -t 30 -map 0:v:0 -f framemd5 - | grep -v '^#' |
        awk -F', *' '{ print $6 }' >"$smart_work/source.md5"
    ffmpeg -nostdin -v error -i "$smart_file" -map 0:v:0 -f framemd5 - | grep -v '^#' |
        awk -F', *' '{ print $6 }' >"$smart_work/cut.md5"
    paste "$smart_work/source.md5" "$smart_work/cut.md5" | awk '
        { n++; if ($1 == $2) { same++; if (!first) first = n; last = n } }
        END {
            inside = last - first + 1
            printf "%-34s %d of %d frames identical to the source (frames %d-%d, PSNR %s), %d re-encoded\n",
                "copied middle", same, n, first, last, (same == inside ? "inf: identical" : "NOT identical"), n - same
        }'
else
    echo "copied middle: no cut was written"
fi
fi # smart

# ------------------------------------------------------------------ preview
# Stepping through a 60 s 1920x1080 29.97 fps H.264 file with a key frame
# every 250 frames and B-frames, the way the window does (one grabber kept
# open), against one ffmpeg tool grab of a frame in the same region. Our
# figures are the times from request to picture that snipforge-cli frame
# prints for each position; the tool's is the wall time of a whole run.
if [ -z "$only" ] || [ "$only" = preview ]; then
steps=${STEPS:-30}
movie=$(make_media preview-1080p-2997-gop250.mp4 \
    -f lavfi -i testsrc2=size=1920x1080:rate=30000/1001:duration=60 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 \
    -c:v libx264 -preset veryfast -g 250 -keyint_min 250 -sc_threshold 0 -bf 3 -pix_fmt yuv420p \
    -c:a aac -b:a 128k)
pwork=$out/preview
mkdir -p "$pwork"
frame_us=33366 # one frame at 30000/1001, as the window steps

# positions FROM_US STEP_US COUNT -> "s.ssssss,..." (seconds with microseconds)
positions() {
    awk -v from="$1" -v step="$2" -v n="$3" 'BEGIN {
        for (i = 0; i < n; i++) printf "%s%.6f", (i ? "," : ""), (from + i * step) / 1e6
    }'
}
# series_ms LIST -> the "X" of every "frame N at T: X ms" line after the first
series_ms() {
    rm -rf "$pwork/frames" && mkdir -p "$pwork/frames"
    "$cli" frame "$movie" --at "$1" --out "$pwork/frames" | awk '/^frame / && $2 > 1 { print $(NF - 1) }'
}
median_ms() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# tool_ms T -> median wall time of REPS ffmpeg grabs at T seconds, in ms
tool_ms() {
    local t=$1 all=()
    for ((i = 0; i < reps; i++)); do
        all+=("$(wall_us ffmpeg -nostdin -v error -ss "$t" -i "$movie" -frames:v 1 -y "$pwork/tool.bmp")")
    done
    printf '%s\n' "${all[@]}" | median | awk '{ print $1 / 1000 }'
}
# report LABEL OURS_MS TOOL_MS TARGET
report() {
    awk -v label="$1" -v a="$2" -v b="$3" -v t="$4" 'BEGIN {
        r = a / b
        printf "%-34s %9.1f ms  %9.1f ms  %6.3f  %s\n", label, a, b, r, (r <= t ? "ok" : "ABOVE TARGET " t)
    }'
}

echo
echo "preview: 60 s 1920x1080 29.97 fps H.264, GOP 250, B-frames; $steps steps per series, tool: median of $reps"
printf '%-34s %12s  %12s  %6s  %s\n' "benchmark (target ratio)" "snipforge" "ffmpeg grab" "ratio" ""
# Forward: land at 20.02 s (mid-group), then one frame at a time.
forward=$(series_ms "$(positions 20020000 $frame_us $((steps + 1)))" | median_ms)
tool_forward=$(tool_ms 20.5)
report "forward one-frame step" "$forward" "$tool_forward" 0.10
# Backward: land at 41 s (late in its group), then one frame back at a time.
backward=$(series_ms "$(positions 41000000 -$frame_us $((steps + 1)))" | median_ms)
tool_backward=$(tool_ms 40.5)
report "backward one-frame step" "$backward" "$tool_backward" 0.25
# Random: positions anywhere (fixed seed), each a seek.
random_list=$(awk -v n="$((steps + 1))" 'BEGIN { srand(17); for (i = 0; i < n; i++) printf "%s%.3f", (i ? "," : ""), 1 + rand() * 57 }')
random=$(series_ms "$random_list" | median_ms)
tool_random=0
tool_random=$(for t in 7.3 23.9 36.1 52.6; do tool_ms "$t"; done | median_ms)
report "random seek" "$random" "$tool_random" 0.8
if [ -x /usr/bin/time ]; then
    ours_kib=$(/usr/bin/time -f %M "$cli" frame "$movie" --at "$(positions 41000000 -$frame_us $((steps + 1)))" \
        --out "$pwork/frames" 2>&1 >/dev/null | tail -1)
    tool_kib=$(/usr/bin/time -f %M ffmpeg -nostdin -v error -ss 40.5 -i "$movie" -frames:v 1 -y "$pwork/tool.bmp" 2>&1 | tail -1)
    printf '%-34s %9s KiB %9s KiB  (cache limit 512 MiB)\n' "peak memory, backward series" "$ours_kib" "$tool_kib"
fi
program=$build/snipforge
if [ -x "$program" ] && command -v xvfb-run >/dev/null && command -v xdotool >/dev/null && command -v openbox >/dev/null; then
    read -r window_ms window_n <<<"$(xvfb-run -a -s "-screen 0 1600x1200x24" "$top/bench/window-steps.sh" \
        "$program" "$movie" "$steps" 2>/dev/null || echo "? 0")"
    echo "window, forward step (+1 frame button under Xvfb): median click-to-picture $window_ms ms of $window_n" \
        "clicks, target <= 60 ms: $(awk -v m="$window_ms" 'BEGIN { print (m != "?" && m <= 60) ? "ok" : "ABOVE TARGET" }')"
    echo "  method: xdotool clicks the button 400 ms apart; each figure runs from just before the click to the" \
        "wall-clock time the program logs (SNIPFORGE_PREVIEW_TIMING) when the new picture is taken and redrawn"
else
    echo "window, forward step: skipped (needs the snipforge target, xvfb-run, xdotool and openbox)"
fi
fi # preview


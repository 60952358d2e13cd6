#!/usr/bin/env bash
# Click-to-picture time of the window's forward frame step, on a display of
# its own (run it under xvfb-run; bench/run.sh does).
#
#   bench/window-steps.sh PROGRAM FILE CLICKS
#
# Method: the program runs with SNIPFORGE_PREVIEW_TIMING set, so it writes
# the wall-clock time of every picture it shows to standard error. The file
# is opened through File > Open..., precise mode is chosen (it shows the
# frame-step buttons), the marker is put mid-group with a slider click, and
# then "+1 frame" is clicked CLICKS times with xdotool, 400 ms apart. Each
# figure is the time from just before xdotool's click to the next picture
# shown; the median is printed in milliseconds.
set -euo pipefail

program=$1
file=$2
clicks=${3:-30}
home=$(mktemp -d)
trap 'kill "${pid:-}" "${wm:-}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -p "$home/home" "$home/config" "$home/run"
layout=$home/layout.txt
log=$home/timing.log

now_us() { echo $(($(date +%s%N) / 1000)); }
# box NAME [enabled] -> "x y w h" from the layout file, waiting for it
box() {
    local want=$1 enabled=${2:-0}
    for _ in $(seq 1 600); do
        local line
        line=$(awk -v n="$want" -v e="$enabled" '$1 == n && (!e || $6 == 1) { print $2, $3, $4, $5 }' "$layout" 2>/dev/null | tail -1 || true)
        if [ -n "$line" ]; then
            echo "$line"
            return 0
        fi
        sleep 0.1
    done
    echo "window-steps: no $want in the layout" >&2
    return 1
}
click_box() {
    local x y w h
    read -r x y w h <<<"$(box "$1" "${2:-0}")"
    xdotool mousemove --window "$win" $((x + w / 2)) $((y + h / 2)) click 1
}

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
HOME=$home/home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run SNIPFORGE_DUMP_LAYOUT=$layout \
    GIO_USE_VFS=local GSETTINGS_BACKEND=memory SNIPFORGE_PREVIEW_TIMING=1 "$program" 2>"$log" &
pid=$!
box menu.0 >/dev/null
win=$(xdotool search --sync --onlyvisible --pid "$pid" | head -1)
xdotool windowactivate --sync "$win" 2>/dev/null || true
click_box menu.0
sleep 0.5
xdotool key --delay 100 Down Return
for _ in $(seq 1 100); do
    chooser=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -v "^$win\$" | head -1 || true)
    [ -n "$chooser" ] && break
    sleep 0.2
done
xdotool windowactivate --sync "$chooser" 2>/dev/null || true
xdotool key --delay 100 ctrl+l
sleep 0.3
xdotool type --delay 20 "$file"
xdotool key Return
box save 1 >/dev/null
click_box mode.precise
sleep 1
# The start slider's channel at 20 % of its length: the marker lands on a
# whole second a little into the file (a page step of 10 s).
read -r x y w h <<<"$(box slider.start)"
xdotool mousemove --window "$win" $((x + w / 5)) $((y + h / 2)) click 1
sleep 3
step=$(awk '$1 ~ /^step\.\+1f/ || $1 == "step.+1" { print $1 }' "$layout" | tail -1)
[ -n "$step" ] || step=$(awk '$1 ~ /^step\.\+1/ && $1 != "step.+1s" { print $1 }' "$layout" | head -1)
[ -n "$step" ] || { echo "window-steps: no frame-step button in the layout" >&2; exit 1; }
read -r x y w h <<<"$(box "$step" 1)"
xdotool mousemove --window "$win" $((x + w / 2)) $((y + h / 2))
sleep 0.5
times=()
for ((i = 0; i < clicks; i++)); do
    before=$(grep -c '^preview picture' "$log" || true)
    start=$(now_us)
    xdotool click 1
    for _ in $(seq 1 300); do
        [ "$(grep -c '^preview picture' "$log" || true)" -gt "$before" ] && break
        sleep 0.005
    done
    shown=$(grep '^preview picture' "$log" | sed -n "$((before + 1))p" | awk '{ print $NF }')
    [ -n "$shown" ] && times+=($((shown - start)))
    sleep 0.4
done
[ -z "${STEP_LOG:-}" ] || { echo "button $step"; grep '^preview' "$log" | tail -6; } >&2
[ ${#times[@]} -gt 0 ] || { echo "window-steps: no picture came" >&2; exit 1; }
printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f %d\n", m / 1000, NR }'

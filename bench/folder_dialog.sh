#!/bin/bash
# Times the window's "..." button: from the click to the folder dialog on the screen, on a
# virtual X display, with HOME set to a given home folder (one with many Steam libraries
# shows whether finding installs holds the dialog back). Prints the median and the worst of
# RUNS clicks; polling the display adds a few milliseconds to each.
# Usage: bench/folder_dialog.sh <folder holding vestura> <home folder> [runs, default 5]
set -euo pipefail

bin_dir=$(realpath "$1")
home=$(realpath "$2")
runs=${3:-5}
source "$(dirname "$0")/../tests/e2e/x_display.sh"
start_display
copy_program "$bin_dir" "$work/program"

window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
wait_for() {
    for _ in $(seq 2000); do [ -n "$(window_named "$1")" ] && return 0; sleep 0.005; done
    echo "no window named $1" >&2
    exit 1
}

(cd "$work/program" && HOME=$home exec ./vestura) &
pid=$!
main='^Vestura by Kadrow'
wait_for "$main"
window=$(window_named "$main")
times=()
for _ in $(seq "$runs"); do
    xdotool mousemove --window "$window" 236 329
    start=$(date +%s%N)
    xdotool click 1
    wait_for '^Directory with VICE CITY$'
    took=$((($(date +%s%N) - start) / 1000000))
    times+=("$took")
    xdotool key --window "$(window_named '^Directory with VICE CITY$')" Escape
    for _ in $(seq 400); do [ -z "$(window_named '^Directory with VICE CITY$')" ] && break; sleep 0.005; done
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "click to dialog: median $(echo "$sorted" | sed -n "$(((runs + 1) / 2))p") ms," \
    "worst $(echo "$sorted" | tail -n 1) ms over $runs clicks"

#!/bin/bash
# Outfits on the real program, on its own virtual X display: a shirt picked and coloured from
# the keyboard (Shift+F10), saved with its outfit recorded; then, in a fresh start, the skin
# reopened from the Open dialog (Ctrl+O) and saved again, byte for byte the same.
# Usage: outfits_test.sh <folder holding vestura>
set -uo pipefail

bin_dir=$1
source "$(dirname "$0")/x_display.sh"
start_display
program="$work/program"
game="$work/game"
export HOME="$work/home"
mkdir -p "$HOME" "$game/skins"
touch "$game/gta-vc.exe"
copy_program "$bin_dir" "$program"
printf '%s/\r\n' "$game" >"$program/vestu.cfg"

main_title='^Vestura by Kadrow \(version 1\.1\)$'
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
wait_until() {
    for _ in $(seq 100); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    return 1
}
window_named() { xdotool search --onlyvisible --name "$1" | head -n 1; }
has_window() { [ -n "$(window_named "$1")" ]; }
no_window() { ! has_window "$1"; }
press() {
    local window
    window=$(window_named "$1")
    xdotool windowfocus --sync "$window"
    xdotool key --clearmodifiers "${@:2}"
}
start_program() {
    (cd "$program" && exec ./vestura) &
    pid=$!
    wait_until has_window "$main_title" || fail "main window did not appear"
    window=$(window_named "$main_title")
}
# Answers the box titled $1 with Return and waits for it to close.
answer() {
    wait_until has_window "$1" || fail "no box titled $1"
    press "$1" Return
    wait_until no_window "$1" || fail "the box titled $1 did not close"
}
quit() {
    press "$main_title" Escape
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "the program is still running"
    pid=
}

echo "== a shirt picked and coloured from the keyboard, saved with its outfit"
start_program
xdotool mousemove --window "$window" 320 326 click 1  # the skin name
press "$main_title" ctrl+a
xdotool type --delay 20 'Tommy'
xdotool mousemove --window "$window" 372 194 click 1  # the shirt's list drops down
sleep 0.5
xdotool key --clearmodifiers Down Down Return          # its second entry
sleep 0.3
press "$main_title" shift+F10                            # the shirt's swatch menu
sleep 0.5
xdotool key --clearmodifiers Down Return                 # its first colour: red
sleep 0.5
press "$main_title" Return
answer '^Info$'
line=$(cat "$game/skins/outfits.txt")
[[ "$line" == "Tommy.bmp shirt=\""*"\" shirt.colour=#E61919" ]] || fail "outfits.txt holds: $line"
cp "$game/skins/Tommy.bmp" "$work/first.bmp"
quit

echo "== a fresh start: the skin reopened from the Open list and saved again unchanged"
start_program
press "$main_title" ctrl+o
wait_until has_window '^Open a skin$' || fail "Ctrl+O opened no Open dialog"
sleep 0.5  # the list is read off the window's thread
press '^Open a skin$' Return
wait_until no_window '^Open a skin$' || fail "the Open dialog did not close"
press "$main_title" Return
answer '^Question$'  # replace the skin: Yes
answer '^Info$'
cmp -s "$work/first.bmp" "$game/skins/Tommy.bmp" || fail "the skin saved again differs"
[ "$(cat "$game/skins/outfits.txt")" = "$line" ] || fail "the record changed: $(cat "$game/skins/outfits.txt")"
quit

echo "all outfit checks passed"

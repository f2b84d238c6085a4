#!/bin/bash
# Random input on the real vestura binary: a copy of its folder with the sample catalogue,
# on its own virtual X display with no window manager, fake wine, steam and xdg-open on the
# PATH. Random pointer moves, clicks, double-clicks, wheel notches and keys go to the screen
# for MONKEY_SECONDS (default 30); whenever Exit or Escape ends the program it starts again.
# The program must never end by a signal. MONKEY_SEED replays a sequence of input (the
# program's timing still varies); on failure the seed and the last events are printed.
# Usage: monkey_test.sh <folder holding vestura>
set -uo pipefail

bin_dir=$1
seconds=${MONKEY_SECONDS:-30}
seed=${MONKEY_SEED:-$(date +%s)}
RANDOM=$seed
source "$(dirname "$0")/x_display.sh"
start_display
program="$work/program"
export HOME="$work/home"
mkdir -p "$HOME" "$work/tools" "$work/game/skins"
copy_program "$bin_dir" "$program"
touch "$work/game/gta-vc.exe"
printf '%s/\r\n' "$work/game" >"$program/vestu.cfg"
for tool in wine steam xdg-open; do
    printf '#!/bin/sh\necho "$0 $*" >>"%s/launched.log"\n' "$work" >"$work/tools/$tool"
    chmod +x "$work/tools/$tool"
done
export PATH="$work/tools:$PATH"

events=()
starts=0
fail() {
    echo "FAIL: $*" >&2
    echo "monkey seed $seed; the last events:" >&2
    printf '  %s\n' "${events[@]: -40}" >&2
    exit 1
}

start_program() {
    (cd "$program" && exec ./vestura) >>"$work/program.log" 2>&1 &
    pid=$!
    starts=$((starts + 1))
    events+=("start the program (#$starts)")
}

# Ends the run at a signal; starts the program again after a normal exit.
check_program() {
    kill -0 "$pid" 2>/dev/null && return 0
    local status=0
    wait "$pid" || status=$?
    pid=
    [ "$status" -gt 128 ] && fail "the program ended by signal $((status - 128))"
    [ "$status" -eq 0 ] || fail "the program ended with exit code $status"
    start_program
    sleep 0.5
}

keys=(Tab shift+Tab Up Down Left Right Return KP_Enter Escape space Home End Prior Next
      BackSpace Delete F4 alt+F4 F3 F5 a n s u z 1 ctrl+a ctrl+c alt+Down ctrl+o ctrl+r
      Menu shift+F10)
buttons=(1 1 1 3 4 5 4 5)

# Events land on the main window and a margin around it, where its boxes open.
origin_x=0
origin_y=0
random_event() {
    local x=$((origin_x - 20 + RANDOM % 520)) y=$((origin_y - 20 + RANDOM % 430))
    local kind=$((RANDOM % 12))
    case $kind in
        0 | 1 | 2 | 3)
            local key=${keys[RANDOM % ${#keys[@]}]}
            events+=("key $key")
            xdotool key --delay 0 "$key" 2>/dev/null
            ;;
        4 | 5 | 6 | 7)
            local button=${buttons[RANDOM % ${#buttons[@]}]}
            events+=("click $button at $x,$y")
            xdotool mousemove "$x" "$y" mousedown "$button" mouseup "$button" 2>/dev/null
            ;;
        8)
            events+=("double-click at $x,$y")
            xdotool mousemove "$x" "$y" click --repeat 2 --delay 40 1 2>/dev/null
            ;;
        9)
            events+=("move to $x,$y")
            xdotool mousemove "$x" "$y" 2>/dev/null
            ;;
        10)
            # The window under the pointer gets the keyboard focus (often a box over the main
            # window, or nothing).
            events+=("focus the window under $x,$y")
            xdotool mousemove "$x" "$y" getmouse 2>/dev/null | grep -q WINDOW= &&
                xdotool getmouse --shell 2>/dev/null >"$work/mouse" &&
                xdotool windowfocus "$(sed -n 's/^WINDOW=//p' "$work/mouse")" 2>/dev/null
            ;;
        11)
            # No window of the program's has the focus: the desktop has it.
            events+=("focus the desktop")
            xdotool windowfocus "$root" 2>/dev/null
            ;;
    esac
}

echo "monkey seed $seed, $seconds s"
start_program
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Vestura by' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "the main window did not appear"
eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^[XY]=')"
origin_x=$X
origin_y=$Y
root=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
count=0
end=$((SECONDS + seconds))
while [ "$SECONDS" -lt "$end" ]; do
    random_event
    count=$((count + 1))
    check_program
done
sleep 0.5
check_program
echo "monkey: $count events, $starts starts of the program, no signal"

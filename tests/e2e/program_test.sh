#!/bin/bash
# Runs the real vestura binary from a copy of its folder, with a fresh HOME, on its own
# virtual X display, and drives it with xdotool. Stops at the first failed check.
# Usage: program_test.sh <folder holding vestura>
# Set E2E_SCREENSHOT to a file name to keep a picture of the screen at the first start.
set -uo pipefail

bin_dir=$1
source "$(dirname "$0")/x_display.sh"
start_display
program="$work/program"
export HOME="$work/home"
mkdir -p "$HOME" "$work/tools" "$work/game"
copy_program "$bin_dir" "$program"

main_title='^Vestura by Kadrow \(version 1\.1\)$'
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Polls `$@` every 0.1 s, at most TRIES times (default 100: 10 s).
wait_until() {
    for _ in $(seq "${TRIES:-100}"); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    return 1
}

# Polls `$@`, which takes a screenshot, at most 20 times (about 10 s).
wait_for_screen() {
    TRIES=20 wait_until "$@"
}

window_named() { xdotool search --onlyvisible --name "$1" | head -n 1; }
has_window() { [ -n "$(window_named "$1")" ]; }
no_window() { ! has_window "$1"; }

start_program() {
    (cd "$program" && exec ./vestura) &
    pid=$!
}

# Sends keys to the window named by the pattern, once it has the keyboard focus.
press() {
    local window
    window=$(window_named "$1")
    xdotool windowfocus --sync "$window"
    xdotool key --clearmodifiers "${@:2}"
}

expect_exit_zero() {
    local status=0
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "$1: the program is still running"
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "$1: exit code $status"
}

# The text of the message box on top, copied with Ctrl+C (QMessageBox puts its caption and
# text on the clipboard).
message_text() {
    press '^Vestura$|^Error$|^Info$' ctrl+c
    wait_until xclip -selection clipboard -t UTF8_STRING -o
    xclip -selection clipboard -t UTF8_STRING -o
}

# Grabs the client area of window $1 from the screen into $window_rgb, as raw RGB bytes
# (472 x 376 x 3).
window_rgb=
grab_window() {
    local window=$1 info x y
    info=$(xwininfo -id "$window")
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    import -window root "$work/shot.png" || return 1
    window_rgb="$work/window.rgb"
    convert "$work/shot.png" -crop "472x376+$x+$y" +repage -depth 8 "rgb:$window_rgb"
}

# The colour at client position (x, y) of the last grab, as "r,g,b".
pixel() {
    od -An -tu1 -j $((($2 * 472 + $1) * 3)) -N3 "$window_rgb" | awk '{print $1 "," $2 "," $3}'
}

# Checks the layout's colours as drawn: each selector's field and the preview frame's
# panel. Sets $colour_problem to the first wrong pixel.
colour_problem=
colours_as_drawn() {
    grab_window "$1" || return 1
    local top point x y colour
    colour_problem=
    for top in 24 64 104 144 184 224 264; do
        # Just inside the frame, right of the caption, and low beside the drop-down button.
        for point in "290 $((top + 3))" "380 $((top + 10))" "430 $((top + 17))"; do
            read -r x y <<<"$point"
            colour=$(pixel "$x" "$y")
            [ "$colour" = "155,205,255" ] || { colour_problem="selector at ($x, $y): $colour"; return 1; }
        done
        colour=$(pixel 448 $((top + 5)))
        [ "$colour" != "155,205,255" ] || { colour_problem="no drop-down button at (448, $((top + 5)))"; return 1; }
    done
    # The preview frame at (8, 8): its panel left, right and below the base skin and
    # beside its title.
    for point in "12 150" "274 150" "150 284" "200 12"; do
        read -r x y <<<"$point"
        colour=$(pixel "$x" "$y")
        [ "$colour" = "140,198,255" ] || { colour_problem="preview frame at ($x, $y): $colour"; return 1; }
    done
}

echo "== first start: window, settings file, colours, Escape"
start_program
wait_until has_window "$main_title" || fail "main window did not appear"
window=$(window_named "$main_title")
geometry=$(xwininfo -id "$window")
grep -q 'Width: 472' <<<"$geometry" || fail "client width is not 472"
grep -q 'Height: 376' <<<"$geometry" || fail "client height is not 376"
expected_cfg="$HOME/.wine/drive_c/Games/GTA Vice City/"$'\r'
[ "$(cat "$program/vestu.cfg")" = "$expected_cfg" ] || fail "vestu.cfg holds $(od -c "$program/vestu.cfg")"
xdotool mousemove 0 0
wait_for_screen colours_as_drawn "$window" || fail "colours as drawn: $colour_problem"
cp "$window_rgb" "$work/plain.rgb"
if [ -n "${E2E_SCREENSHOT:-}" ]; then cp "$work/shot.png" "$E2E_SCREENSHOT"; fi

echo "== the wheel over a window that is not in front changes no selector it is not on"
# Nothing has given the window the focus yet (there is no window manager): the wheel over
# the shirt selector reaches a window none of whose widgets has the focus. The glasses
# selector is the window's focus widget, but the pointer is not on it: nothing turns.
xdotool mousemove --window "$window" 372 194 click 5
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the program ended after a wheel notch over an inactive window"
xdotool mousemove 0 0
grab_window "$window" || fail "no grab after the wheel notch"
cmp -s "$window_rgb" "$work/plain.rgb" || fail "a wheel notch over the shirt selector changed the window"
press "$main_title" Escape
expect_exit_zero "Escape"

echo "== Qt's own options on the command line change nothing"
(cd "$program" && exec ./vestura -reverse -style windows -geometry 200x100+0+0) &
pid=$!
wait_until has_window "$main_title" || fail "main window did not appear with Qt's options"
window=$(window_named "$main_title")
geometry_with_options=$(xwininfo -id "$window" | grep -E 'Absolute|Width|Height')
[ "$geometry_with_options" = "$(grep -E 'Absolute|Width|Height' <<<"$geometry")" ] ||
    fail "window placed at $geometry_with_options"
same_as_plain() { grab_window "$window" && cmp -s "$window_rgb" "$work/plain.rgb"; }
wait_for_screen same_as_plain || fail "the window looks different with -reverse -style -geometry"
press "$main_title" Escape
expect_exit_zero "Escape with Qt's options"

echo "== missing p.ls: one message before the window"
mv "$program/p.ls" "$work/p.ls"
start_program
wait_until has_window '^Vestura$' || fail "no failure message box"
no_window "$main_title" || fail "main window shown before the message was closed"
text=$(message_text)
grep -qF "Cannot open file $program/p.ls." <<<"$text" || fail "message box says: $text"
press '^Vestura$' Return
wait_until has_window "$main_title" || fail "main window did not appear after OK"
press "$main_title" Escape
expect_exit_zero "Escape after a start-up failure"
mv "$work/p.ls" "$program/p.ls"

echo "== Start Vice through a fake wine"
cat >"$work/tools/wine" <<SCRIPT
#!/bin/sh
{ pwd; printf '%s\n' "\$@"; } >"$work/wine.log"
SCRIPT
chmod +x "$work/tools/wine"
printf '%s/\r\n' "$work/game" >"$program/vestu.cfg"
touch "$work/game/gta-vc.exe"
PATH="$work/tools:$PATH" start_program
wait_until has_window "$main_title" || fail "main window did not appear"
window=$(window_named "$main_title")
click_start_vice() { xdotool mousemove --window "$window" 224 356 click 1; }
click_start_vice
wait_until test -s "$work/wine.log" || fail "wine was not started"
[ "$(sed -n 1p "$work/wine.log")" = "$work/game" ] || fail "wine ran in $(sed -n 1p "$work/wine.log")"
[ "$(sed -n 2p "$work/wine.log")" = "$work/game/gta-vc.exe" ] || fail "wine got $(sed -n '2,$p' "$work/wine.log")"

echo "== Enter in the skin-name field saves the skin into the game's skins folder"
mkdir "$work/game/skins"
xdotool mousemove --window "$window" 320 326 click 1
press "$main_title" Return
wait_until has_window '^Info$' || fail "no Info box after Enter"
[ "$(stat -c %s "$work/game/skins/NewSkin.bmp")" = 197686 ] || fail "skin file is not 197686 bytes"
press '^Info$' Return
wait_until no_window '^Info$' || fail "Info box did not close"

# Saves NewSkin.bmp anew with Enter (the default button) and moves it to $1.
save_skin_as() {
    rm -f "$work/game/skins/NewSkin.bmp"
    press "$main_title" Return
    wait_until has_window '^Info$' || fail "no Info box after saving for $1"
    press '^Info$' Return
    wait_until no_window '^Info$' || fail "Info box did not close"
    mv "$work/game/skins/NewSkin.bmp" "$work/$1"
}

echo "== the wheel turns only the focused selector under the pointer"
# The skin-name field has the focus: a notch over the glasses selector changes nothing.
save_skin_as before-wheel.bmp
xdotool mousemove --window "$window" 372 34 click 5
save_skin_as unfocused-wheel.bmp
cmp -s "$work/before-wheel.bmp" "$work/unfocused-wheel.bmp" ||
    fail "a wheel notch over an unfocused selector changed the skin"
# Tab from the skin-name field past the four buttons reaches the glasses selector: a notch
# over the beard selector still changes nothing, one over the glasses turns them.
press "$main_title" Tab Tab Tab Tab Tab
xdotool mousemove --window "$window" 372 74 click 5
save_skin_as beard-wheel.bmp
cmp -s "$work/before-wheel.bmp" "$work/beard-wheel.bmp" ||
    fail "a wheel notch over the beard selector changed the skin"
xdotool mousemove --window "$window" 372 34 click 5
save_skin_as focused-wheel.bmp
cmp -s "$work/before-wheel.bmp" "$work/focused-wheel.bmp" &&
    fail "a wheel notch did not turn the focused selector under the pointer"

echo "== a skin name that would leave the skins folder is refused"
xdotool mousemove --window "$window" 320 326 click 1
press "$main_title" ctrl+a
xdotool type --delay 20 '../evil'
press "$main_title" Return
wait_until has_window '^Vestura$' || fail "no message box for ../evil"
text=$(message_text)
grep -qF 'The skin name holds "/".' <<<"$text" || fail "the refusal says: $text"
press '^Vestura$' Return
wait_until no_window '^Vestura$' || fail "the refusal did not close"
[ ! -e "$work/game/evil.bmp" ] || fail "../evil was written outside the skins folder"

echo "== brackets in the skin name are no pattern"
rm -f "$work/game/skins/"*
cp "$work/before-wheel.bmp" "$work/game/skins/a.bmp"
xdotool mousemove --window "$window" 320 326 click 1
press "$main_title" ctrl+a
xdotool type --delay 20 '[ab]'
press "$main_title" Return
wait_until has_window '^Info$|^Question$' || fail "no message box after saving [ab]"
has_window '^Info$' || fail "saving [ab] beside a.bmp asked before replacing"
press '^Info$' Return
wait_until no_window '^Info$' || fail "Info box did not close"
[ "$(stat -c %s "$work/game/skins/[ab].bmp")" = 197686 ] || fail "[ab].bmp was not written"
cmp -s "$work/game/skins/a.bmp" "$work/before-wheel.bmp" || fail "a.bmp was changed"

echo "== Start Vice without the game"
rm "$work/game/gta-vc.exe"
click_start_vice
wait_until has_window '^Error$' || fail "no Error message box"
text=$(message_text)
grep -qF "File gta-vc.exe not found!" <<<"$text" || fail "Error box says: $text"
press '^Error$' Return
wait_until no_window '^Error$' || fail "Error box did not close"
press "$main_title" Escape
expect_exit_zero "Escape after Start Vice"

echo "== Start Vice for a Steam copy through a fake steam"
steam_game="$HOME/.local/share/Steam/steamapps/common/Grand Theft Auto Vice City"
mkdir -p "$steam_game"
touch "$steam_game/gta-vc.exe"
cat >"$work/tools/steam" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$@" >"$work/steam.log"
SCRIPT
chmod +x "$work/tools/steam"
printf '%s/\r\n' "$steam_game" >"$program/vestu.cfg"
PATH="$work/tools:$PATH" start_program
wait_until has_window "$main_title" || fail "main window did not appear"
window=$(window_named "$main_title")
click_start_vice
wait_until test -s "$work/steam.log" || fail "steam was not started"
[ "$(cat "$work/steam.log")" = $'-applaunch\n12110' ] || fail "steam got $(cat "$work/steam.log")"
press "$main_title" Escape
expect_exit_zero "Escape after the Steam launch"

echo "== first start in a home holding only a Steam install: found, stored, saved into"
rm "$program/vestu.cfg"
start_program
wait_until has_window "$main_title" || fail "main window did not appear"
window=$(window_named "$main_title")
[ "$(cat "$program/vestu.cfg")" = "$steam_game/"$'\r' ] ||
    fail "the first start stored $(cat "$program/vestu.cfg")"
xdotool mousemove 0 0
sleep 0.5
import -window root "$work/steam-first-start.png"
if [ -n "${E2E_STEAM_SCREENSHOT:-}" ]; then cp "$work/steam-first-start.png" "$E2E_STEAM_SCREENSHOT"; fi
xdotool mousemove --window "$window" 320 326 click 1
press "$main_title" ctrl+a
xdotool type --delay 20 'FirstTry'
press "$main_title" Return
wait_until has_window '^Info$' || fail "no Info box after the first Save"
[ "$(stat -c %s "$steam_game/skins/FirstTry.bmp")" = 197686 ] || fail "FirstTry.bmp was not saved"
press '^Info$' Return
wait_until no_window '^Info$' || fail "Info box did not close"
press "$main_title" Escape
expect_exit_zero "Escape after the first Save"

echo "all end-to-end checks passed"

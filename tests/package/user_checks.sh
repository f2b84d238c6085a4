#!/bin/bash
# Run by package_test.sh as a normal user, in a fresh home, on the installed package: the
# CLI's render, view, list and games; the bash completion; the window started from its menu
# entry under Xvfb, saving a skin that must equal the CLI's; a catalogue of the user's own,
# made with the README's command, taken by both programs; and `vestura --catalogue`.
# Usage: user_checks.sh <installed program folder>, with the game made in the home's default
# Wine prefix.
set -uo pipefail

program=$1
game="$HOME/.wine/drive_c/Games/GTA Vice City"
skins="$game/skins"
out="$HOME/out"
shots="$HOME/shots"
main_title='^Vestura by Kadrow \(version 1\.1\)$'
mkdir -p "$out" "$shots"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
wait_until() {
    for _ in $(seq "${TRIES:-100}"); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    return 1
}
is_skin() { [ "$(stat -c %s "$1" 2>/dev/null)" = 197686 ]; }

[ -f "$game/models/gta3.img" ] || fail "no game in $game"

echo "-- vestura-cli from /usr/bin"
command -v vestura-cli | grep -qx /usr/bin/vestura-cli || fail "vestura-cli is not /usr/bin's"
vestura-cli --version | grep -q '^vestura-cli ' || fail "vestura-cli --version"
vestura-cli list >"$out/list" || fail "vestura-cli list failed"
glasses=$(awk -F'\t' '$1 == "glasses" && $2 == 1 { print $3 }' "$out/list")
other=$(awk -F'\t' '$1 == "glasses" && $2 == 2 { print $4 }' "$out/list")
[ -n "$glasses" ] && [ -n "$other" ] || fail "the shipped catalogue lists no two glasses"
vestura-cli render --glasses "$glasses" --shirt 1 --output "$out/render.bmp" ||
    fail "vestura-cli render failed"
is_skin "$out/render.bmp" || fail "render wrote no skin"
vestura-cli games | grep -q "^wine	$game/" || fail "vestura-cli games does not find the game"
vestura-cli view --shirt 1 --yaw 30 --output "$out/view.png" || fail "vestura-cli view failed"
[ "$(head -c 8 "$out/view.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    fail "view wrote no PNG"
if command -v man >/dev/null; then
    for page in vestura vestura-cli; do
        man -w "$page" >/dev/null 2>&1 || fail "man finds no page for $page"
    done
fi

echo "-- bash completion"
# Completes the words given (the last one being typed) and prints what it offers.
complete_words() {
    bash -c 'source /usr/share/bash-completion/completions/vestura-cli
             COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _vestura_cli 2>/dev/null
             printf "%s\n" "${COMPREPLY[@]}"' completion "$@"
}
[ "$(complete_words vestura-cli ren)" = render ] || fail "completion: ren gives $(complete_words vestura-cli ren)"
complete_words vestura-cli view --tu | grep -qx -- --yaw && fail "completion: --tu offers --yaw"
complete_words vestura-cli view --y | grep -qx -- --yaw || fail "completion: --y does not offer --yaw"
complete_words vestura-cli template --category sh | grep -qx shirt || fail "completion: no category"
[ "$(complete_words vestura-cli render --glasses "\"${glasses:0:3}")" = "$glasses" ] ||
    fail "completion: --glasses \"${glasses:0:3} gives $(complete_words vestura-cli render --glasses "\"${glasses:0:3}")"

# Runs the desktop entry's command (without field codes) under Xvfb, picks glasses 1 with
# the keyboard, saves the skin as $1, and closes the window. $2... are extra arguments.
run_window() {
    local name=$1 window
    shift
    "$@" &
    gui=$!
    wait_until xdotool search --onlyvisible --name "$main_title" || fail "$name: no window"
    window=$(xdotool search --onlyvisible --name "$main_title" | head -n 1)
    sleep 0.5
    xdotool mousemove 0 0
    import -window root "$shots/$name.png" || fail "no screenshot"
    xdotool windowfocus --sync "$window" key --clearmodifiers Down
    sleep 0.5
    import -window root "$shots/$name-glasses-1.png" || fail "no screenshot"
    xdotool mousemove --window "$window" 320 326 click 1
    xdotool windowfocus --sync "$window" key --clearmodifiers ctrl+a
    xdotool type --delay 20 "$name"
    xdotool windowfocus --sync "$window" key --clearmodifiers Return
    wait_until xdotool search --onlyvisible --name '^Info$' || fail "$name: no Info box after Save"
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Info$' | head -n 1)" \
        key --clearmodifiers Return
    xdotool windowfocus --sync "$window" key --clearmodifiers Escape
    for _ in $(seq 100); do kill -0 "$gui" 2>/dev/null || break; sleep 0.1; done
    wait "$gui" || fail "$name: the window exited with $?"
    is_skin "$skins/$name.bmp" || fail "$name: no skin saved"
}

echo "-- the window from its menu entry, under Xvfb"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$HOME/display" 2>/dev/null &
xvfb=$!
gui=
trap 'kill $gui $xvfb 2>/dev/null' EXIT
wait_until test -s "$HOME/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$HOME/display")"
entry=/usr/share/applications/org.example.vestura.desktop
exec_line=$(sed -n 's/^Exec=//p' "$entry" | head -n 1 | sed 's/ *%[a-zA-Z]//g')
[ -n "$exec_line" ] || fail "the menu entry has no Exec line"
read -ra command <<<"$exec_line"
run_window Shipped "${command[@]}"
vestura-cli render --glasses 1 --output "$out/shipped.bmp" || fail "render --glasses 1"
cmp -s "$skins/Shipped.bmp" "$out/shipped.bmp" || fail "the window's skin is not the CLI's"
cmp -s "$skins/Shipped.bmp" "$out/render.bmp" && fail "the window saved the same skin as with a shirt"
[ "$(head -n 1 "$HOME/.config/vestura/vestu.cfg" | tr -d '\r')" = "$game/" ] ||
    fail "the settings file in the user's home does not name the game"
[ ! -e "$program/vestu.cfg" ] || fail "a settings file was made in the program folder"

echo "-- a catalogue of one's own, made with the README's command"
mkdir -p ~/.local/share/vestura && cp -r /usr/share/vestura ~/.local/share/vestura/catalogue ||
    fail "the README's copy command failed"
own=~/.local/share/vestura/catalogue
# Glasses 1 becomes glasses 2's picture under a caption of the user's.
python3 - "$own/e.ls" "$other" <<'EOF' || fail "e.ls not edited"
import sys
path, other = sys.argv[1], sys.argv[2]
lines = open(path, encoding="latin-1").read().splitlines()
first = lines.index("<NEW>")
lines[first + 1], lines[first + 2] = other, "My own glasses"
open(path, "w", encoding="latin-1").write("\r\n".join(lines) + "\r\n")
EOF
vestura-cli list | grep -q "^glasses	1	My own glasses	" || fail "vestura-cli list does not take the user's catalogue"
[ "$(complete_words vestura-cli view --glasses "'My o")" = "My own glasses" ] ||
    fail "completion does not offer the user's caption"
vestura-cli render --glasses 1 --output "$out/own.bmp" || fail "render from the user's catalogue"
cmp -s "$out/own.bmp" "$out/shipped.bmp" && fail "the user's glasses 1 renders as the shipped one"
run_window Own "${command[@]}"
cmp -s "$skins/Own.bmp" "$out/own.bmp" || fail "the window does not take the user's catalogue"
run_window Named vestura --catalogue /usr/share/vestura
cmp -s "$skins/Named.bmp" "$out/shipped.bmp" || fail "vestura --catalogue does not take the folder named"

kill "$xvfb" 2>/dev/null
echo "-- all checks as $(id -un) passed"

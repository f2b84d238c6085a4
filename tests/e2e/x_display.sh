# Sourced by the scripts that run the real program on a screen of their own. Gives them a
# scratch folder $work, removed on exit together with the program ($pid, when set) and the
# display; start_display, which starts a virtual X display and points DISPLAY at it; and
# copy_program, which copies a program folder (the binary, its lists, its parts).

work=$(mktemp -d)
pid=
xvfb=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and reports its number: no race with other servers.
# -noreset: by default the server resets when its last client leaves, and a program that
# starts during that reset cannot connect.
start_display() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
    unset QT_QPA_PLATFORM  # the program must show its windows on this display
    export DISPLAY=":$(cat "$work/display")"
}

# copy_program FROM TO: the program, and the lists and parts beside it.
copy_program() {
    mkdir -p "$2"
    cp "$1/vestura" "$1"/*.ls "$2/"
    if [ -d "$1/parts" ]; then cp -r "$1/parts" "$2/"; fi
}

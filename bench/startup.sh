#!/bin/bash
# Times the program's start-up up to its first painted window against a minimal Qt Widgets
# program, with hyperfine, on a private virtual X display.
# Usage: bench/startup.sh [build folder]   (default: build)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The probe runs from a copy of the program folder, with its catalogue and a settings file.
cp "$build/bench/startup_probe" "$build/bin/"*.ls "$work/"
if [ -d "$build/bin/parts" ]; then cp -r "$build/bin/parts" "$work/"; fi
printf '%s\r\n' "$work/game/" >"$work/vestu.cfg"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

hyperfine --warmup 5 --runs 40 -N \
    --command-name "minimal Qt Widgets (30 children)" "$build/bench/minimal_qt" \
    --command-name "vestura start-up to first paint" "$work/startup_probe"

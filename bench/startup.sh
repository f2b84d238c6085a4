#!/bin/bash
# Times the program's start-up up to its first painted window against a minimal Qt Widgets
# program, with hyperfine, on a private virtual X display.
# Usage: bench/startup.sh [build folder]   (default: build)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
source "$(dirname "$0")/../tests/e2e/x_display.sh"

# The probe runs from a copy of the program folder, with its catalogue and a settings file.
cp "$build/bench/startup_probe" "$build/bin/"*.ls "$work/"
if [ -d "$build/bin/parts" ]; then cp -r "$build/bin/parts" "$work/"; fi
printf '%s\r\n' "$work/game/" >"$work/vestu.cfg"

start_display

hyperfine --warmup 5 --runs 40 -N \
    --command-name "minimal Qt Widgets (30 children)" "$build/bench/minimal_qt" \
    --command-name "vestura start-up to first paint" "$work/startup_probe"

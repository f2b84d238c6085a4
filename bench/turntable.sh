#!/usr/bin/env bash
# Whole-process timings of a 36-frame turntable at 512 x 512 with hyperfine: as lossless
# WebP, GIF and animated PNG, beside one `view` at 512. Prints the ratios against their goals
# from that one run: the WebP in at most 36 views' time, the GIF and the APNG in at most 1.5
# times the WebP's.
# Usage: bench/turntable.sh [build-dir]   (default: build)
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
cli="$build/bin/vestura-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A stand-in player model (no game is needed) and one part of every category.
python3 "$here/make_figure.py" "$work/figure.dff"
view="$cli view --model $work/figure.dff --glasses 3 --beard 1 --chain 3 --watch 4 --shirt 1"
view+=" --jeans 1 --boots 1 --size 512"

hyperfine --warmup 2 --min-runs 5 --export-markdown "$work/report.md" \
    --export-json "$work/report.json" \
    -n "view (one process)" "$view --output $work/still.png" \
    -n "turntable webp" "$view --turntable --output $work/turn.webp" \
    -n "turntable gif" "$view --turntable --output $work/turn.gif" \
    -n "turntable apng" "$view --turntable --output $work/turn.png"
cat "$work/report.md"
ls -l "$work"/turn.*
python3 - "$work/report.json" <<'RATIOS'
import json, sys
mean = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
view, webp = mean["view (one process)"], mean["turntable webp"]
rows = [("webp / (36 x view)", webp / (36 * view), 1.0),
        ("gif / webp", mean["turntable gif"] / webp, 1.5),
        ("apng / webp", mean["turntable apng"] / webp, 1.5)]
for name, ratio, goal in rows:
    print(f"{name:20} {ratio:6.3f}  (goal <= {goal}) {'ok' if ratio <= goal else 'MISSED'}")
RATIOS

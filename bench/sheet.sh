#!/usr/bin/env bash
# Whole-process timings with hyperfine: the sheet of the sample catalogue (every entry as a
# flat tile, written as a PNG) against one render of a skin with a part of every category.
# Prints the ratio against its goal from that one run.
# Usage: bench/sheet.sh [build-dir]   (default: build)
set -euo pipefail
build=$(realpath "${1:-build}")
cli="$build/bin/vestura-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

entries=$("$cli" list | awk -F'\t' '$2 > 0' | wc -l)
hyperfine --warmup 3 --min-runs 20 --export-markdown "$work/report.md" \
    --export-json "$work/report.json" \
    -n "render (one process)" \
    "$cli render --glasses 3 --beard 1 --chain 3 --watch 4 --shirt 1 --jeans 1 --boots 1 --output $work/one.bmp" \
    -n "sheet ($entries entries)" "$cli sheet --output $work/sheet.png" \
    -n "sheet ($entries entries, bmp)" "$cli sheet --output $work/sheet.bmp"
cat "$work/report.md"
python3 - "$work/report.json" "$entries" <<'RATIOS'
import json, sys
mean = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
entries = sys.argv[2]
render = mean["render (one process)"]
for name in (f"sheet ({entries} entries)", f"sheet ({entries} entries, bmp)"):
    print(f"{name}: {mean[name] / render:.2f}x one render, whole process (goal: at most 3x)")
RATIOS

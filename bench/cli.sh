#!/usr/bin/env bash
# Whole-process timings of vestura-cli with hyperfine: one render as a process, a recipes
# run over 1,000 skins, --version, the floors of a Qt-linked tool (load QtGui and exit;
# start the GUI application and exit), and ImageMagick composing the same seven parts over
# the same base skin. Prints the ratios against their goals from that one run.
# Usage: bench/cli.sh [build-dir]   (default: build)
set -euo pipefail
build=$(realpath "${1:-build}")
bin="$build/bin"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cli="$bin/vestura-cli"
# One bitmap or JPEG entry of every category (ImageMagick reads no metafiles), the same for
# every program timed.
declare -A pick=([glasses]=3 [beard]=1 [chain]=3 [watch]=4 [shirt]=1 [jeans]=1 [boots]=1)
args=()
recipe=""
for category in "${!pick[@]}"; do
    args+=(--"$category" "${pick[$category]}")
    recipe+=" $category=${pick[$category]}"
done

for i in $(seq 1 1000); do
    echo "$work/skin$i.bmp$recipe"
done > "$work/recipes.txt"
# The same batch into memory (tmpfs) when the system has one: the program's own cost per
# skin, apart from what the disk adds for making 1,000 files durable.
memory=""
if [[ -d /dev/shm && -w /dev/shm ]]; then
    memory=$(mktemp -d /dev/shm/vestura-bench.XXXXXX)
    trap 'rm -rf "$work" "$memory"' EXIT
    sed "s|^$work/|$memory/|" "$work/recipes.txt" > "$memory/recipes.txt"
fi

# The same seven parts composed by ImageMagick at their skin places.
path_of() { "$cli" list | awk -F'\t' -v c="$1" -v i="${pick[$1]}" '$1 == c && $2 == i { print $4 }'; }
base="$work/base.bmp"
"$cli" render --output "$base"  # the base skin alone
im=(convert "$base")
while read -r category x y; do
    part="$bin/$(path_of "$category")"
    if [[ $category == jeans ]]; then
        im+=("(" "$part" -transparent magenta ")" -geometry "+$x+$y" -composite)
    else
        im+=("$part" -geometry "+$x+$y" -composite)
    fi
done <<'PLACES'
beard 128 0
glasses 160 39
chain 216 146
watch 95 0
shirt 87 128
jeans 0 84
boots 0 0
PLACES
im+=("BMP3:$work/magick.bmp")
imagemagick=$(printf '%q ' "${im[@]}")

skins=1000
in_memory=()
[[ -n $memory ]] && in_memory=(-n "render --recipes ($skins skins, tmpfs)"
                                 "$cli render --recipes $memory/recipes.txt")
hyperfine --warmup 3 --export-markdown "$work/report.md" --export-json "$work/report.json" \
    -n "qtgui loaded" "$build/bench/qtgui_loaded" \
    -n "qt floor" "$build/bench/qt_floor" \
    -n "cli --version" "$cli --version" \
    -n "render (one process)" "$cli render ${args[*]} --output $work/one.bmp" \
    -n "render --recipes ($skins skins)" "$cli render --recipes $work/recipes.txt" \
    "${in_memory[@]}" \
    -n "imagemagick (one skin)" "$imagemagick"
cat "$work/report.md"
python3 - "$work/report.json" "$skins" <<'RATIOS'
import json, sys
mean = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
skins = int(sys.argv[2])
magick = mean["imagemagick (one skin)"]
one = mean["render (one process)"] / magick
batch = magick / (mean[f"render --recipes ({skins} skins)"] / skins)
version = mean["cli --version"] / mean["qtgui loaded"]
print(f"one skin, whole process: {one:.2f}x ImageMagick's time (goal: at most 0.8x)")
print(f"recipes batch, per skin: {batch:.0f}x faster than ImageMagick per skin (goal: at least 50x)")
tmpfs = mean.get(f"render --recipes ({skins} skins, tmpfs)")
if tmpfs:
    print(f"recipes batch into tmpfs, per skin: {magick / (tmpfs / skins):.0f}x faster than"
          " ImageMagick per skin (the program without the disk)")
print(f"--version: {version:.2f}x a program that only loads QtGui"
      f" ({mean['cli --version'] * 1000:.1f} ms against {mean['qtgui loaded'] * 1000:.1f} ms)")
RATIOS

#!/usr/bin/env bash
# Whole-process timing of `vestura-cli games` with hyperfine, on a made-up home folder of
# about 4,500 entries in the places it searches, beside `vestura-cli --version` (the cost of
# starting the tool) and `find` over the same tree.
# Usage: bench/games.sh [build-dir]   (default: build)
set -euo pipefail
build=$(realpath "${1:-build}")
cli="$build/bin/vestura-cli"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT

steam="$home/.local/share/Steam/steamapps"
for g in $(seq 150); do
    mkdir -p "$steam/common/Game $g"
    touch "$steam/common/Game $g/file"{1..6} "$steam/appmanifest_$((1000 + g)).acf"
done
mkdir -p "$steam/common/Grand Theft Auto Vice City" "$home/.wine/drive_c/windows/system32" \
    "$home/.wine/drive_c/Games/GTA Vice City"
touch "$steam/common/Grand Theft Auto Vice City/gta-vc.exe" "$home/.wine/drive_c/Games/GTA Vice City/gta-vc.exe"
(cd "$home/.wine/drive_c/windows/system32" && touch lib{1..2000}.dll)
for p in $(seq 40); do
    mkdir -p "$home/.wine/drive_c/Program Files/App $p/bin"
    touch "$home/.wine/drive_c/Program Files/App $p/bin/part"{1..10}
done
for l in $(seq 4); do
    mkdir -p "$home/Games/prefix$l/drive_c/windows"
    (cd "$home/Games/prefix$l/drive_c/windows" && touch f{1..300})
done
echo "entries: $(find "$home" | wc -l)"
HOME="$home" "$cli" games

export HOME="$home"
hyperfine --warmup 3 -N \
    -n "vestura-cli --version" "$cli --version" \
    -n "find over the home" "find $home" \
    -n "vestura-cli games" "$cli games"

#!/bin/bash
# Installs a built program folder with scripts/install into a temporary HOME and checks the
# result: links that start both programs, a valid menu entry and AppStream file, the icons,
# and that installing again and uninstalling leave the user's own files alone.
# Usage: install_test.sh <built program folder> <source folder>
set -uo pipefail

bin_dir=$(realpath "$1")
source_dir=$(realpath "$2")
install="$source_dir/scripts/install"
work=$(mktemp -d)
gui=
cleanup() {
    [ -n "$gui" ] && kill "$gui" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work/home"
unset XDG_DATA_HOME
mkdir -p "$HOME"
data="$HOME/.local/share"
program="$data/vestura"
links="$HOME/.local/bin"
app_id=org.example.vestura
entry="$data/applications/$app_id.desktop"
metainfo="$data/metainfo/$app_id.metainfo.xml"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Every file and link below a folder, as paths relative to it.
files_below() { (cd "$1" && find . \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort); }
# Everything below a folder, folders included.
tree_below() { (cd "$1" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort); }

png_size() {
    /usr/bin/python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read(24)
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
print("%dx%d" % struct.unpack(">II", data[16:24]))' "$1"
}

run_install() {
    "$install" "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "scripts/install $* failed"; }
}

# Version 1: the built folder as it is, plus a vestu.cfg a developer's run left there.
v1="$work/v1"
cp -r "$bin_dir" "$v1"
echo '/somewhere/from/a/test/run/' >"$v1/vestu.cfg"
[ -f "$v1/k.ls" ] && [ -d "$v1/parts/shirts" ] || fail "the built folder has no sample catalogue"
shipped=$( (cd "$v1" && { printf '%s\n' vestura vestura-cli; ls -1 ./*.ls ./*.so | sed 's|^\./||'
                           find parts \( -type f -o -type l \); }) | LC_ALL=C sort)

echo "-- a first install lays out the program folder, links, menu entry, icons, metainfo"
run_install --from "$v1"
grep -q kept "$work/log" && fail "a first install kept something: $(cat "$work/log")"
expected=$( { sed 's|^|.local/share/vestura/|' <<<"$shipped"
              echo .local/share/vestura/.install-manifest
              echo .local/bin/vestura; echo .local/bin/vestura-cli
              echo ".local/share/applications/$app_id.desktop"
              echo ".local/share/metainfo/$app_id.metainfo.xml"
              echo ".local/share/icons/hicolor/32x32/apps/$app_id.png"
              echo ".local/share/icons/hicolor/256x256/apps/$app_id.png"; } | LC_ALL=C sort)
diff <(echo "$expected") <(files_below "$HOME") || fail "the installed files differ (< expected)"
cmp -s "$v1/vestura-cli" "$program/vestura-cli" || fail "vestura-cli is not the built one"
cmp -s "$v1/vestura-cli-engine.so" "$program/vestura-cli-engine.so" ||
    fail "vestura-cli's engine is not the built one"
[ -x "$program/vestura" ] && [ -x "$program/vestura-cli" ] || fail "the programs are not executable"
for name in vestura vestura-cli; do
    [ "$(readlink "$links/$name")" = "$program/$name" ] || fail "$links/$name is not a link to $program/$name"
done

echo "-- the links start the programs in the program folder"
reference=$("$bin_dir/vestura-cli" list) || fail "vestura-cli list fails in the built folder"
[ -n "$reference" ] || fail "vestura-cli list shows nothing in the built folder"
listed=$(cd / && "$links/vestura-cli" list) || fail "vestura-cli list through the link failed"
[ "$listed" = "$reference" ] || fail "vestura-cli list through the link shows another catalogue"
# The window creates vestu.cfg in its program folder at its first start.
(cd / && QT_QPA_PLATFORM=offscreen exec "$links/vestura") >/dev/null 2>&1 &
gui=$!
for _ in $(seq 150); do [ -s "$program/vestu.cfg" ] && break; sleep 0.1; done
kill "$gui" 2>/dev/null
wait "$gui" 2>/dev/null
gui=
[ -s "$program/vestu.cfg" ] || fail "vestura started through the link made no vestu.cfg in $program"
[ -e "$links/vestu.cfg" ] && fail "vestura took the link's folder for its program folder"

echo "-- the menu entry, the icons and the metainfo"
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing (scripts/install-deps)"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
for line in "Name=Vestura" "Categories=Graphics;Game;" "Icon=$app_id" "Exec=$program/vestura" \
            "Type=Application"; do
    grep -qxF "$line" "$entry" || fail "the menu entry has no line $line"
done
[ "$(grep -c '^Comment=.' "$entry")" -eq 1 ] || fail "the menu entry needs one Comment line"
for size in 32x32 256x256; do
    [ "$(png_size "$data/icons/hicolor/$size/apps/$app_id.png")" = "$size" ] ||
        fail "the $size icon is not a $size PNG"
done
grep -q '<caption>..*</caption>' "$metainfo" || fail "the metainfo describes no screenshot"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
else
    echo "NOTE: appstreamcli is not installed (Debian: appstream); the metainfo was not validated"
fi

echo "-- installing the same folder again changes nothing"
manifest_before=$(cat "$program/.install-manifest")
run_install --from "$v1"
grep -q kept "$work/log" && fail "a second install kept something: $(cat "$work/log")"
[ "$(cat "$program/.install-manifest")" = "$manifest_before" ] || fail "the record changed"

echo "-- a user's changes survive a new version; files that came with the install are replaced"
first_part() { (cd "$v1" && find "parts/$1" -type f | LC_ALL=C sort | sed -n "${2}p"); }
updated=$(first_part shirts 1)      # the user leaves it, the new version changes it
user_changed=$(first_part shirts 2) # the user edits it, the new version changes it too
dropped=$(first_part boots 1)       # no longer ships; the user left it
dropped_changed=$(first_part boots 2) # no longer ships; the user edited it
deleted=$(first_part jeans 1)       # the user deleted it; it ships still
for f in "$updated" "$user_changed" "$dropped" "$dropped_changed" "$deleted"; do
    [ -n "$f" ] || fail "the sample catalogue has too few parts for this test"
done
printf '%s\n' '/home/player/Games/GTA Vice City/' >"$program/vestu.cfg"
cp "$program/$updated" "$program/parts/shirts/my_own_shirt.bmp"
printf '<NEW>\nparts/shirts/my_own_shirt.bmp\nMy own shirt\n' >>"$program/k.ls"
printf 'edited by the user' >"$program/$user_changed"
printf 'edited by the user' >"$program/$dropped_changed"
rm "$program/$deleted"
mkdir -p "$program/parts/mine" && printf 'mine' >"$program/parts/mine/notes.txt"
printf '[Desktop Entry]\n' >"$data/applications/someone-else.desktop"
cp "$program/k.ls" "$work/user_k.ls"

v2="$work/v2"
cp -r "$v1" "$v2"
printf 'new version' >>"$v2/$updated"
printf 'new version' >>"$v2/$user_changed"
printf '# new version\n' >>"$v2/k.ls"
rm "$v2/$dropped" "$v2/$dropped_changed"
run_install --from "$v2"
printf '%s\n' '/home/player/Games/GTA Vice City/' >"$work/want_cfg"
printf 'edited by the user' >"$work/want_edit"
printf 'mine' >"$work/want_mine"
# path | what it must hold after the reinstall ("gone" when it must not exist)
while IFS='|' read -r path want; do
    case $want in
        gone) [ -e "$program/$path" ] && fail "$path should be gone after the reinstall" ;;
        *) cmp -s "$want" "$program/$path" || fail "$path after the reinstall is not $want" ;;
    esac
done <<EOF
vestu.cfg|$work/want_cfg
k.ls|$work/user_k.ls
parts/shirts/my_own_shirt.bmp|$v1/$updated
$updated|$v2/$updated
$user_changed|$work/want_edit
$dropped|gone
$dropped_changed|$work/want_edit
$deleted|$v2/$deleted
parts/mine/notes.txt|$work/want_mine
EOF
for f in k.ls "$user_changed" "$dropped_changed"; do
    grep -qF "kept $program/$f" "$work/log" || fail "the reinstall did not say it kept $f"
done
(cd / && "$links/vestura-cli" list) | grep -q 'My own shirt' ||
    fail "vestura-cli list through the link does not show the user's own shirt"

echo "-- uninstalling leaves exactly the user's files"
"$install" --uninstall >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "uninstall failed"; }
expected=$(printf '%s\n' .local .local/share .local/share/applications \
    .local/share/applications/someone-else.desktop .local/share/vestura \
    .local/share/vestura/vestu.cfg .local/share/vestura/k.ls .local/share/vestura/parts \
    .local/share/vestura/parts/shirts .local/share/vestura/parts/shirts/my_own_shirt.bmp \
    ".local/share/vestura/$user_changed" .local/share/vestura/parts/boots \
    ".local/share/vestura/$dropped_changed" .local/share/vestura/parts/mine \
    .local/share/vestura/parts/mine/notes.txt | LC_ALL=C sort)
diff <(echo "$expected") <(tree_below "$HOME") || fail "uninstall left other things (< expected)"
"$install" --uninstall >"$work/log" 2>&1 || fail "a second uninstall failed"
grep -q "Nothing to uninstall" "$work/log" || fail "a second uninstall should find nothing to do"

echo "-- a prefix with a space in it, and a staging folder"
rm -rf "$HOME" && mkdir -p "$HOME"
prefix="$work/my programs"
run_install --from "$v1" --prefix "$prefix"
[ -z "$(ls -A "$HOME")" ] || fail "an install with --prefix wrote into HOME"
(cd / && "$prefix/bin/vestura-cli" list) >/dev/null || fail "vestura-cli through the prefix link failed"
desktop-file-validate "$prefix/share/applications/$app_id.desktop" ||
    fail "desktop-file-validate rejects the entry with a space in its path"
grep -qxF "Exec=\"$prefix/share/vestura/vestura\"" "$prefix/share/applications/$app_id.desktop" ||
    fail "Exec does not quote a path with a space"
"$install" --uninstall --prefix "$prefix" >"$work/log" 2>&1 || fail "uninstall with --prefix failed"
[ ! -e "$prefix" ] || fail "uninstall with --prefix left $(tree_below "$prefix")"
stage="$work/stage"
run_install --from "$v1" --destdir "$stage"
[ -z "$(ls -A "$HOME")" ] || fail "an install with --destdir wrote into HOME"
[ "$(readlink "$stage$links/vestura")" = "$program/vestura" ] || fail "a staged link must name the final place"
grep -qxF "Exec=$program/vestura" "$stage$entry" || fail "a staged menu entry must name the final place"
cmp -s "$v1/vestura" "$stage$program/vestura" || fail "the staged program is not the built one"

echo "PASS"

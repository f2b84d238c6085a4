#!/bin/bash
# The Debian package as a user gets it: builds it (make deb, which also runs lintian and the
# menu-entry and AppStream checks), installs it with apt-get, runs both programs from the
# installed copy as a normal user (user_checks.sh), then purges it and checks that nothing
# of it is left outside that user's home.
# Needs root and apt-get; skips, saying why, without them. Run by `make package-test`.
# Set PACKAGE_TEST_SHOTS to a folder to keep the screenshots taken, PACKAGE_TEST_DEB to a
# package built before to try that one instead of building.
set -uo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
here="$source_dir/tests/package"
user=vestura-pkgtest
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo unknown)

skip() {
    echo "SKIP: package test: $*"
    exit 0
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ "$(id -u)" -eq 0 ] || skip "it installs the package with apt-get and needs root"
command -v apt-get >/dev/null || skip "apt-get is missing (not a Debian system)"
"$source_dir/scripts/install-deps" || skip "the packaging tools could not be installed"
for tool in dpkg-buildpackage lintian useradd runuser Xvfb xdotool import; do
    command -v "$tool" >/dev/null || skip "$tool is missing"
done
if dpkg-query -W -f='${Status}' vestura 2>/dev/null | grep -q installed; then
    fail "vestura is installed on this machine already: the test would purge it"
fi

work=$(mktemp -d /tmp/vestura-package-test.XXXXXX)
chmod 755 "$work"
home="$work/home"
made_user=
installed=
cleanup() {
    if [ -n "$installed" ]; then apt-get purge -y -q vestura >/dev/null 2>&1; fi
    if [ -n "$made_user" ]; then userdel "$user" >/dev/null 2>&1; fi
    rm -rf "$work"
}
trap cleanup EXIT

if [ -n "${PACKAGE_TEST_DEB:-}" ]; then
    deb=$(realpath "$PACKAGE_TEST_DEB")  # a package built before, tried as it is
else
    echo "== make deb"
    start=$(date +%s)
    make -C "$source_dir" deb >"$work/deb.log" 2>&1 ||
        { tail -n 60 "$work/deb.log" >&2; fail "make deb failed"; }
    echo "make deb took $(( $(date +%s) - start )) s"
    sed -n '/^lintian /,$p' "$work/deb.log"
    deb=$(ls "$source_dir"/build/deb/vestura_*.deb 2>/dev/null | head -n 1)
fi
[ -f "$deb" ] || fail "no vestura_*.deb to install"

echo "== a normal user"
if ! id "$user" >/dev/null 2>&1; then
    useradd --home-dir "$home" --create-home --shell /bin/bash --user-group "$user" ||
        fail "useradd failed"
    made_user=1
fi
mkdir -p "$home"
chown "$user:" "$home"

# Every path below the places a package may write, and what is left of them after a purge.
# The user's home and folders that change by themselves (logs, apt's caches, the manual's
# index, other helpers' /tmp) are left out.
system_paths() {
    find /usr /etc /opt /var /srv \
        \( -path /var/log -o -path /var/cache/apt -o -path /var/cache/man -o -path /var/tmp \
           -o -path /var/lib/apt/lists -o -path /var/cache/debconf -o -path /var/lib/dpkg/updates \
           -o -path /var/cache/ldconfig -o -path /var/lib/systemd \) -prune -o -print 2>/dev/null |
        LC_ALL=C sort
}
system_paths >"$work/before"

echo "== apt-get install ./$(basename "$deb")"
installed=1
(cd "$(dirname "$deb")" && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "./$(basename "$deb")") >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get install failed"; }
dpkg -L vestura >"$work/files" || fail "dpkg -L vestura failed"
program="/usr/lib/$multiarch/vestura"
for path in /usr/bin/vestura /usr/bin/vestura-cli "$program/vestura" "$program/vestura-cli" \
            "$program/vestura-cli-engine.so" "$program/k.ls" "$program/parts" /usr/share/vestura/k.ls \
            /usr/share/man/man1/vestura.1.gz /usr/share/man/man1/vestura-cli.1.gz \
            /usr/share/bash-completion/completions/vestura-cli \
            /usr/share/applications/org.example.vestura.desktop \
            /usr/share/metainfo/org.example.vestura.metainfo.xml \
            /usr/share/icons/hicolor/32x32/apps/org.example.vestura.png \
            /usr/share/icons/hicolor/256x256/apps/org.example.vestura.png; do
    grep -qx "$path" "$work/files" || fail "the package does not install $path"
done
[ "$(stat -c %U "$program")" = root ] || fail "$program is not root's"

echo "== the installed programs as $user"
# The game where the window's first start looks for it: the default Wine prefix.
game="$home/.wine/drive_c/Games/GTA Vice City"
python3 "$here/make_game.py" "$game" || fail "no game folder made"
chown -R "$user:" "$home"
# The user runs a copy of the script: the checkout may lie where only root can read.
cp "$here/user_checks.sh" "$work/user_checks.sh"
chmod a+r "$work/user_checks.sh"
# Qt's runtime folder too lies in the home, where a session would have it of its own.
runtime="$home/.runtime"
install -d -m 700 -o "$user" "$runtime"
runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime" LANG=C.UTF-8 \
    bash "$work/user_checks.sh" "$program"
status=$?
if [ -n "${PACKAGE_TEST_SHOTS:-}" ]; then
    mkdir -p "$PACKAGE_TEST_SHOTS" && cp "$home"/shots/*.png "$PACKAGE_TEST_SHOTS/" 2>/dev/null
fi
[ "$status" -eq 0 ] || fail "the checks as $user failed"

echo "== root starting the window makes no settings file in the program folder"
root_home="$work/root-home"
mkdir -p "$root_home"
(
    export HOME="$root_home" XDG_RUNTIME_DIR="$root_home/.runtime"
    unset XDG_CONFIG_HOME XDG_DATA_HOME
    install -d -m 700 "$XDG_RUNTIME_DIR"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")"
    /usr/bin/vestura &
    gui=$!
    for _ in $(seq 100); do [ -s "$root_home/.config/vestura/vestu.cfg" ] && break; sleep 0.1; done
    kill "$gui" "$xvfb" 2>/dev/null
    wait "$gui" "$xvfb" 2>/dev/null
    [ -s "$root_home/.config/vestura/vestu.cfg" ] || { echo "no settings file in root's home" >&2; exit 1; }
) || fail "the window run by root wrote no settings file of its own"
[ ! -e "$program/vestu.cfg" ] || fail "the window run by root made $program/vestu.cfg"

echo "== apt-get purge vestura"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -q vestura >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get purge failed"; }
installed=
! dpkg-query -W -f='${Status}' vestura 2>/dev/null | grep -q installed || fail "vestura is still installed"
system_paths >"$work/after"
# What is new since before the install and belongs to no package is the package's leftover;
# a path another package brought meanwhile (apt runs for others too) is not.
left=$(LC_ALL=C comm -13 "$work/before" "$work/after" | while read -r path; do
    dpkg -S "$path" >/dev/null 2>&1 || echo "$path"
done)
[ -z "$left" ] || fail "the purge left: $left"
# Nor is anything the package installed still there, unless another package owns it (a
# folder such as /usr/bin).
while read -r path; do
    [ "$path" != /. ] || continue
    [ -e "$path" ] || [ -L "$path" ] || continue
    dpkg -S "$path" >/dev/null 2>&1 || fail "the purge left $path"
done <"$work/files"
# The user could write only into the home and the shared scratch folders: none holds anything
# of theirs.
strays=$(find /tmp /var/tmp /dev/shm -user "$user" -not -path "$work/*" 2>/dev/null)
[ -z "$strays" ] || fail "files of $user outside the home: $strays"
[ -f "$home/.config/vestura/vestu.cfg" ] || fail "the purge took the user's settings file"
ls "$home"/.wine/drive_c/Games/GTA\ Vice\ City/skins/*.bmp >/dev/null 2>&1 ||
    fail "the purge took the user's skins"

echo "all package checks passed"

#!/usr/bin/env bash
# The package on a machine that has only apt: installed with apt and nothing before it, the
# snapshot tool draws the start frame with no X server, byte for byte what a build from
# source draws, the manual pages are there, and a purge leaves no file behind. It installs
# and removes packages, so run it as root on a fresh Debian 12 (a new container, virtual
# machine or chroot) with no display, never on a machine in use (docs/building.md).
# Arguments: the package (scripts/package.sh) and the start frame a build from source writes
# (build/planar-shadows.png, from scripts/run.sh with no display).
set -euo pipefail
if [ $# -ne 2 ] || [ ! -f "$1" ] || [ ! -f "$2" ]; then
    echo "usage: tests/fresh_install_test.sh PACKAGE.deb START_FRAME.png" >&2
    exit 2
fi
deb=$(realpath "$1")
frame=$(realpath "$2")

source "$(dirname "${BASH_SOURCE[0]}")/script_checks.sh"
export DEBIAN_FRONTEND=noninteractive

[ -z "${DISPLAY:-}" ] || { echo "run this with no display (DISPLAY is $DISPLAY)" >&2; exit 2; }
if dpkg-query -W -f='${Status}\n' planar-shadows 2>/dev/null | grep -q installed; then
    echo "planar-shadows is installed already: this wants a machine that never had it" >&2
    exit 2
fi

# Every file apt and the package's maintainer scripts could leave, the folder's own name
# left out of each list.
files() {
    find /usr /etc /opt /var/lib/dpkg/info -xdev | sort
}
apt-get update -qq
files >"$scratch/before"
dpkg-query -W -f='${Package}\n' | sort >"$scratch/packages-before"

apt-get install -y -q "$deb" >"$scratch/install.log" 2>&1 || { cat "$scratch/install.log" >&2; exit 1; }
dpkg-query -W -f='${Package}\n' | sort | comm -13 "$scratch/packages-before" - >"$scratch/added"
echo "apt installed planar-shadows and $(($(wc -l <"$scratch/added") - 1)) packages it needs:"
grep -vx planar-shadows "$scratch/added" | tr '\n' ' ' | fold -s -w 100
echo

for server in Xvfb Xorg X Xwayland; do
    if command -v "$server" >/dev/null; then
        fail "the package brought an X server: $server"
    fi
done
missing=$(ldd /usr/bin/planar-shadows /usr/bin/planar-shadows-snapshot | grep 'not found' || true)
[ -z "$missing" ] || fail "libraries the programs need are missing: $missing"

(cd "$scratch" && planar-shadows-snapshot -o start.png) || fail "planar-shadows-snapshot failed"
if [ -f "$scratch/start.png" ]; then
    cmp -s "$scratch/start.png" "$frame" || fail "the installed tool's start frame is not the build's"
fi

for page in planar-shadows planar-shadows-snapshot; do
    path=/usr/share/man/man1/$page.1.gz
    if [ "$(dpkg-query -S "$path" 2>/dev/null)" != "planar-shadows: $path" ]; then
        fail "$path is not the package's"
    elif ! zcat "$path" | grep -q '^\.SH NAME$'; then
        fail "$path is not a manual page"
    fi
done
for path in $(dpkg-query -L planar-shadows); do
    [ -e "$path" ] || fail "the package's $path is not there"
done

apt-get purge -y -q planar-shadows >"$scratch/purge.log" 2>&1 || { cat "$scratch/purge.log" >&2; exit 1; }
apt-get autoremove --purge -y -q >>"$scratch/purge.log" 2>&1 ||
    { cat "$scratch/purge.log" >&2; exit 1; }
files >"$scratch/after"
if ! diff "$scratch/before" "$scratch/after" >"$scratch/left"; then
    fail "after the purge the files differ from before the install:"
    cat "$scratch/left" >&2
fi
dpkg-query -W -f='${Package}\n' | sort | diff -q "$scratch/packages-before" - >/dev/null ||
    fail "the purge left packages installed"

[ "$failures" -eq 0 ] && echo "Installed, drew the start frame with no X server, purged: nothing left"
[ "$failures" -eq 0 ]

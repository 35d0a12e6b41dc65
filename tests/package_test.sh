#!/usr/bin/env bash
# The Debian package as CPack makes it from this build (what scripts/package.sh runs): it
# holds both programs, the menu entry, the icons, the AppStream metadata, the manual pages
# and Debian's copyright and changelog; its dependencies come from dpkg-shlibdeps; the
# desktop entry, the metadata and the package pass their validators with no errors.
# Arguments: the source folder, the build folder (built).
set -euo pipefail
sourceDir=$1
buildDir=$2

source "$(dirname "${BASH_SOURCE[0]}")/script_checks.sh"

cpack -G DEB --config "$buildDir/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; exit 1; }
debs=("$scratch"/planar-shadows_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "FAILED: CPack made no single .deb" >&2
    exit 1
fi
deb=${debs[0]}
echo "Made $(basename "$deb")"

dpkg-deb --contents "$deb" | awk '{ print $NF }' | sed 's|^\./|/|' >"$scratch/contents"
doc=/usr/share/doc/planar-shadows
metainfo=/usr/share/metainfo/io.github.planar_shadows.planar_shadows.metainfo.xml
expected=(/usr/bin/planar-shadows /usr/bin/planar-shadows-snapshot
    /usr/share/applications/planar-shadows.desktop "$metainfo"
    /usr/share/man/man1/planar-shadows.1.gz /usr/share/man/man1/planar-shadows-snapshot.1.gz
    "$doc/copyright" "$doc/changelog.Debian.gz" "$doc/README.md" "$doc/docs/technique.md")
for size in 16 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x$size/apps/planar-shadows.png")
done
for path in "${expected[@]}"; do
    grep -qxF "$path" "$scratch/contents" || fail "the package lacks $path"
done

# Computed, not written: the libraries the programs are linked to, GLUT's and EGL's among them.
depends=$(dpkg-deb --field "$deb" Depends)
for library in libglut3.12 libegl1 libpng16-16 libgif7; do
    grep -qE "(^|, )$library( |,|\$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done
# The changelog's first entry is this version, the metadata's latest release and the manual
# pages name the program's own, and the copyright's licence is LICENSE's text.
version=$(dpkg-deb --field "$deb" Version)
dpkg-deb -x "$deb" "$scratch/root"
logged=$(zcat "$scratch/root$doc/changelog.Debian.gz" | sed -n '1s/^planar-shadows (\([^)]*\)).*/\1/p')
[ "$logged" = "$version" ] || fail "the changelog's first entry is '$logged', the package $version"
released=$(grep -o -m 1 '<release version="[^"]*"' "$scratch/root$metainfo" | cut -d '"' -f 2)
[ "$released" = "${version%-*}" ] || fail "the metadata's latest release is '$released'"
for page in planar-shadows planar-shadows-snapshot; do
    zcat "$scratch/root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH .* \"planar-shadows ${version%-*}\"" ||
        fail "$page.1 does not name version ${version%-*}"
done
# The licence's own paragraph, the one that starts with its name alone.
awk 'on { print } prev == "" && $0 == "License: Expat" { on = 1 } { prev = $0 }' \
    "$scratch/root$doc/copyright" | sed -e 's/^ //' -e 's/^\.$//' >"$scratch/licence"
tail -n +5 "$sourceDir/LICENSE" | cmp -s - "$scratch/licence" ||
    fail "the copyright file's licence is not LICENSE's"

desktop-file-validate "$scratch/root/usr/share/applications/planar-shadows.desktop" ||
    fail "desktop-file-validate reports errors"
appstreamcli validate --no-net --pedantic "$scratch/root$metainfo" ||
    fail "appstreamcli validate reports problems"
# Warnings are shown, and errors fail.
lintian --fail-on error "$deb" ||
    fail "lintian reports errors"

[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# Sets up, builds and starts planar-shadows; arguments go to the program. With no display
# to open a window on, it draws the start frame offscreen into build/planar-shadows.png.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensurePackages "${buildPackages[@]}"
build "$buildDir"
if [ -n "${DISPLAY:-}" ]; then
    exec "$buildDir/planar-shadows" "$@"
fi

ensurePackages xvfb
picture="$buildDir/planar-shadows.png"
"$projectDir/scripts/with-xvfb.sh" "$buildDir/planar-shadows-snapshot" -o "$picture"
echo "No display (DISPLAY is not set), so no window: the start frame is in $picture"

#!/usr/bin/env bash
# Sets up, builds and starts planar-shadows; arguments go to the program. With no display
# to open a window on, it draws the start frame offscreen into build/planar-shadows.png.
# Only what the program needs is installed and built: no test package, no test.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensurePackages "${buildPackages[@]}"
configure "$buildDir" -DPLANAR_SHADOWS_TESTS=OFF -DPLANAR_SHADOWS_BENCHMARK=OFF
cmake --build "$buildDir" -j "$(nproc)" --target planar-shadows planar-shadows-snapshot
if [ -n "${DISPLAY:-}" ]; then
    exec "$buildDir/planar-shadows" "$@"
fi

# The snapshot tool needs no X server: with no display its context comes from EGL.
picture="$buildDir/planar-shadows.png"
"$buildDir/planar-shadows-snapshot" -o "$picture"
echo "No display (DISPLAY is not set), so no window: the start frame is in $picture"

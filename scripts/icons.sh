#!/usr/bin/env bash
# Remakes the desktop's icons in package/icons/: the start frame (docs/scene.png, the
# snapshot tool's picture with no options) scaled to the sizes of the hicolor theme. No time
# stamps or other metadata go into the files, so the same frame always gives the same bytes.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensurePackages imagemagick
for size in 16 32 48 64 128 256; do
    mkdir -p "$projectDir/package/icons/$size"
    convert "$projectDir/docs/scene.png" -filter Lanczos -resize "${size}x$size" -strip \
        -define png:exclude-chunks=date,time "$projectDir/package/icons/$size/planar-shadows.png"
done
echo "Wrote package/icons/{16,32,48,64,128,256}/planar-shadows.png"

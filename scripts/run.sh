#!/usr/bin/env bash
# Sets up, builds and starts planar-shadows. Arguments go to the program.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensurePackages "${buildPackages[@]}"
build "$buildDir"
if [ -z "${DISPLAY:-}" ]; then
    echo "planar-shadows needs an X display to open its window, and DISPLAY is not set." >&2
    exit 1
fi
exec "$buildDir/planar-shadows" "$@"

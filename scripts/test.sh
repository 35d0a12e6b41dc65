#!/usr/bin/env bash
# Sets up, builds and runs every test. Tests that need a window start their own
# private X server, so this works with or without a display.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensurePackages "${testPackages[@]}"
build
ctest --test-dir "$buildDir" --output-on-failure

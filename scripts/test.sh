#!/usr/bin/env bash
# Sets up, builds and runs every test: once in the normal build, once more in a build
# with AddressSanitizer and UndefinedBehaviorSanitizer; then the fuzz targets of the text
# readers, with Clang, for about a minute. Tests that need a window start
# their own private X server, so this works with or without a display; the web edition is
# tested in headless Chromium and in Firefox ESR. First, the sources must compile for
# Windows too.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensurePackages "${buildPackages[@]}" "${testPackages[@]}"

bash "$projectDir/scripts/check-windows.sh"

# The web edition, for the browser tests that run with the others.
bash "$projectDir/scripts/web.sh" --build
ensureBrowserTools

withTests=(-DPLANAR_SHADOWS_TESTS=ON -DPLANAR_SHADOWS_BENCHMARK=ON)
build "$buildDir" "${withTests[@]}" -DPLANAR_SHADOWS_WEB_DIR="$projectDir/build-web"
ctest --test-dir "$buildDir" --output-on-failure --no-tests=error

build "$projectDir/build-sanitize" "${withTests[@]}" -DPLANAR_SHADOWS_SANITIZE=ON
ctest --test-dir "$projectDir/build-sanitize" --output-on-failure --no-tests=error

build "$projectDir/build-fuzz" -DCMAKE_CXX_COMPILER=clang++ -DPLANAR_SHADOWS_FUZZ=ON
ctest --test-dir "$projectDir/build-fuzz" --output-on-failure --no-tests=error

#!/usr/bin/env bash
# Builds the Debian package, build/planar-shadows_VERSION-1_ARCH.deb, with CPack: the
# program and the snapshot tool, their menu entry, icons, AppStream metadata and manual
# pages, the README and docs/, its dependencies the libraries dpkg-shlibdeps finds the two
# programs linked to. Install it with `apt install ./build/planar-shadows_*.deb`.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensurePackages "${buildPackages[@]}" "${packagePackages[@]}"
configure "$buildDir"
cmake --build "$buildDir" -j "$(nproc)" --target planar-shadows planar-shadows-snapshot \
    compressed-pages
(cd "$buildDir" && cpack -G DEB)

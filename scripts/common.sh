# Shared by run.sh and test.sh: install the Debian packages that are missing, then
# configure and build. Running it again finds everything in place and only rebuilds.
set -euo pipefail

projectDir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
buildDir="$projectDir/build"

# What the program and the snapshot tool need to build and to draw (Mesa's software
# renderer included, and EGL and Xlib for the snapshot tool with no display); the tests,
# the benchmark and the Windows check need the second list as well. Clang is for the fuzz
# targets alone, and its libFuzzer comes in libclang-rt-14-dev, which clang only recommends.
buildPackages=(cmake make g++ libglut-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri libpng-dev libgif-dev
    libegl-dev libx11-dev)
# Making the Debian package takes dpkg-shlibdeps (dpkg-dev) for its dependencies and file,
# with which CPack finds the programs to ask it about. Checking it takes the validators of
# the desktop entry, the AppStream metadata and the package, and groff to set the manual
# pages.
packagePackages=(dpkg-dev file)
testPackages=(googletest libgtest-dev libbenchmark-dev xvfb libxtst-dev
    g++-mingw-w64-x86-64-posix clang libclang-rt-14-dev "${packagePackages[@]}"
    desktop-file-utils appstream lintian groff-base)

ensurePackages() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local install=(apt-get install -y --no-install-recommends "${missing[@]}")
    echo "Installing ${missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive "${install[@]}"
    elif command -v sudo >/dev/null 2>&1; then
        sudo apt-get update -qq && sudo DEBIAN_FRONTEND=noninteractive "${install[@]}"
    else
        echo "Run this as root, then try again: ${install[*]}" >&2
        exit 1
    fi
}

# node and the npm packages exactly as package-lock.json pins them (npm ci; again only once
# the lockfile has changed): the GIF encoder the web edition installs with its page, and the
# browser tests' driver. npm only where node came without it: NodeSource's nodejs package
# brings its own, and Debian's npm package would conflict with it.
ensureNodeModules() {
    ensurePackages nodejs
    command -v npm >/dev/null 2>&1 || ensurePackages npm
    if [ ! "$projectDir/node_modules/.package-lock.json" -nt "$projectDir/package-lock.json" ]; then
        (cd "$projectDir" && npm ci --no-audit --no-fund)
    fi
}

# The browsers the web edition is tested in, Chromium and Firefox ESR, and the driver for
# both, puppeteer-core.
ensureBrowserTools() {
    ensurePackages chromium firefox-esr
    ensureNodeModules
}

# configure FOLDER [CMAKE OPTION...]
configure() {
    local folder=$1
    shift
    cmake -S "$projectDir" -B "$folder" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}

# build FOLDER [CMAKE OPTION...]: configures, and builds every target.
build() {
    configure "$@"
    cmake --build "$1" -j "$(nproc)"
}

# For the scripts that remake the figures in docs/: the snapshot tool, built, and what
# draws it offscreen and lays its pictures out; `scratch`, a folder for the pictures that
# goes when the script ends.
prepareFigureTools() {
    ensurePackages "${buildPackages[@]}" xvfb imagemagick fonts-dejavu-core
    configure "$buildDir"
    cmake --build "$buildDir" -j "$(nproc)" --target planar-shadows-snapshot
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
}

# snapshot [OPTION...]: the snapshot tool, on a private X display.
snapshot() {
    "$projectDir/scripts/with-xvfb.sh" "$buildDir/planar-shadows-snapshot" "$@"
}

# montageFigure OUTPUT [MONTAGE ARGUMENT...]: lays pictures out with ImageMagick on white,
# leaving the time stamps out of the file, so the same pictures always give the same bytes.
montageFigure() {
    local output=$1
    shift
    montage "$@" -background white -define png:exclude-chunks=date,time \
        +set date:create +set date:modify "$output"
    echo "Wrote $output"
}

#!/usr/bin/env bash
# Builds the web edition into build-web/ (the page, its JavaScript and its WebAssembly, a
# folder any static web server can host) and serves it on http://127.0.0.1:8000/, for this
# machine only. Options: --build only builds; --measure builds, then prints the figures of
# docs/performance.md, measured in headless Chromium; --measure OTHER also
# times this build's frames against those of another build folder (such as another
# checkout's build-emscripten/), the two in turns in one run.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

usage="usage: bash scripts/web.sh [--build | --measure [OTHER_BUILD_DIR]]"
case "${1:-}" in
    "" | --build) [ $# -le 1 ] || { echo "$usage" >&2; exit 2; } ;;
    --measure)
        if [ $# -gt 2 ] || { [ $# -eq 2 ] && [ ! -f "$2/web_frame_benchmark.html" ]; }; then
            echo "$usage: OTHER_BUILD_DIR holds web_frame_benchmark.html" >&2
            exit 2
        fi
        ;;
    *)
        echo "$usage" >&2
        exit 2
        ;;
esac
otherDir=${2:+$(cd "$2" && pwd)}

webDir="$projectDir/build-web"
emscriptenDir="$projectDir/build-emscripten"
ensurePackages emscripten cmake make
ensureNodeModules
# Debian's emscripten runs its JavaScript tools with node, which must find Debian's own
# modules (acorn) even when node itself comes from elsewhere.
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S "$projectDir" -B "$emscriptenDir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$emscriptenDir" -j "$(nproc)"
rm -rf "$webDir"
cmake --install "$emscriptenDir" --prefix "$webDir" >/dev/null

case "${1:-}" in
    --build)
        echo "The web edition is in $webDir"
        ;;
    --measure)
        ensureBrowserTools
        node "$projectDir/bench/web/measure.mjs" "$webDir" "$emscriptenDir"
        if [ -n "$otherDir" ]; then
            echo "Against $otherDir (old) in turns:"
            node "$projectDir/bench/web/compare-builds.mjs" "$otherDir" "$emscriptenDir"
        fi
        ;;
    *)
        ensurePackages python3
        echo "Serving $webDir at http://127.0.0.1:8000/ (Ctrl+C stops)"
        cd "$webDir"
        exec python3 -m http.server 8000 --bind 127.0.0.1
        ;;
esac

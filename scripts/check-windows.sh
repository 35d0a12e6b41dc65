#!/usr/bin/env bash
# Keeps the sources portable: every source of the program, the snapshot tool and the frame
# benchmark must compile for Windows, with the MinGW-w64 cross compiler's own Windows
# headers (windows.h, GL/gl.h, GL/glu.h, GL/glext.h). freeglut's public headers are the same
# on every platform (they have their own Windows sections), and so are libpng's, zlib's,
# giflib's and Google Benchmark's, so Debian's copies serve, from a scratch folder removed
# afterwards.
# Nothing is linked or run, there being no Windows here, but the objects' GL calls are
# checked against what Windows' GL libraries export. The web edition's own sources (web/,
# app/page_shell.cpp, app/page_glut.cpp, app/test_entries.cpp, bench/web_*) build with
# Emscripten alone and are left out.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

compiler=x86_64-w64-mingw32-g++-posix
ensurePackages g++-mingw-w64-x86-64-posix "${buildPackages[@]}" libbenchmark-dev

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/GL" "$scratch/benchmark"
cp /usr/include/GL/glut.h /usr/include/GL/freeglut*.h "$scratch/GL/"
cp -L /usr/include/png.h /usr/include/pngconf.h /usr/include/pnglibconf.h /usr/include/zlib.h \
    /usr/include/zconf.h /usr/include/gif_lib.h "$scratch/"
cp /usr/include/benchmark/*.h "$scratch/benchmark/"

version=$(sed -n 's/^project(planar-shadows VERSION \([0-9.]*\).*/\1/p' "$projectDir/CMakeLists.txt")
cd "$projectDir"
sources=()
for source in shadow/*.cpp state/*.cpp image/*.cpp gl/*.cpp scene/*.cpp app/*.cpp snapshot/*.cpp bench/*.cpp; do
    case $source in
        app/page_shell.cpp | app/page_glut.cpp | app/test_entries.cpp | bench/web_*) ;;
        *) sources+=("$source") ;;
    esac
done
mkdir "$scratch/objects"
for source in "${sources[@]}"; do
    "$compiler" -std=c++17 -c -Wall -Wextra -Wpedantic -Werror -I. -isystem "$scratch" \
        "-DPLANAR_SHADOWS_VERSION=\"$version\"" "$source" -o "$scratch/objects/${source//\//-}.o"
done

# Windows' opengl32 exports GL 1.1 alone, and glu32 GLU: every other GL call has to be
# looked up at run time. GLUT's calls come from freeglut's own library.
symbols() {
    x86_64-w64-mingw32-nm "$@" | awk '{ sub(/^__imp_/, "", $NF); print $NF }' |
        grep -x 'glu\?[A-Z][A-Za-z0-9]*' | sort -u
}
libraries=/usr/x86_64-w64-mingw32/lib
missing=$(comm -23 <(symbols -u "$scratch"/objects/*.o) \
    <(symbols "$libraries/libopengl32.a" "$libraries/libglu32.a"))
if [ -n "$missing" ]; then
    echo "Windows check: opengl32 and glu32 do not export" $missing >&2
    exit 1
fi
echo "Windows check: ${#sources[@]} sources compile with $compiler; their GL calls link"

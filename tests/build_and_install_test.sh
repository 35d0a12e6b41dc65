#!/usr/bin/env bash
# The build as a newcomer meets it. A plain configure asks for no test or benchmark
# package; asked for, the tests and the benchmark stop the configure, naming the package,
# when one is missing; `cmake --install` puts both programs under bin/ and the README, docs/
# and the licence under the doc folder, where every link between them works. Arguments: the source folder, a configured and built build
# folder, the project's version.
set -euo pipefail
sourceDir=$1
buildDir=$2
version=$3

source "$(dirname "${BASH_SOURCE[0]}")/script_checks.sh"

# configure FOLDER [CMAKE OPTION...]: its output goes to FOLDER.log.
configure() {
    local folder=$scratch/$1
    shift
    cmake -S "$sourceDir" -B "$folder" "$@" >"$folder.log" 2>&1
}

# As on a machine with only the build packages: each test package is made unfindable.
testPackages=(GTest X11 benchmark)
withoutTestPackages=()
for package in "${testPackages[@]}"; do
    withoutTestPackages+=("-DCMAKE_DISABLE_FIND_PACKAGE_$package=ON")
done
if configure plain -G "Unix Makefiles" "${withoutTestPackages[@]}"; then
    cmake --build "$scratch/plain" --target help >"$scratch/targets"
    grep -qx '\.\.\. planar-shadows' "$scratch/targets" || fail "no planar-shadows target"
    grep -qx '\.\.\. planar-shadows-snapshot' "$scratch/targets" ||
        fail "no planar-shadows-snapshot target"
    if grep -qx '\.\.\. \(unit-tests\|frame-benchmark\)' "$scratch/targets"; then
        fail "a plain build builds tests or the benchmark"
    fi
else
    cat "$scratch/plain.log" >&2
    fail "a plain configure needs more than the build packages"
fi

for package in "${testPackages[@]}"; do
    if configure "without-$package" -DPLANAR_SHADOWS_TESTS=ON -DPLANAR_SHADOWS_BENCHMARK=ON \
        "-DCMAKE_DISABLE_FIND_PACKAGE_$package=ON"; then
        fail "tests and benchmark configured without $package"
    elif ! grep -q "$package" "$scratch/without-$package.log"; then
        cat "$scratch/without-$package.log" >&2
        fail "the configure without $package does not name it"
    fi
done

prefix=$scratch/installed
cmake --install "$buildDir" --prefix "$prefix" >/dev/null
for program in planar-shadows planar-shadows-snapshot; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program not installed"
done
doc=$prefix/share/doc/planar-shadows
for paper in README.md LICENSE; do
    cmp -s "$sourceDir/$paper" "$doc/$paper" || fail "share/doc/planar-shadows/$paper not installed"
done
diff -r "$sourceDir/docs" "$doc/docs" >/dev/null || fail "share/doc/planar-shadows/docs/ not installed"

shown=$("$prefix/bin/planar-shadows-snapshot" --version) || fail "--version failed"
[ "$shown" = "planar-shadows-snapshot $version" ] || fail "--version printed '$shown'"

# The anchors GitHub gives a page's headings: lower case, spaces as hyphens, no punctuation.
anchors() {
    awk '/^```/ { code = !code } !code && /^#+ / { sub(/^#+ /, ""); print }' "$1" |
        tr '[:upper:]' '[:lower:]' | sed 's/[^a-z0-9 _-]//g; s/ /-/g'
}
# Every link of the installed pages that is not a web address leads to a file there, and to
# one of its headings where it names one.
while IFS= read -r page; do
    for target in $(grep -o '](\([^)]*\))' "$page" | sed 's/^](\(.*\))$/\1/'); do
        case $target in http://* | https://*) continue ;; esac
        file=$(dirname "$page")/${target%%#*}
        [ "${target#\#}" = "$target" ] || file=$page
        anchor=${target#*#}
        if [ ! -e "$file" ]; then
            fail "${page#"$doc"/} links to $target, which is not installed"
        elif [ "$anchor" != "$target" ] && ! anchors "$file" | grep -qx -- "$anchor"; then
            fail "${page#"$doc"/} links to $target, a heading that is not there"
        fi
    done
done < <(find "$doc" -name '*.md')

[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# Whether two builds of the snapshot tool draw the same pictures, byte for byte, and print
# the same first line (a step's caption): the browser tests' states, a sweep of light
# positions, teapot offsets and both switches, every step of both stepping modes, and soft
# shadows at radii 0, 5 and 15, opaque and translucent, with and without the stencil.
# Run by hand, on a display: scripts/with-xvfb.sh bench/same-snapshots.sh OLD_TOOL NEW_TOOL
# A tool to be run with no display, its context from EGL, goes through a script that runs
# it so: exec env -u DISPLAY TOOL "$@".
set -euo pipefail

[ $# -eq 2 ] || { echo "usage: bench/same-snapshots.sh OLD_SNAPSHOT_TOOL NEW_SNAPSHOT_TOOL" >&2; exit 2; }
old=$1
new=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

rest=(--tint 0.99997318)
states=(
    ""
    "--light -50,62.5,-320"
    "--teapot-offset 15"
    "--view plain"
    "--translucent"
    "--no-stencil"
    "--light 0,-150,-320"
    "--teapot-offset 30 --light 20,-10,-420"
    "--translucent --teapot-offset -15 --light 60,50,-330"
    "--size 1024x1024 --light -30,40,-380"
    "--size 1074x1074 --light 10,20,-350"
    "--size 800x400 --light -40,80,-450 --teapot-offset 30"
    "--view plain --soft --light-radius 15"
)
for light in -90,90,-330 -60,-20,-500 0,0,-420 80,-90,-350 95,30,-321 -150,40,-400 20,-100,-400; do
    for switches in "" "--translucent" "--no-stencil" "--translucent --no-stencil"; do
        for offset in 0 -45 60; do
            states+=("--light $light --teapot-offset $offset $switches")
        done
    done
done
for step in 1 2 3 4 5 6 7; do
    for switches in "" "--translucent" "--light -80,-30,-330" "--light 0,-150,-320"; do
        states+=("--step $step $switches")
    done
done
for step in 1 2 3 4 5; do
    for switches in "" "--translucent" "--light 0,-150,-320"; do
        states+=("--step $step --no-stencil $switches")
    done
done
for radius in 0 5 15; do
    for switches in "" "--translucent" "--no-stencil" "--translucent --no-stencil" \
        "--light -70,20,-480" "--light 0,-150,-320" "--light -99,50,-400"; do
        states+=("--soft --light-radius $radius $switches")
    done
done

same=0
differing=0
for state in "${states[@]}"; do
    # shellcheck disable=SC2086 # each state is a list of options
    oldLine=$("$old" "${rest[@]}" $state -o "$scratch/old.png" | head -n 1)
    # shellcheck disable=SC2086
    newLine=$("$new" "${rest[@]}" $state -o "$scratch/new.png" | head -n 1)
    if cmp -s "$scratch/old.png" "$scratch/new.png" && [ "$oldLine" = "$newLine" ]; then
        same=$((same + 1))
    else
        differing=$((differing + 1))
        echo "differs: ${state:-the start state}"
    fi
done
echo "$same of ${#states[@]} states the same, $differing differing"
[ "$differing" -eq 0 ]

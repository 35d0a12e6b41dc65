#!/usr/bin/env bash
# The snapshot tool with no X server (DISPLAY unset, or naming a server that does not
# answer) makes its context through EGL and draws its teapot from the mesh: its pictures and
# what it prints must be the ones its GLUT window gives, byte for byte. Runs on a display
# (scripts/with-xvfb.sh) for the GLUT side. Argument: the snapshot tool.
set -euo pipefail
tool=$1
[ -n "${DISPLAY:-}" ] || { echo "needs a display for the GLUT side" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# A display number with no server behind it.
silent=900
while [ -e "/tmp/.X11-unix/X$silent" ]; do
    silent=$((silent + 1))
done

# The teapot in every part of a frame: lit, flattened into the stencil and as a shadow, in
# the plain view, under the sun, soft; a step's state and a pixel's history in words.
states=(
    ""
    "--teapot-offset 30 --light -40,80,-450 --size 640x360"
    "--view plain --tint 0.99997318"
    "--step 2"
    "--translucent --no-stencil --light 0,-150,-320"
    "--light -20,90,-330 --light 60,40,-400,0"
    "--soft --light-radius 15"
    "--show-stencil --pixel 200,330"
)
# withoutDisplay unset|empty|silent COMMAND...
withoutDisplay() {
    local how=$1
    shift
    case $how in
        unset) env -u DISPLAY "$@" ;;
        empty) DISPLAY='' "$@" ;;
        silent) DISPLAY=":$silent" "$@" ;;
    esac
}

failures=0
for state in "${states[@]}"; do
    # shellcheck disable=SC2086 # each state is a list of options
    "$tool" $state -o "$scratch/window.png" >"$scratch/window.txt"
    for how in unset empty silent; do
        # shellcheck disable=SC2086
        if ! withoutDisplay $how "$tool" $state -o "$scratch/egl.png" >"$scratch/egl.txt"; then
            echo "FAILED: DISPLAY $how, ${state:-the start state}: the tool failed" >&2
            failures=$((failures + 1))
        elif ! cmp -s "$scratch/window.png" "$scratch/egl.png" ||
            ! cmp -s "$scratch/window.txt" "$scratch/egl.txt"; then
            echo "FAILED: DISPLAY $how, ${state:-the start state}: not what the window gives" >&2
            failures=$((failures + 1))
        fi
    done
done
echo "${#states[@]} states, each with DISPLAY unset, empty and :$silent: $failures differing"
[ "$failures" -eq 0 ]

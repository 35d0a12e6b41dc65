#!/usr/bin/env bash
# Remakes docs/receivers.png, the figure of every face receiving and of the board
# (docs/technique.md): top, the five faces with a light low in front of the casters, whose
# flattened copies reach past every edge of the back wall, then the back wall's second step,
# the flattened casters in yellow beyond its edges; bottom, the board tilted back with the
# cone's shadow across it, cut at its edges, and its own shadow on the back wall, then the
# board's second step. Drawn by the snapshot tool, two by two.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

prepareFigureTools
shoot() {
    snapshot --size 384x384 "$@"
}
faces=(--receivers floor,left-wall,back-wall,right-wall,ceiling --light 10,-30,-325)
board=(--receivers floor,left-wall,back-wall --board -30,-450,20 --light -30,40,-330)
shoot "${faces[@]}" -o "$scratch/1.png"
shoot "${faces[@]}" --step 8 -o "$scratch/2.png" >/dev/null
shoot "${board[@]}" -o "$scratch/3.png"
shoot "${board[@]}" --step 11 -o "$scratch/4.png" >/dev/null
montageFigure "$projectDir/docs/receivers.png" "$scratch"/{1,2,3,4}.png -tile 2x2 -geometry +4+4

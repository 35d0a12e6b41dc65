#!/usr/bin/env bash
# Remakes docs/soft.png, the figure of soft shadows (docs/technique.md): the start frame
# with hard shadows, then with soft ones from a light of radius 5 and of radius 15, drawn by
# the snapshot tool side by side.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

prepareFigureTools
shoot() {
    snapshot --size 384x384 "$@"
}
shoot -o "$scratch/1.png"
shoot --soft --light-radius 5 -o "$scratch/2.png"
shoot --soft --light-radius 15 -o "$scratch/3.png"
montageFigure "$projectDir/docs/soft.png" "$scratch"/{1,2,3}.png -tile 3x1 -geometry +4+4

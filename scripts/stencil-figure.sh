#!/usr/bin/env bash
# Remakes docs/stencil.png, the figure of what the stencil is for (docs/technique.md): the
# start frame four ways, drawn by the snapshot tool. Top row with the stencil, bottom row
# without; left column opaque shadows, right column translucent ones.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

prepareFigureTools
shoot() {
    snapshot --size 384x384 "$@"
}
shoot -o "$scratch/1.png"
shoot --translucent -o "$scratch/2.png"
shoot --no-stencil -o "$scratch/3.png"
shoot --no-stencil --translucent -o "$scratch/4.png"
montageFigure "$projectDir/docs/stencil.png" "$scratch"/{1,2,3,4}.png -tile 2x2 -geometry +4+4

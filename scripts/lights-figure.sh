#!/usr/bin/env bash
# Remakes docs/lights.png, the figure of several lights and the sun (docs/technique.md): two
# lights, white and orange, then a blue one as well, each light's shadows lit by the others;
# last the sun, standing where light 1 starts, its shadows parallel. Drawn by the snapshot
# tool side by side.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

prepareFigureTools
shoot() {
    snapshot --size 384x384 "$@"
}
shoot --light 50,50,-320 --light -30,80,-340 -o "$scratch/1.png"
shoot --light 50,50,-320 --light -30,80,-340 --light 20,60,-500 -o "$scratch/2.png"
shoot --light 50,50,-320,0 -o "$scratch/3.png"
montageFigure "$projectDir/docs/lights.png" "$scratch"/{1,2,3}.png -tile 3x1 -geometry +4+4

#!/usr/bin/env bash
# Remakes docs/passes.png, the README's figure of the stencil at work: the shadow view's
# steps as the stepping mode shows them, drawn by the snapshot tool with --step, each with
# the caption the tool prints for it. Top row the floor's three steps, bottom row the left
# wall's.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

prepareFigureTools
tiles=()
for step in 1 2 3 4 5 6; do
    # The tool prints the caption, then the step's GL state.
    caption=$(snapshot --size 320x320 --step "$step" -o "$scratch/$step.png" | sed -n 1p)
    tiles+=(-label "$(echo "$step. $caption" | fold -s -w 50)" "$scratch/$step.png")
done
montageFigure "$projectDir/docs/passes.png" "${tiles[@]}" -tile 3x2 -geometry +6+6 \
    -font DejaVu-Sans -pointsize 12

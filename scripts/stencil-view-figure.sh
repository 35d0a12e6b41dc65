#!/usr/bin/env bash
# Remakes docs/stencil-view.png, the figure of the stencil view (docs/technique.md): the
# stencil's values in false colour after each of the floor's three steps, and the counts of
# soft shadows, drawn by the snapshot tool with --show-stencil, with the legend the tool
# prints under them.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

prepareFigureTools
tiles=()
labels=("after the floor is marked" "after its flattened casters clear marks"
    "after the shadow is drawn")
for step in 1 2 3; do
    snapshot --size 320x320 --show-stencil --step "$step" -o "$scratch/$step.png" >/dev/null
    tiles+=(-label "Step $step: ${labels[step - 1]}" "$scratch/$step.png")
done
legend=$(snapshot --size 320x320 --show-stencil --soft --light-radius 10 -o "$scratch/4.png")
tiles+=(-label "Soft shadows, light radius 10: the counts" "$scratch/4.png")
montageFigure "$scratch/views.png" "${tiles[@]}" -tile 4x1 -geometry +6+6 \
    -font DejaVu-Sans -pointsize 12

# One row per legend line: "stencil VALUE #colour...: meaning", a swatch (a ramp through
# the colours when there are several) and the words.
rows=()
row=0
while read -r _ value rest; do
    colours=${rest%%:*}
    meaning=${rest#*: }
    read -r -a list <<<"$colours"
    segments=()
    for ((k = 0; k + 1 < ${#list[@]}; ++k)); do
        segments+=(\( -size 16x12 "gradient:${list[k]}-${list[k + 1]}" -rotate -90 \))
    done
    [ ${#segments[@]} -gt 0 ] || segments=(\( -size 96x16 "xc:${list[0]}" \))
    convert "${segments[@]}" +append +repage -bordercolor '#888888' -border 1 "$scratch/swatch.png"
    convert "$scratch/swatch.png" \( -background white -font DejaVu-Sans -pointsize 12 \
        label:"  $value: $meaning" \) -background white -gravity center +append +repage \
        -bordercolor white -border 0x3 \
        "$scratch/row$row.png"
    rows+=("$scratch/row$row.png")
    row=$((row + 1))
done < <(grep '^stencil ' <<<"$legend")
convert "${rows[@]}" -background white -gravity west -append +repage -bordercolor white \
    -border 8x6 "$scratch/legend.png"
convert "$scratch/views.png" "$scratch/legend.png" -background white -gravity west -append \
    -define png:exclude-chunks=date,time +set date:create +set date:modify \
    "$projectDir/docs/stencil-view.png"
echo "Wrote $projectDir/docs/stencil-view.png"

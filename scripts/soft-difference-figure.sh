#!/usr/bin/env bash
# Remakes docs/soft-difference.png, the figure of soft shadows at rest against a reference
# (docs/technique.md): the start frame with soft shadows from a light of radius 15 averaged
# from 8, 32 and 256 points of the light on top, and under each its difference from the
# average of 1,024, drawn by the snapshot tool with --reference, labelled with the numbers
# the tool prints for it.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

prepareFigureTools
pictures=()
differences=()
for points in 8 32 256; do
    shot=(--size 384x384 --soft --light-radius 15 --samples "$points")
    snapshot "${shot[@]}" -o "$scratch/$points.png" >/dev/null
    pictures+=(-label "$points points of the light" "$scratch/$points.png")
    # "difference from 1024 points over the penumbra (P pixels): mean M, 99th percentile Q,
    # largest L display codes"
    read -r mean percentile largest < <(snapshot "${shot[@]}" --reference 1024 \
        -o "$scratch/$points-difference.png" |
        sed -n 's/.*mean \([0-9.]*\), 99th percentile \([0-9]*\), largest \([0-9]*\).*/\1 \2 \3/p')
    differences+=(-label "from 1,024 points: mean $mean, 99 %% within $percentile, largest $largest codes"
        "$scratch/$points-difference.png")
done
# A row each: montage leaves out the labels of a row whose pictures are shorter than the
# next row's.
montage "${pictures[@]}" -tile 3x1 -geometry +4+4 -font DejaVu-Sans -pointsize 12 \
    -background white "$scratch/pictures.png"
montageFigure "$scratch/differences.png" "${differences[@]}" -tile 3x1 -geometry +4+4 \
    -font DejaVu-Sans -pointsize 12
convert "$scratch/pictures.png" "$scratch/differences.png" -background white -append \
    -define png:exclude-chunks=date,time +set date:create +set date:modify \
    "$projectDir/docs/soft-difference.png"
echo "Wrote $projectDir/docs/soft-difference.png"

#!/usr/bin/env bash
# Remakes docs/gallery.md and its pictures in docs/gallery/: every entry of the gallery
# (state/gallery.cpp), the variants of the pass and the technique's limits, drawn wrong and
# right by the snapshot tool's --gallery, side by side, each with its title, its text and
# its two links' state texts.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

prepareFigureTools
pictures="$projectDir/docs/gallery"
rm -rf "$pictures"
snapshot --size 256x256 --gallery "$pictures" >"$scratch/entries"
# The tool's PNGs carry no time stamps, so the same pictures always give the same bytes.
{
    echo "# What each choice in the pass is for"
    echo
    echo "Each entry changes one choice of the pass, one field of one row of the table of"
    echo "render states (\`state/pass_table.cpp\`), or shows one of the technique's honest limits:"
    echo "on the left the picture that goes wrong, on the right the right pass, or for a limit"
    echo "the same scene where it does not show. Each state text reopens its picture in the web"
    echo "edition after the page's \`#\`, and \`planar-shadows-snapshot --state TEXT\` draws it; the"
    echo "page lists the entries as links, and while a variant is on, holding \`c\` shows the"
    echo "right pass in its place. Made by \`scripts/gallery-figure.sh\`"
    echo "([the technique](technique.md#what-each-choice-in-the-pass-is-for))."
    # awk, since read would take two tabs in a row, around an empty link, for one. The
    # text wrapped at 92 columns, as the docs are; the pictures on one line, side by side.
    awk -F '\t' '
        function wrapped(text,    words, n, i, line) {
            n = split(text, words, " ")
            line = words[1]
            for (i = 2; i <= n; i++) {
                if (length(line) + 1 + length(words[i]) > 92) {
                    print line
                    line = words[i]
                } else {
                    line = line " " words[i]
                }
            }
            print line
        }
        {
            print ""
            print "## " $2
            print ""
            printf "![Wrong: %s](gallery/%s-wrong.png) ![Right: %s](gallery/%s-right.png)\n", $1, $1, $1, $1
            print ""
            printf "Wrong: `%s`; right: `%s`.\n", ($3 == "" ? "(the start)" : $3), ($4 == "" ? "(the start)" : $4)
            print ""
            wrapped($5)
        }' "$scratch/entries"
} >"$projectDir/docs/gallery.md"
echo "Wrote $projectDir/docs/gallery.md and $pictures/"

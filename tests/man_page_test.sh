#!/usr/bin/env bash
# Every option the snapshot tool's --help names, read from the built tool as it is now,
# appears in its manual page as the page reads, set by groff; and the page sets without
# warnings. Arguments: the snapshot tool, its compressed manual page.
set -euo pipefail
tool=$1
page=$2

help=$("$tool" --help)
# As ASCII, so a minus sign reads as the hyphen typed on a command line.
setPage() {
    zcat "$page" | groff -man -Tascii -P-cbou -ww
}
text=$(setPage 2>/dev/null)
warnings=$(setPage 2>&1 >/dev/null)

failures=0
if [ -n "$warnings" ]; then
    echo "FAILED: groff warns about the page: $warnings" >&2
    failures=$((failures + 1))
fi
# Options anywhere in the text, not only at the start of a line: -o, --light, --no-stencil.
options=$(grep -oE '(^|[^A-Za-z0-9-])--?[a-z][a-z-]*[a-z]?' <<<"$help" | sed 's/^[^-]*//' | sort -u)
[ -n "$options" ] || { echo "FAILED: no options read from --help" >&2; exit 1; }
count=0
for option in $options; do
    count=$((count + 1))
    if ! grep -qE -- "(^|[^A-Za-z0-9-])$option([^A-Za-z0-9-]|\$)" <<<"$text"; then
        echo "FAILED: $option is in --help but not in $(basename "$page")" >&2
        failures=$((failures + 1))
    fi
done
echo "$count options in --help, $failures problems"
[ "$failures" -eq 0 ]

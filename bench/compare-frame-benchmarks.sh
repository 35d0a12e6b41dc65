#!/usr/bin/env bash
# Times two builds of the desktop frame benchmark against each other, in turns in one run:
# each round runs both (the order flipped every round), and the medians over the rounds are
# printed per build, with the median and range of the rounds' own ratios (new / old), which
# a machine's slow drift affects less. Run by hand, on a display:
#   scripts/with-xvfb.sh bench/compare-frame-benchmarks.sh OLD_BENCHMARK NEW_BENCHMARK [ROUNDS]
set -euo pipefail

[ $# -ge 2 ] && [ $# -le 3 ] || {
    echo "usage: bench/compare-frame-benchmarks.sh OLD_BENCHMARK NEW_BENCHMARK [ROUNDS]" >&2
    exit 2
}
old=$1
new=$2
rounds=${3:-12}
filter='^(shadow frame|shadow frame, stepping at step 5 of 7|plain frame|soft shadows, frame from samples:/32)$'
results=$(mktemp)
trap 'rm -f "$results"' EXIT

# run BUILD LABEL ROUND: one run of each benchmark, as "label|round|name|milliseconds", read
# from the console table (name, real time and unit, CPU time and unit, iterations), whose
# colours the benchmark's own reporter always adds.
run() {
    "$1" --benchmark_filter="$filter" --benchmark_min_time=0.3 2>/dev/null |
        sed -E 's/\x1b\[[0-9;]*m//g' | sed -nE 's/^(.*[^ ]) +([0-9.]+) (ms|us|ns) +[0-9.]+ (ms|us|ns) +[0-9]+$/\1|\2|\3/p' |
        awk -F'|' -v label="$2" -v round="$3" '{
            ms = $2; if ($3 == "us") ms /= 1000; if ($3 == "ns") ms /= 1e6
            print label "|" round "|" $1 "|" ms }' >>"$results"
}

for round in $(seq "$rounds"); do
    if [ $((round % 2)) -eq 1 ]; then
        run "$old" old "$round"
        run "$new" new "$round"
    else
        run "$new" new "$round"
        run "$old" old "$round"
    fi
done

awk -F'|' '
function median(list, n,    i, j, t) {
    for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j) if (list[j] < list[i]) { t = list[i]; list[i] = list[j]; list[j] = t }
    return n % 2 ? list[(n + 1) / 2] : (list[n / 2] + list[n / 2 + 1]) / 2
}
{ time[$1, $3, $2] = $4; names[$3] = 1; rounds[$2] = 1 }
END {
    printf "%-40s %10s %10s %8s %17s\n", "benchmark (ms, median)", "old", "new", "new/old", "round ratios"
    for (name in names) {
        n = 0
        for (r in rounds) if ((("old", name, r) in time) && (("new", name, r) in time)) {
            ++n; o[n] = time["old", name, r]; w[n] = time["new", name, r]; q[n] = w[n] / o[n]
        }
        lo = hi = q[1]; for (i = 2; i <= n; ++i) { if (q[i] < lo) lo = q[i]; if (q[i] > hi) hi = q[i] }
        printf "%-40s %10.3f %10.3f %8.3f %8.2f to %.2f\n", name, median(o, n), median(w, n), median(q, n), lo, hi
    }
}' "$results"

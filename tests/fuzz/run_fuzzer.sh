#!/usr/bin/env bash
# run_fuzzer.sh FUZZER SEEDS WORK SECONDS: runs a fuzz target for SECONDS on a copy of the
# seed corpus in WORK, so that what it learns never grows the checked-in seeds. A crash
# fails the run and is kept in WORK, with the input that made it.
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
rm -rf "$work"
mkdir -p "$work/corpus"
cp "$seeds"/* "$work/corpus/"
"$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" \
    "$work/corpus"

#!/usr/bin/env bash
# Fuzzes for FUZZ_SECONDS (default 60). New inputs go to WORK_CORPUS, and an
# input that fails goes beside it rather than into whatever directory the
# run started in; the checked-in SEED_CORPUS is only read. An input of a few
# kilobytes is checked in well under a millisecond, so one that takes
# seconds is a hang, reported as such rather than waited on for libFuzzer's
# default of twenty minutes.
# Usage: run_fuzzer.sh FUZZER WORK_CORPUS SEED_CORPUS
set -euo pipefail
fuzzer=$1 work=$2 seeds=$3
mkdir -p "$work"
exec "$fuzzer" -max_total_time="${FUZZ_SECONDS:-60}" -print_final_stats=1 -timeout=10 \
    -artifact_prefix="$(dirname "$work")/" "$work" "$seeds"

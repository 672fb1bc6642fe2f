#!/usr/bin/env bash
# Fuzzes for FUZZ_SECONDS (default 60). New inputs go to WORK_CORPUS, and an
# input that fails goes beside it rather than into whatever directory the
# run started in; the checked-in SEED_CORPUS is only read.
# Usage: run_fuzzer.sh FUZZER WORK_CORPUS SEED_CORPUS
set -euo pipefail
fuzzer=$1 work=$2 seeds=$3
mkdir -p "$work"
exec "$fuzzer" -max_total_time="${FUZZ_SECONDS:-60}" -print_final_stats=1 \
    -artifact_prefix="$(dirname "$work")/" "$work" "$seeds"

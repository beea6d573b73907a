#!/usr/bin/env bash
# run_target.sh TARGET SEEDS SCRATCH [libFuzzer options...]: fuzz from a fresh copy of the
# seed corpus in SCRATCH, where new inputs and any crashing input are written (the seeds in
# the repository stay untouched). Exits non-zero when the target crashes or a check fails.
set -euo pipefail
target=$1 seeds=$2 scratch=$3
shift 3
rm -rf "$scratch"
mkdir -p "$scratch/corpus" "$scratch/artifacts"
cp "$seeds"/* "$scratch/corpus/"
cd "$scratch"
exec "$target" "$scratch/corpus" -artifact_prefix="$scratch/artifacts/" -print_final_stats=1 "$@"

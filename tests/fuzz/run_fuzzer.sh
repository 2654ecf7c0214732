#!/usr/bin/env bash
# Runs a fuzz target for a bounded time: every seed first, then inputs made from them.
# Fails (non-zero) on a crash, a leak, an input that takes longer than 10 s, or one that
# needs more than 1 GB; the input is then left in WORK as crash-*, leak-*, timeout-* or
# oom-*. The run is repeatable: the random seed is fixed (QV_FUZZ_SEED changes it).
#   usage: run_fuzzer.sh TARGET SEEDS WORK [SECONDS]
# A dictionary beside this script named after the seed folder (dxf.dict) is used too.
# With SECONDS 0, or the seed folder's name in $QV_FUZZ_SEEDS_ONLY, only the seeds run.
set -euo pipefail
target=$1 seeds=$2 work=$3 seconds=${4:-30}
name=$(basename "$seeds")
rm -rf "$work"
mkdir -p "$work/corpus"
options=(-seed="${QV_FUZZ_SEED:-1}" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1
         -artifact_prefix="$work/")
if [ "$seconds" -eq 0 ] || [[ " ${QV_FUZZ_SEEDS_ONLY:-} " == *" $name "* ]]; then
  echo "$name: the seeds only"
  options+=(-runs=0)
else
  options+=(-max_total_time="$seconds")
fi
dict="$(dirname "$0")/$name.dict"
[ -f "$dict" ] && options+=(-dict="$dict")
# New inputs go to the first folder, so the seeds in the repository stay as they are.
exec "$target" "${options[@]}" "$work/corpus" "$seeds"

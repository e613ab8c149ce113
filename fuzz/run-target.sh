#!/usr/bin/env bash
# run-target.sh TARGET SEEDS WORK SECONDS: fuzzes TARGET for SECONDS from the
# seed folder, keeping what it learns in WORK/corpus and any finding in WORK.
set -euo pipefail
target=$1 seeds=$2 work=$3 seconds=$4
mkdir -p "$work/corpus"
cd "$work"
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/" corpus "$seeds"

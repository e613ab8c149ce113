#!/usr/bin/env bash
# Longer fuzz runs: builds the sanitizer preset and runs every target for
# SECONDS (default 600) each, one after another, keeping each target's corpus
# in build/asan/fuzz/<family>. Stops at the first finding.
#   bash fuzz/run-long.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
cmake --preset asan >/dev/null
cmake --build --preset asan
for target in build/asan/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  family=${target##*/fuzz_}
  echo "== $family: ${seconds}s"
  bash fuzz/run-target.sh "$PWD/$target" "$PWD/fuzz/seeds/$family" "$PWD/build/asan/fuzz/$family" "$seconds" 2>&1 |
    grep -E '^(Done|stat::number_of_executed_units)|ERROR|SUMMARY|check failed' || true
  if ls "build/asan/fuzz/$family"/crash-* "build/asan/fuzz/$family"/leak-* "build/asan/fuzz/$family"/timeout-* >/dev/null 2>&1; then
    echo "finding in build/asan/fuzz/$family" >&2
    exit 1
  fi
done

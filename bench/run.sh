#!/usr/bin/env bash
# Runs the benchmark: bash bench/run.sh [--scale S] [other options of bench.py]
# Builds the Linux library and the driver first (preset linux), unless both
# --driver and --lib are given.
set -euo pipefail
cd "$(dirname "$0")/.."

case " $* " in
  *" --driver "*" --lib "* | *" --lib "*" --driver "*)
    exec python3 bench/bench.py "$@" ;;
esac
cmake --preset linux >/dev/null
cmake --build --preset linux --target quillet quillet_bench >/dev/null
exec python3 bench/bench.py --driver build/linux/bin/quillet_bench --lib build/linux/bin/libquillet.so "$@"

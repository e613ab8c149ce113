#!/usr/bin/env bash
# Runs the benchmark: bash bench/run.sh [--scale S] [other options of bench.py]
# Builds the Linux library, the driver and the naive C++ INI peer first
# (preset linux), unless both --driver and --lib are given.
set -euo pipefail
cd "$(dirname "$0")/.."

case " $* " in
  *" --driver "*" --lib "* | *" --lib "*" --driver "*)
    exec python3 bench/bench.py "$@" ;;
esac
cmake --preset linux >/dev/null
cmake --build --preset linux --target quillet quillet_bench naive_ini >/dev/null
exec python3 bench/bench.py --driver build/linux/bin/quillet_bench --lib build/linux/bin/libquillet.so "$@"

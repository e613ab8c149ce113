#!/usr/bin/env bash
# Builds the library and runs the example host program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target host_demo >/dev/null
./build/linux/bin/host_demo

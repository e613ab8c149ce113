#!/usr/bin/env bash
# Runs the Linux test programs under valgrind's memcheck: any leak, invalid
# read or write, or use of uninitialised memory fails the run. The address-space
# limit tests are left out: valgrind needs that space for itself.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
command -v valgrind >/dev/null || { echo "valgrind is missing" >&2; exit 1; }
cmake --preset linux >/dev/null
cmake --build --preset linux
for program in quillet_unit_tests quillet_api_tests; do
  echo "== memcheck: $program"
  valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect,possible \
    --errors-for-leak-kinds=definite,indirect,possible --trace-children=no \
    "./build/linux/bin/$program" --gtest_brief=1 --gtest_filter=-MemoryExhaustion.*
done
echo "memcheck: no errors, no leaks"

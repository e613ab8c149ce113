#!/usr/bin/env bash
# Builds the library and the quillet tool (only CMake and a C++ compiler are
# needed: no tests), then runs the main job with the tool on the files in
# examples/: the sections of an INI file and the keys of each, then a CSV
# file converted to an INI-style table and printed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh build
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF -DQUILLET_EXAMPLES=OFF \
      -DQUILLET_BENCHMARK=OFF >/dev/null
cmake --build build/demo --target quillet_cli -j 2 >/dev/null
quillet=build/demo/bin/quillet

echo "== Sections of examples/settings.ini =="
"$quillet" sections examples/settings.ini
"$quillet" sections examples/settings.ini | while IFS= read -r section; do
  echo
  echo "== Keys of [$section] =="
  "$quillet" keys examples/settings.ini "$section"
done

echo
echo "== examples/products.csv as an INI table =="
"$quillet" csv-table examples/products.csv

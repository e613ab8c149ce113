#!/usr/bin/env bash
# Builds everything, then runs the main job with the quillet tool on the
# files in examples/: the sections of an INI file and the keys of each, then
# a CSV file converted to an INI-style table and printed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null
quillet=build/linux/bin/quillet

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

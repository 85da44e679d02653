#!/usr/bin/env bash
# The main job: a series of three sheets scanned through the settings dialog with the simulated
# scanner (a colour chart in RGB, a photograph in gray, a line drawing in B/W threshold), written
# to out/ as TIFF while they arrive; one line per document.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)" --target quorvel-host >/dev/null
mkdir -p out
host=$PWD/build/native/bin/quorvel-host
scripts=$PWD/scripts
cd out
rm -f image-*.tif QVL.log
"$host" about
"$host" series --scenario "$scripts/demo-scenario.ini" --actions "$scripts/demo-actions.txt" --tiff --out . |
    grep -E '^image [0-9]+: \./'
echo "documents and QVL.log in $PWD"

#!/usr/bin/env bash
# The main job: a scan series with the simulated scanner through the test host; documents go to out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)" --target quorvel-host >/dev/null
mkdir -p out
host=$PWD/build/native/bin/quorvel-host
cd out
"$host" about
"$host" series --scenario ../scripts/demo-scenario.ini --out .
echo "documents and QVL.log in $PWD:"
ls -l

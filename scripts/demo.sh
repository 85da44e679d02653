#!/usr/bin/env bash
# The main job: a scan series with the simulated scanner through the test host, documents into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)" --target quorvel-host >/dev/null
mkdir -p out
host=build/native/bin/quorvel-host
"$host" about
"$host" series --out out
echo "documents in $PWD/out:"
ls -l out

#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz) and runs each for SECONDS (default 20) on a scratch
# copy of its seed corpus in build/fuzz/run/, one target at a time. One line per target; exits
# non-zero when a target crashes (its input is kept in build/fuzz/run/<target>/).
# Usage: scripts/fuzz.sh [seconds]
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [seconds]" >&2
    exit 2
fi
bash scripts/setup.sh || exit 1

log=build/fuzz-build.log
mkdir -p build
# Only the targets and what they link: the rest of the tree is not needed here.
if ! cmake --preset fuzz >"$log" 2>&1 ||
   ! cmake --build --preset fuzz -j"$(nproc)" --target fuzz_targets >>"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: build failed"
    exit 1
fi
rm -f "$log"
mapfile -t targets <build/fuzz/fuzz-targets.txt
if [ ${#targets[@]} -eq 0 ]; then
    echo "fuzz: no targets configured"
    exit 1
fi

status=0
for target in "${targets[@]}"; do
    run=build/fuzz/run/$target
    rm -rf "$run"
    mkdir -p "$run/corpus"
    [ -d fuzz/corpus/"$target" ] && cp -R fuzz/corpus/"$target"/. "$run/corpus/"
    # Leaks are reported as crashes too; a slow input counts as one after 10 s.
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        build/fuzz/bin/"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$run/" -print_final_stats=1 "$run/corpus" >"$run/log" 2>&1
    rc=$?
    runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$run/log" | tail -n 1)
    [ -n "$runs" ] || runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log" | tail -n 1)
    if [ $rc -eq 0 ]; then
        result=ok
    else
        artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$run/log" | tail -n 1)
        result="CRASH (exit $rc) ${artifact:-see $run/log}"
        status=1
    fi
    printf '%-20s %12s runs  %s\n' "$target" "${runs:-?}" "$result"
done
exit $status

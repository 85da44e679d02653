#!/usr/bin/env bash
# Builds and tests every build: native, ASan+UBSan, TSan, and win32 under Wine (on Xvfb).
# Usage: scripts/test-all.sh [preset ...]   (default: native asan tsan win32)
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(native asan tsan win32)
jobs=$(nproc)
passed=0
failed=0
status=0

for preset in "${presets[@]}"; do
    echo "== $preset"
    if ! cmake --preset "$preset" >"build-$preset.log" 2>&1 ||
       ! cmake --build --preset "$preset" -j"$jobs" >>"build-$preset.log" 2>&1; then
        tail -n 60 "build-$preset.log"
        echo "$preset: build failed"
        failed=$((failed + 1))
        status=1
        continue
    fi
    runner=()
    [ "$preset" = win32 ] && runner=(xvfb-run -a -s "-screen 0 1280x1024x24")
    out=$("${runner[@]}" ctest --preset "$preset" -j"$jobs" 2>&1)
    rc=$?
    echo "$out" | grep -E "tests passed|Failed|\*\*\*|Timeout|Not Run" || true
    [ "$preset" = win32 ] && WINEPREFIX="$PWD/build/win32/wineprefix" wineserver -k 2>/dev/null
    total=$(echo "$out" | sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' | tail -n 1)
    fails=$(echo "$out" | sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' | tail -n 1)
    total=${total:-0}
    fails=${fails:-0}
    passed=$((passed + total - fails))
    failed=$((failed + fails))
    [ $rc -ne 0 ] && status=1
    rm -f "build-$preset.log"
done

echo "total: $passed passed, $failed failed"
exit $status

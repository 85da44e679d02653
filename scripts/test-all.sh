#!/usr/bin/env bash
# Builds and tests every build: native, ASan+UBSan, TSan, and win32 under Wine (on Xvfb).
# Usage: scripts/test-all.sh [preset ...]   (default: format native asan tsan fuzz win32)
# fuzz runs every libFuzzer target for a short fixed time (QV_FUZZ_SECONDS, default 15).
# On a machine that cannot execute 32-bit programs the win32 build is still made and its
# native checks run; the Wine tests are not run and the script says so.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(format native asan tsan fuzz win32)
jobs=$(nproc)
passed=0
failed=0
status=0

# Adds one ctest run's counts to the totals.
count() {
    local out=$1 total fails
    total=$(echo "$out" | sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' | tail -n 1)
    fails=$(echo "$out" | sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' | tail -n 1)
    total=${total:-0}
    fails=${fails:-0}
    passed=$((passed + total - fails))
    failed=$((failed + fails))
}

for preset in "${presets[@]}"; do
    echo "== $preset"
    if [ "$preset" = format ]; then
        if git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format --dry-run --Werror; then
            passed=$((passed + 1))
        else
            echo "format: files differ from .clang-format"
            failed=$((failed + 1))
            status=1
        fi
        continue
    fi
    if [ "$preset" = fuzz ]; then
        out=$(bash scripts/fuzz.sh "${QV_FUZZ_SECONDS:-15}")
        rc=$?
        echo "$out"
        ok=$(echo "$out" | grep -c ' runs  ok$')
        bad=$(echo "$out" | grep -c ' runs  CRASH')
        passed=$((passed + ok))
        failed=$((failed + bad))
        if [ $rc -ne 0 ] && [ "$bad" -eq 0 ]; then
            failed=$((failed + 1))
        fi
        [ $rc -ne 0 ] && status=1
        continue
    fi
    if ! cmake --preset "$preset" >"build-$preset.log" 2>&1 ||
       ! cmake --build --preset "$preset" -j"$jobs" >>"build-$preset.log" 2>&1; then
        tail -n 60 "build-$preset.log"
        echo "$preset: build failed"
        failed=$((failed + 1))
        status=1
        continue
    fi
    rm -f "build-$preset.log"
    if [ "$preset" = win32 ] && ! reason=$(bash scripts/probe-32bit.sh); then
        out=$(ctest --preset win32 -LE wine -j"$jobs" 2>&1)
        rc=$?
        echo "$out" | grep -E "tests passed|Failed|\*\*\*|Timeout|Not Run" || true
        echo "win32: Wine tests not run: this machine cannot execute 32-bit programs ($reason)"
    elif [ "$preset" = win32 ]; then
        out=$(xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset win32 -j"$jobs" 2>&1)
        rc=$?
        echo "$out" | grep -E "tests passed|Failed|\*\*\*|Timeout|Not Run" || true
        WINEPREFIX="$PWD/build/win32/wineprefix" wineserver -k 2>/dev/null
    else
        out=$(ctest --preset "$preset" -j"$jobs" 2>&1)
        rc=$?
        echo "$out" | grep -E "tests passed|Failed|\*\*\*|Timeout|Not Run" || true
    fi
    count "$out"
    [ $rc -ne 0 ] && status=1
done

echo "total: $passed passed, $failed failed"
exit $status

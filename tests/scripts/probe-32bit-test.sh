#!/usr/bin/env bash
# The 32-bit probe answers for the program it is pointed at; a kernel that refuses 32-bit
# programs is simulated by an ELF header for a machine this kernel cannot run.
set -u
probe=$(dirname "$0")/../../scripts/probe-32bit.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

expect() { # expect NAME STATUS TEXT PROGRAM
    out=$(QV_PROBE_32BIT=$4 bash "$probe")
    rc=$?
    if [ "$rc" -eq "$2" ] && [ "$out" = "$3" ]; then
        passed=$((passed + 1))
    else
        echo "FAIL $1: exit $rc, said '$out'; expected exit $2, '$3'"
        failed=$((failed + 1))
    fi
}

head -c 64 /bin/sh >"$work/foreign"
printf '\003\000' | dd of="$work/foreign" bs=1 seek=18 conv=notrunc status=none # e_machine: i386
chmod +x "$work/foreign"
printf 'not a program\n' >"$work/plain"
chmod -x "$work/plain"
printf '#!/bin/sh\necho "loader: broken library" >&2\nexit 3\n' >"$work/failing"
chmod +x "$work/failing"

expect runnable 0 "" /bin/true
expect "foreign machine" 1 "Exec format error" "$work/foreign"
expect "not executable" 1 "Permission denied" "$work/plain"
expect missing 1 "$work/none not found" "$work/none"
expect "failing program" 1 "broken library" "$work/failing"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

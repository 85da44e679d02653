#!/usr/bin/env bash
# Can this machine execute 32-bit x86 programs? Wine needs that for every win32 test.
# Exit 0 when it can; otherwise exit 1 and print the reason. Runs nothing that can hang.
# QV_PROBE_32BIT names another program to try, so the answer can be tested.
program=${QV_PROBE_32BIT:-/lib/ld-linux.so.2}
if [ ! -e "$program" ]; then
    echo "$program not found"
    exit 1
fi
# bash itself runs the program, so a binary it cannot load is reported, not run as a script.
out=$(timeout 20 bash -c '"$0" --version' "$program" 2>&1 </dev/null)
rc=$?
[ $rc -eq 0 ] && exit 0
reason=$(printf '%s\n' "$out" | grep -v '^$' | tail -n 1)
reason=${reason##*: }
[ $rc -eq 124 ] && reason="no answer within 20 s"
echo "${reason:-exit status $rc}"
exit 1

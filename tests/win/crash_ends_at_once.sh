#!/usr/bin/env bash
# Usage: crash_ends_at_once.sh WINE-RUN CRASHER.EXE
# A crashing Windows program ends by itself with a failure code and Wine's backtrace in its
# output; ctest's timeout on this test catches a prefix whose crash debugger waits instead.
set -uo pipefail
out=$("$1" "$2" 2>&1)
rc=$?
printf '%s\n' "$out"
fail() { echo "FAILED: $*"; exit 1; }
[ $rc -ne 0 ] || fail "the crashing program returned 0"
grep -q 'antes da falha' <<<"$out" || fail "the program did not run"
grep -q '^Backtrace:' <<<"$out" || fail "no backtrace in the output"
echo "the crash ended the program with code $rc and a backtrace"

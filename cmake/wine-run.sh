#!/bin/sh
# Runs a Windows program under Wine for CTest. Its output goes through a file: Wine's helper
# processes inherit the program's standard output and would hold CTest's pipe open after the
# program itself has ended.
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
exit $status

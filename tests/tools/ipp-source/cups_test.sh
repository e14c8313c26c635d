#!/bin/sh
# Runs the IPP source's scheduler tests: starts a private CUPS scheduler
# (everything under DIR, a free loopback port), runs the Windows test
# program under Wine with the scheduler's folder in its environment, and
# always ends the scheduler afterwards and removes what it had under /tmp.
#   cups_test.sh HARNESS DIR TEST-RUNNER... (the runner and its arguments)
# Exit 77 (a skip) only when the scheduler's programs are not installed.
set -u
harness=$1
dir=$2
shift 2

"$harness" "$dir" start
status=$?
if [ $status -ne 0 ]; then
  [ $status -eq 77 ] && echo "cups_test: skipped, the CUPS scheduler is not installed"
  exit $status
fi
trap '"$harness" "$dir" clean' EXIT INT TERM

DADAVIZI_CUPS_HARNESS=$harness DADAVIZI_CUPS_DIR=$dir "$@"

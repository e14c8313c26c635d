# shellcheck shell=bash
# The start the package test scripts share, sourced before anything else:
#   . "$(dirname "$0")/msi_start.sh" COUNT USAGE "$@"
# A call with other than COUNT arguments prints "usage: USAGE" and exits 2.
# Then $here is this folder and $root the source tree; `fail` ends the test
# naming what failed and where its logs are ($work), `pass` reports a step.
if [ $(($# - 2)) -ne "$1" ]; then
  echo "usage: $2" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
fail() { echo "FAIL: $*"; echo "--- logs in $work"; exit 1; }
pass() { echo "ok: $*"; }

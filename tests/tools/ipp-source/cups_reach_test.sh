#!/bin/sh
# The private scheduler run from behind a mode-700 folder, as a checkout in
# /root or in a folder made by mktemp -d is: as root, its backend runs as lp
# and must still print (jam, then clear on the next job). Afterwards nothing
# of it is left under /tmp.
#   cups_reach_test.sh HARNESS WORK-DIR
# Exit 77 (a skip) only when the scheduler's programs are not installed.
set -u
harness=$1
base=$2/reach-test
dir=$base/locked/cups

fail() {
  echo "cups_reach_test: $*" >&2
  tail -n 20 "$dir/log/error_log" >&2 2>/dev/null
  "$harness" "$dir" clean
  rm -rf "$base"
  exit 1
}

# waits_for FILE: true once FILE exists, false after 20 s.
waits_for() {
  tries=0
  while [ ! -f "$1" ]; do
    tries=$((tries + 1))
    [ $tries -ge 200 ] && return 1
    sleep 0.1
  done
}

rm -rf "$base"
mkdir -p "$base/locked" && chmod 700 "$base/locked" || fail "cannot make $base/locked"
"$harness" "$dir" start
status=$?
[ $status -eq 77 ] && { echo "cups_reach_test: skipped, the CUPS scheduler is not installed"; exit 77; }
[ $status -eq 0 ] || fail "the scheduler did not start"
reach=$(cat "$dir/reach")
case $reach in /tmp/dadavizi-cups-*) ;; *) fail "the backend's directory is $reach, not under /tmp" ;; esac

"$harness" "$dir" print || fail "the first job was not taken"
waits_for "$dir/jam/jam-reported" || fail "the backend did not run (no $dir/jam/jam-reported)"
"$harness" "$dir" print || fail "the second job was not taken"
waits_for "$dir/jam/clear-reported" || fail "the backend did not clear the jam"
if [ "$(id -u)" -eq 0 ]; then
  owner=$(stat -c %U "$dir/jam/jam-reported")
  [ "$owner" = lp ] || fail "the backend ran as $owner, not as lp"
fi

"$harness" "$dir" clean || fail "clean failed"
[ -e "$reach" ] && fail "$reach is left behind"
rm -rf "$base"
echo "cups_reach_test: the backend ran as $(id -un | sed 's/^root$/lp/') from behind a mode-700 folder; nothing left in /tmp"
exit 0

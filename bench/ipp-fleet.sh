#!/bin/bash
# N IPP status sources watching one print server with stock limits
# (Debian's cupsd.conf: MaxSubscriptions 100, MaxClients 100), as threads of
# DadaViziIppFleet.exe, against the tests' private CUPS scheduler. After they
# have started and settled, over SECONDS:
#   - requests per minute per idle client, from the scheduler's access log
#     (bar 2);
#   - the scheduler's CPU time, from /proc/<pid>/stat, as a share of one
#     core (bar: below one core);
#   - subscriptions it holds at the end, and Create-Printer-Subscriptions it
#     refused as too many over the whole run (no bar: they show how the
#     fleet shares the server);
#   - "not reachable" reports over the whole run, all false: the server
#     answered throughout (bar 0).
# Then one watcher is told that its machine sent a job, the job jams the
# printer, and the time from the backend's jam to that watcher's report is
# taken (bar 2 s). The queue stays jammed, and over the next JAM_SECONDS
# (120) the watchers' requests per minute per source are counted: every
# source sees the jam, only the one with the job asks fast (bar 2).
#   bench/ipp-fleet.sh BUILD-DIR PREFIX N SECONDS [CSV]
# Prints table rows and appends them to CSV. Exit 0 within the bars, 1 past
# one, 2 when it could not measure.
set -uo pipefail
build=$1
prefix=$2
count=$3
seconds=$4
csv=${5:-}
root=$(cd "$(dirname "$0")/.." && pwd)
harness=$root/tests/tools/ipp-source/cups-harness
cups=$build/ipp-fleet-cups
work=$build/ipp-fleet-$count
ticks=$(getconf CLK_TCK)
spread=10   # the watchers start over this many seconds
settle=20   # and then settle: first query, subscription, first pull
jam_seconds=${JAM_SECONDS:-120}

. "$root/bench/ipp-bench.sh"
ipp_bench_begin ipp-fleet stock-default "$build/bin/DadaViziIppFleet.exe"
wine_prefix_ready null || { echo "ipp-fleet: no Wine prefix $WINEPREFIX" >&2; exit 2; }
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 2
uri="ipp://127.0.0.1:$(cat "$cups/port")/printers/jam"
"$WINELOADER" "$build/bin/DadaViziIppFleet.exe" "$uri" "$count" 1 "$spread" >fleet.log 2>&1 &
fleet_pid=$!
ended_pids=("$fleet_pid")
sleep $((spread + settle))

cupsd_pid=$(cat "$cups/pid")
posts() { grep -c 'POST ' "$cups/log/access_log" 2>/dev/null || echo 0; }
cpu_before=$(cpu "$cupsd_pid")
posts_before=$(posts)
start=$(date +%s%3N)
sleep "$seconds"
cpu_after=$(cpu "$cupsd_pid")
posts_after=$(posts)
elapsed=$(( $(date +%s%3N) - start ))
"$harness" "$cups" subscriptions >/dev/null
held=$(cat "$cups/subscriptions" 2>/dev/null || echo "?")
if ! kill -0 "$fleet_pid" 2>/dev/null; then
  echo "ipp-fleet: DadaViziIppFleet ended early:" >&2
  tail -n 20 fleet.log >&2
  exit 2
fi

# The jam: the watcher learns of the job as the job is sent.
touch fleet-job
"$harness" "$cups" print >/dev/null
sleep 15
# The jammed queue, with no job of theirs for all but one: only the
# watchers' own operations count, not the backend's lpstat while it waits.
watched() {
  grep -cE '"POST /printers/jam HTTP/1.1" [0-9]+ [0-9]+ (Get-Printer-Attributes|Get-Notifications|Create-Printer-Subscriptions|Renew-Subscription|Cancel-Subscription) ' \
    "$cups/log/access_log" 2>/dev/null || echo 0
}
jam_before=$(watched)
jam_start=$(date +%s%3N)
sleep "$jam_seconds"
jam_after=$(watched)
jam_elapsed=$(( $(date +%s%3N) - jam_start ))
touch fleet-stop
tries=0
while kill -0 "$fleet_pid" 2>/dev/null && [ $tries -lt 600 ]; do sleep 0.2; tries=$((tries + 1)); done
ended_pids=()
[ -f fleet-result ] || { echo "ipp-fleet: no result from DadaViziIppFleet" >&2; tail -n 20 fleet.log >&2; exit 2; }
value() { sed -n "s/^$1 \\([^\\r]*\\)\\r\\?\$/\\1/p" fleet-result; }
started=$(value started)
unreachable=$(value unreachable)
jam_report=$(value jam-reported-ms)
jam=$(cat "$cups/jam/jam-reported" 2>/dev/null || echo 0)
refused=$(grep -c 'Create-Printer-Subscriptions client-error-too-many-subscriptions' "$cups/log/access_log")
per_minute=$(awk -v n="$((posts_after - posts_before))" -v c="$count" -v ms="$elapsed" \
  'BEGIN { printf "%.2f", n * 60000 / ms / c }')
jam_per_minute=$(awk -v n="$((jam_after - jam_before))" -v c="$count" -v ms="$jam_elapsed" \
  'BEGIN { printf "%.2f", n * 60000 / ms / c }')
cores=$(awk -v t="$((cpu_after - cpu_before))" -v hz="$ticks" -v ms="$elapsed" \
  'BEGIN { printf "%.3f", t / hz * 1000 / ms }')
if [ "$jam_report" -gt 0 ] && [ "$jam" -gt 0 ]; then
  latency=$(awk -v a="$jam_report" -v b="$jam" 'BEGIN { printf "%.2f", (a - b) / 1000 }')
else
  latency=none
fi

ok() { awk -v v="$1" -v b="$2" -v op="$3" 'BEGIN {
  if (v == "none") print "NO"; else if (op == "lt") print (v < b) ? "yes" : "NO"; else print (v <= b) ? "yes" : "NO" }'; }
rows=()
row() {  # figure unit value bar ok
  printf '| %-44s | %-5s | %-26s | %-8s | %-22s | %-4s | %-3s |\n' "$1" "$2" "$3" - - "$4" "$5"
  rows+=("mingw$bits,\"$1\",$2,1,$3,$3,$3,,,,,$4,$(echo "$5" | tr 'A-Z' 'a-z')")
}

row "IPP fleet $count: requests/min per idle client" count "$per_minute" 2 "$(ok "$per_minute" 2 le)"
row "IPP fleet $count: cupsd CPU over $((elapsed / 1000)) s" cores "$cores" 1 "$(ok "$cores" 1 lt)"
row "IPP fleet $count: subscriptions held" count "$held" - -
row "IPP fleet $count: subscriptions refused (full)" count "$refused" - -
row "IPP fleet $count: false not-reachable reports" count "$unreachable" 0 "$(ok "$unreachable" 0 le)"
row "IPP fleet $count: jam to report, fast mode" s "$latency" 2 "$(ok "$latency" 2 le)"
row "IPP fleet $count: requests/min per source, queue jammed" count "$jam_per_minute" 2 \
  "$(ok "$jam_per_minute" 2 le)"
[ "$started" = "$count" ] || echo "ipp-fleet: only $started of $count watchers started" >&2
[ -n "$csv" ] && printf '%s\n' "${rows[@]}" >>"$csv"
for r in "${rows[@]}"; do case $r in *,no) exit 1 ;; esac; done
exit 0

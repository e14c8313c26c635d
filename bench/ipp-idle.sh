#!/bin/bash
# The IPP status source while nothing changes: its CPU time and its requests
# per minute to a private CUPS scheduler (the tests' harness), measured over
# an idle period after it has settled. The floor for CPU time is the floor
# program idling beside it; requests have no floor: the bar is what many
# clients of one print server can afford, 2 a minute (the source asks a
# minute apart, give or take 20 %, as CUPS's notify-get-interval and the
# default PollSeconds say). Requests are counted over at least two minutes:
# a shorter period would count one request as many per minute.
#   bench/ipp-idle.sh BUILD-DIR PREFIX SECONDS [CSV]
# Prints two table rows and appends them to CSV. Exit 0 within the bars,
# 1 past one, 2 when it could not measure.
set -uo pipefail
build=$1
prefix=$2
seconds=$3
[ "$seconds" -lt 120 ] && seconds=120
csv=${4:-}
root=$(cd "$(dirname "$0")/.." && pwd)
harness=$root/tests/tools/ipp-source/cups-harness
cups=$build/ipp-cups
ticks=$(getconf CLK_TCK)

# The scheduler, and the Wine of the build's width.
. "$root/bench/ipp-bench.sh"
ipp_bench_begin ipp-idle start "$build/bin/DadaViziIpp.exe"
# A status data key to write.
"$WINELOADER" reg add 'HKLM\SOFTWARE\Halvik\Zive Dozorod' /v Monitor /d 'SOFTWARE\DadaViziBenchIpp' /f \
  >/dev/null 2>&1
uri="ipp://127.0.0.1:$(cat "$cups/port")/printers/jam"
"$WINELOADER" "$build/bin/DadaViziIpp.exe" "$uri" >"$build/ipp-idle.log" 2>&1 &
source_pid=$!
ended_pids+=("$source_pid")
"$WINELOADER" "$build/bin/BenchFloor.exe" >/dev/null 2>&1 &
floor_pid=$!
ended_pids+=("$floor_pid")
sleep 5  # settled: first query, subscription

posts() { grep -c 'POST ' "$cups/log/access_log" 2>/dev/null || echo 0; }
source_cpu=$(cpu "$source_pid")
floor_cpu=$(cpu "$floor_pid")
requests=$(posts)
sleep "$seconds"
source_ms=$(( ($(cpu "$source_pid") - source_cpu) * 1000 / ticks ))
floor_ms=$(( ($(cpu "$floor_pid") - floor_cpu) * 1000 / ticks ))
per_minute=$(awk -v n="$(( $(posts) - requests ))" -v s="$seconds" 'BEGIN { printf "%.1f", n * 60 / s }')
if ! kill -0 "$source_pid" 2>/dev/null; then
  echo "ipp-idle: DadaViziIpp ended early:" >&2
  cat "$build/ipp-idle.log" >&2
  exit 2
fi

# One 10 ms tick is added to both sides, as for the monitor's idle figure.
tick=$(( 1000 / ticks ))
ratio=$(awk -v a="$source_ms" -v b="$floor_ms" -v t="$tick" 'BEGIN { printf "%.2f", (a + t) / (b + t) }')
cpu_bar=20
requests_bar=2
cpu_ok=$(awk -v r="$ratio" -v b="$cpu_bar" 'BEGIN { print (r <= b) ? "yes" : "no" }')
requests_ok=$(awk -v r="$per_minute" -v b="$requests_bar" 'BEGIN { print (r <= b) ? "yes" : "no" }')
printf '| %-44s | %-5s | %-26s | %-8s | %-22s | %-4s | %-3s |\n' \
  "IPP source: CPU time over $seconds s idle" ms "$source_ms" "$floor_ms" "$ratio" "$cpu_bar" "$cpu_ok" \
  "IPP source: requests per minute, idle" count "$per_minute" "-" "-" "$requests_bar" "$requests_ok"
if [ -n "$csv" ]; then
  echo "mingw$bits,\"IPP source: CPU time over $seconds s idle\",ms,1,$source_ms,$source_ms,$source_ms,$floor_ms,$ratio,$ratio,$ratio,$cpu_bar,$cpu_ok" >>"$csv"
  echo "mingw$bits,\"IPP source: requests per minute idle\",count,1,$per_minute,$per_minute,$per_minute,,,,,$requests_bar,$requests_ok" >>"$csv"
fi
[ "$cpu_ok" = yes ] && [ "$requests_ok" = yes ]

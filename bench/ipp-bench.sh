# What the IPP benchmarks (ipp-fleet.sh, ipp-idle.sh) share. Sourced by
# them once $root, $harness, $cups and $prefix are set.
. "$root/cmake/wine-host.sh"

# The programs ended on exit, before the scheduler.
ended_pids=()

# ipp_bench_begin NAME MODE PROGRAM: starts the tests' scheduler (the
# harness's MODE, start or stock-default), has it and ended_pids ended on
# exit, and takes the Wine of PROGRAM's width (left in $bits, which the
# rows name) in the prefix the benchmark made. Exits 2, saying why as NAME,
# when it cannot.
ipp_bench_begin() {
  local name=$1 mode=$2 program=$3
  "$harness" "$cups" "$mode" >/dev/null || { echo "$name: no scheduler" >&2; exit 2; }
  trap ipp_bench_end EXIT
  bits=$(wine_pe_bits "$program")
  wine_use "$bits" "$prefix-win$bits" || { echo "$name: $WINE_WHY" >&2; exit 2; }
  unset DISPLAY
}

ipp_bench_end() {
  local pid
  for pid in "${ended_pids[@]}"; do kill "$pid" 2>/dev/null; done
  "$harness" "$cups" clean >/dev/null
}

# The CPU time of process $1 so far, user and system, in clock ticks.
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }

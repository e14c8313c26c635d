#!/bin/bash
# The network-facing parsers of DadaViziIpp (the IPP reader, the multipart
# reader, the URI and address rules) under coverage-guided fuzzing: built
# natively with clang, libFuzzer, AddressSanitizer and UBSan, seeded from
# the tests' encoded answers and URI tables, each run for SECONDS after its
# kept crash inputs (regressions/<target>/) have been run once.
#   run.sh SOURCE-ROOT WORK-DIR SECONDS
# Exit 0 no fault, 1 a fault (the input is kept under WORK-DIR, to be added
# to regressions/), 2 a build failed, 77 no clang with libFuzzer here.
set -uo pipefail
[ $# -eq 3 ] || { echo "usage: run.sh SOURCE-ROOT WORK-DIR SECONDS" >&2; exit 2; }
root=$1 work=$2 seconds=$3
here=$root/tests/tools/ipp-source/fuzz
tool=$root/tools/ipp-source
text=$root/tools/common/bounded_text.h
cxx=${CLANGXX:-clang++}
command -v "$cxx" >/dev/null || { echo "run.sh: no $cxx (Debian: clang, libclang-rt-14-dev)"; exit 77; }
mkdir -p "$work" && work=$(cd "$work" && pwd) || exit 2
probe=$work/probe.cpp
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' >"$probe"
"$cxx" -fsanitize=fuzzer "$probe" -o "$work/probe" 2>/dev/null ||
  { echo "run.sh: $cxx cannot link libFuzzer (Debian: libclang-rt-14-dev)"; exit 77; }

flags=(-std=c++17 -g -O1 -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined
  -fno-sanitize-recover=all -I"$root" -I"$root/tests/tools/ipp-source")
# Built again only when a source or header is newer than the program.
build() {  # NAME FILES... (the .cpp files are compiled, the headers only looked at)
  local name=$1; shift
  local program=$work/$name newer=0 sources=()
  for file in "$@"; do
    [ "$file" -nt "$program" ] && newer=1
    case $file in *.cpp) sources+=("$file") ;; esac
  done
  [ $newer = 0 ] && return 0
  "$cxx" "${flags[@]}" "${sources[@]}" -o "$program" || { echo "run.sh: building $name failed"; return 1; }
}
build ipp_reader "$here/ipp_reader_fuzz.cpp" "$tool/ipp.cpp" "$tool/ipp.h" "$text" || exit 2
build multipart "$here/multipart_fuzz.cpp" "$tool/multipart.cpp" "$tool/multipart.h" "$tool/ascii.h" "$text" || exit 2
build uri "$here/uri_fuzz.cpp" "$tool/uri.cpp" "$tool/uri.h" "$tool/ascii.h" || exit 2

# Seeds: the answers of ipp_messages.h and the URIs of uri_test.cpp's
# tables, ipp_test.cpp and pinning_test.cpp, as written there (every string literal of a URI scheme, and every
# host of the address table as an ipp:// URI).
seeds=$work/seeds
rm -rf "$seeds" && mkdir -p "$seeds/ipp_reader" "$seeds/multipart" "$seeds/uri"
c++ -std=c++17 -I"$root/tests/tools/ipp-source" "$here/make_seeds.cpp" -o "$work/make_seeds" ||
  { echo "run.sh: building make_seeds failed"; exit 2; }
tests=$root/tests/tools/ipp-source
uris=("$tests/uri_test.cpp" "$tests/ipp_test.cpp" "$tests/pinning_test.cpp")
{ grep -ohE '"(ipps?|https?|IPPS?|ftp)://[^"]*"' "${uris[@]}" | tr -d '"'
  grep -ohE 'L"[^"]*"' "${uris[@]}" | sed 's/^L"//; s/"$//' | sed 's|^|ipp://|; s|$|/ipp/print|'
} | "$work/make_seeds" "$seeds" || exit 2

status=0
for target in ipp_reader multipart uri; do
  corpus=$work/corpus/$target
  mkdir -p "$corpus"
  kept=("$here/regressions/$target"/*)
  if [ -e "${kept[0]}" ]; then
    "$work/$target" "${kept[@]}" >"$work/$target-regressions.log" 2>&1 || {
      echo "FAIL: $target: a kept regression input faults again"
      tail -n 30 "$work/$target-regressions.log"
      status=1
      continue
    }
  fi
  "$work/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
    -artifact_prefix="$work/$target-" "$corpus" "$seeds/$target" >"$work/$target.log" 2>&1
  if [ $? -ne 0 ]; then
    echo "FAIL: $target: a fault; keep the input as a regression case:"
    ls "$work/$target-"* 2>/dev/null | sed "s|^|  cp |; s|\$| $here/regressions/$target/|"
    tail -n 30 "$work/$target.log"
    status=1
    continue
  fi
  runs=$(sed -n 's/^#\([0-9]*\).*DONE.*/\1/p' "$work/$target.log" | tail -n 1)
  echo "ok: $target: ${runs:-?} inputs in ${seconds}s, ${#kept[@]} kept regression inputs, no fault"
done
exit $status

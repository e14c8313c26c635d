#!/bin/sh
# Checks a compiled help file with Free Pascal's chmls, so a help file that
# compiled but lost its map or its window fails the build:
#   chm-check.sh CHMLS FILE.CHM MAP.h PROJECT_DIR WINDOW
# - every "#define NAME NUMBER" of MAP.h is a context number in the CHM's
#   context map (chmcmd drops a map silently when its #include is not found);
# - the page each number names is stored in the CHM;
# - WINDOW is the first window type, the one "FILE.CHM>WINDOW" opens.
# What it cannot prove: that the help engine finds a number's page. chmcmd
# 3.2.2 writes the page into the context map with the absolute folder it
# compiled in (PROJECT_DIR/page.htm, not page.htm); whether hhctrl.ocx turns
# that into the stored /page.htm only a real Windows shows, and Wine's
# hhctrl draws no page without Gecko. Exit code 0 when all holds, 1 when
# something is missing (each miss on a line of its own), 2 on bad use.
set -u
if [ $# -ne 5 ]; then
  echo "usage: chm-check.sh CHMLS FILE.CHM MAP.h PROJECT_DIR WINDOW" >&2
  exit 2
fi
chmls=$1 chm=$2 map=$3 project=${4%/} window=$5
name=$(basename "$chm")

work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
# chmls writes the extracted map beside the CHM it reads, so it reads a copy.
cp "$chm" "$work/$name" || exit 2
(cd "$work" && "$chmls" extractalias "$name") >/dev/null 2>&1
"$chmls" -p -n list "$work/$name" >"$work/list" 2>/dev/null
"$chmls" printwindows "$work/$name" >"$work/windows" 2>/dev/null
aliases=$work/${name%.*}.ali

failed=0
fail() {
  echo "chm-check: $name: $*"
  failed=1
}

[ -f "$aliases" ] || fail "no context map (#IVB) at all"
numbers=$(sed -n 's/^[[:space:]]*#define[[:space:]]\{1,\}[A-Za-z_][A-Za-z0-9_]*[[:space:]]\{1,\}\([0-9]\{1,\}\)[[:space:]]*$/\1/p' "$map")
[ -n "$numbers" ] || fail "$map defines no context number"
mapped=
for number in $numbers; do
  topic=$(sed -n "s/^helpid$number=//p" "$aliases" 2>/dev/null | tr -d '\r' | head -n 1)
  if [ -z "$topic" ]; then
    fail "context number $number is not mapped"
    continue
  fi
  page=${topic#"$project"}
  if ! grep -qxF "$page" "$work/list"; then
    fail "context number $number names $topic, but the CHM holds no $page"
    continue
  fi
  mapped="$mapped $number"
done

first=$(sed -n 's/^08 WindowType[^:]*: \([^ ]*\) .*/\1/p' "$work/windows" | head -n 1)
caption=$(sed -n 's/^14 Title Bar Text[^:]*: \(.*\) (index value.*/\1/p' "$work/windows" | head -n 1)
if [ -z "$first" ]; then
  fail "no window types (#WINDOWS)"
elif [ "$first" != "$window" ]; then
  fail "the first window type is $first, not $window"
fi

[ $failed -eq 0 ] || exit 1
echo "chm-check: $name: context numbers$mapped mapped; first window $first \"$caption\""
exit 0

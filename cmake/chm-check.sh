#!/bin/sh
# Checks a compiled help file with Free Pascal's chmls, so a help file that
# compiled but lost its map or its window fails the build:
#   chm-check.sh CHMLS FILE.CHM MAP.h PROJECT_DIR WINDOW [TEXTS.INI]
# - every "#define NAME NUMBER" of MAP.h is a context number in the CHM's
#   context map (chmcmd drops a map silently when its #include is not found);
# - the page each number names is stored in the CHM;
# - WINDOW is the first window type, the one "FILE.CHM>WINDOW" opens;
# - with TEXTS.INI: each number has a short text in its section [Text], of
#   at most 255 characters (what the program's own popup reads).
# What it cannot prove: that the help engine finds a number's page. chmcmd
# 3.2.2 writes the page into the context map with the absolute folder it
# compiled in (PROJECT_DIR/page.htm, not page.htm); whether hhctrl.ocx turns
# that into the stored /page.htm only a real Windows shows, and Wine's
# hhctrl draws no page without Gecko. Exit code 0 when all holds, 1 when
# something is missing (each miss on a line of its own), 2 on bad use.
set -u
if [ $# -ne 5 ] && [ $# -ne 6 ]; then
  echo "usage: chm-check.sh CHMLS FILE.CHM MAP.h PROJECT_DIR WINDOW [TEXTS.INI]" >&2
  exit 2
fi
chmls=$1 chm=$2 map=$3 window=$5 texts=${6:-}
# chmcmd names pages from the folder's physical path, symbolic links resolved.
project=$(cd "$4" && pwd -P) || exit 2
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

if [ -n "$texts" ]; then
  # The keys of section [Text], each line "number=text" without its CR.
  tr -d '\r' <"$texts" | sed -n '/^\[Text\]/,/^\[/{/^[0-9]\{1,\}=/p}' >"$work/texts"
  for number in $numbers; do
    text=$(sed -n "s/^$number=//p" "$work/texts" | head -n 1)
    if [ -z "$text" ]; then
      fail "$(basename "$texts") has no short text for context number $number"
    elif [ ${#text} -gt 255 ]; then
      fail "$(basename "$texts"): the short text of $number is longer than 255 characters"
    fi
  done
fi

first=$(sed -n 's/^08 WindowType[^:]*: \([^ ]*\) .*/\1/p' "$work/windows" | head -n 1)
caption=$(sed -n 's/^14 Title Bar Text[^:]*: \(.*\) (index value.*/\1/p' "$work/windows" | head -n 1)
if [ -z "$first" ]; then
  fail "no window types (#WINDOWS)"
elif [ "$first" != "$window" ]; then
  fail "the first window type is $first, not $window"
fi

[ $failed -eq 0 ] || exit 1
with=
[ -z "$texts" ] || with=", each with a short text"
echo "chm-check: $name: context numbers$mapped mapped$with; first window $first \"$caption\""
exit 0

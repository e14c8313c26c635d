# What this host can run under Wine, and the Wine environment for one width.
# Sourced (POSIX sh) by cmake/wine-run, the test, demo and bench scripts, so
# that every one of them decides the same way.
#
#   wine_host_probe          sets WINE_HOST_32 and WINE_HOST_64 to 1 or 0
#   wine_pe_bits FILE        prints 32, 64 or unknown (the PE machine field)
#   wine_use BITS PREFIX     exports the environment for that width; returns
#                            non-zero with WINE_WHY set when it cannot run here
#   wine_prefix_ready        creates $WINEPREFIX on first use (locked)
#
# Some hosts run no 32-bit x86 user code at all: there every i386 Linux
# program, Debian's 32-bit Wine loader included, fails with "Exec format
# error", while the 64-bit loader works. DADAVIZI_NO_WIN32=1 takes that path
# on any host, so it can be tried anywhere.

WINE_LOADER32=${WINE_LOADER32:-/usr/lib/wine/wine}
WINE_LOADER64=${WINE_LOADER64:-/usr/lib/wine/wine64}
WINE_SERVER32=${WINE_SERVER32:-/usr/lib/wine/wineserver32}
WINE_SERVER64=${WINE_SERVER64:-/usr/lib/wine/wineserver64}
# The exit code that tells CTest a test did not run (SKIP_RETURN_CODE).
WINE_SKIP_CODE=77

wine_host_probe() {
  WINE_HOST_32=0
  WINE_HOST_64=0
  # --version starts the loader itself, so it fails exactly where programs would.
  if [ "${DADAVIZI_NO_WIN32:-0}" != 1 ] &&
     "$WINE_LOADER32" --version >/dev/null 2>&1 </dev/null; then
    WINE_HOST_32=1
  fi
  if "$WINE_LOADER64" --version >/dev/null 2>&1 </dev/null; then
    WINE_HOST_64=1
  fi
}

wine_pe_bits() {
  _offset=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  _machine=
  [ -n "$_offset" ] && _machine=$(od -An -t x2 -j $((_offset + 4)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  case $_machine in
    014c) echo 32 ;;
    8664) echo 64 ;;
    *) echo unknown ;;
  esac
}

# Why a width cannot run, in one plain line.
wine_host_why() {
  if [ "$1" = 32 ]; then
    if [ "${DADAVIZI_NO_WIN32:-0}" = 1 ]; then
      echo "DADAVIZI_NO_WIN32=1: 32-bit Windows programs are not run"
    elif [ ! -x "$WINE_LOADER32" ]; then
      echo "the 32-bit Wine loader ($WINE_LOADER32) is not installed"
    else
      echo "this host runs no 32-bit x86 code"
    fi
  else
    echo "the 64-bit Wine loader ($WINE_LOADER64) does not start"
  fi
}

# A PE32 program runs under the 32-bit loader in a win32 prefix, a PE32+
# program under the 64-bit loader in a win64 prefix; each prefix is served
# by the wineserver of its own width.
wine_use() {
  [ -n "${WINE_HOST_64:-}" ] || wine_host_probe
  case $1 in
    32)
      [ "$WINE_HOST_32" = 1 ] || { WINE_WHY=$(wine_host_why 32); return 1; }
      WINELOADER=$WINE_LOADER32 WINESERVER=$WINE_SERVER32 WINEARCH=win32 ;;
    64)
      [ "$WINE_HOST_64" = 1 ] || { WINE_WHY=$(wine_host_why 64); return 1; }
      WINELOADER=$WINE_LOADER64 WINESERVER=$WINE_SERVER64 WINEARCH=win64 ;;
    *)
      WINE_WHY="not a 32-bit or 64-bit Windows program"
      return 1 ;;
  esac
  WINEPREFIX=$2
  export WINELOADER WINESERVER WINEARCH WINEPREFIX
  # Debian's wineserver keeps its socket in $TMPDIR/wine-XXXXXX and leaves
  # that folder behind: one per prefix, beside the prefix instead of in
  # /tmp. wine_prefix_ready and wine_exec make it again when a script has
  # removed the prefix's folder since.
  TMPDIR=$2.tmp
  export TMPDIR
  mkdir -p "$TMPDIR"
  export WINEDEBUG="${WINEDEBUG:--all}"
  # mshtml stays off: without Wine Gecko it only offers to install it. Wine's
  # HTML Help needs it to open a help window at all, so the HTML Help tests
  # (and the demo's Windows 10 chapter) set DADAVIZI_WINE_MSHTML=1.
  if [ "${DADAVIZI_WINE_MSHTML:-0}" = 1 ]; then
    export WINEDLLOVERRIDES="mscoree="
  else
    export WINEDLLOVERRIDES="mscoree,mshtml="
  fi
  # Wine takes its ANSI code page from the locale: pin it (1252).
  export LANG=C.UTF-8 LC_ALL=C.UTF-8
  WINE_BITS=$1
}

# wine_prefix_ready [GRAPHICS]: the prefix of the current width, created and
# waited for on first use. GRAPHICS "null" selects Wine's null graphics
# driver: windows, messages and timers work without a display. A prefix of
# the other width, or one that never finished, is made anew.
wine_prefix_ready() {
  mkdir -p "$(dirname "$WINEPREFIX")" "${TMPDIR:-/tmp}" || return 1
  (
    flock 9
    _want="$WINEARCH ${1:-x11}"
    if [ "$(cat "$WINEPREFIX/.ready" 2>/dev/null)" != "$_want" ]; then
      [ -d "$WINEPREFIX" ] && timeout 30 "$WINESERVER" -k >/dev/null 2>&1 </dev/null
      rm -rf "$WINEPREFIX"
      timeout 300 "$WINELOADER" wineboot -i >/dev/null 2>&1 </dev/null
      if [ "${1:-}" = null ]; then
        timeout 60 "$WINELOADER" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
          >/dev/null 2>&1 </dev/null
      fi
      timeout 120 "$WINESERVER" -w
      [ -f "$WINEPREFIX/system.reg" ] || exit 1
      echo "$_want" >"$WINEPREFIX/.ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}

# wine_exec ARGS...: runs the loader of the current width (under `timeout`
# when WINE_TIMEOUT is set). Now and then Wine cannot start at all, because
# the fixed address of its shared user data is taken ("failed to map the
# shared user data"); the program never ran then, so it is started again,
# three tries at most. Standard output passes straight through; standard
# error comes out when the program has ended.
wine_exec() {
  mkdir -p "${TMPDIR:-/tmp}"
  _errors=$(mktemp)
  for _try in 1 2 3; do
    if [ -n "${WINE_TIMEOUT:-}" ]; then
      timeout "$WINE_TIMEOUT" "$WINELOADER" "$@" 2>"$_errors"
    else
      "$WINELOADER" "$@" 2>"$_errors"
    fi
    _status=$?
    grep -q 'failed to map the shared user data' "$_errors" || break
  done
  cat "$_errors" >&2
  rm -f "$_errors"
  return $_status
}

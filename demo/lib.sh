# Shell functions shared by scripts/demo and the real-click test: a private X
# server, a private Wine prefix with the demo installation, Wine's virtual
# desktop with its taskbar, the demo help engine, the monitor, screenshots
# and real mouse clicks. Source it from bash; nothing runs on load.
#
# Every Wine program writes to a log file in $DEMO_LOGS, never to a pipe:
# programs Wine starts in the background inherit the descriptors and would
# hold a pipe open. Every wait is bounded.

DEMO_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../cmake/wine-host.sh
. "$DEMO_DIR/../cmake/wine-host.sh"
DEMO_DESKTOP=DadaVizi
DEMO_SIZE=1024x768
DEMO_MONITOR_KEY='SOFTWARE\Halvik\Demo Status Source'
DEMO_PIDS=()
DEMO_XVFB_PID=
DEMO_MONITOR_PID=
DEMO_XWINDOW=
DEMO_SERVER_STARTED=0

demo_say() { echo "demo: $*"; }
demo_fail() { echo "demo: FAILED: $*" >&2; return 1; }

# demo_init WORKDIR BINDIR: a fresh work folder (prefix, logs, shots) and the
# Wine environment for everything after: the Wine of DadaVizi.exe's own width
# (cmake/wine-host.sh). Returns 2, with DEMO_WHY set, where this host cannot
# run that width.
demo_init() {
  mkdir -p "$1" || return 1
  DEMO_WORK=$(cd "$1" && pwd)
  DEMO_BIN=$(cd "$2" 2>/dev/null && pwd) || { demo_fail "no folder $2"; return 1; }
  local exe
  for exe in DadaVizi.exe DadaViziStatus.exe DadaViziHelpStub.exe DadaViziDemoFind.exe; do
    [ -f "$DEMO_BIN/$exe" ] || { demo_fail "$DEMO_BIN/$exe is missing (build first)"; return 1; }
  done
  for exe in Xvfb xdotool import convert python3 timeout; do
    command -v "$exe" >/dev/null || { demo_fail "$exe is not installed (run scripts/setup)"; return 1; }
  done
  DEMO_BITS=$(wine_pe_bits "$DEMO_BIN/DadaVizi.exe")
  if ! wine_use "$DEMO_BITS" "$DEMO_WORK/prefix"; then
    DEMO_WHY="$WINE_WHY (DadaVizi.exe is a $DEMO_BITS-bit program)"
    return 2
  fi
  # A leftover server of an earlier run in this prefix would keep its
  # windows; end it before the prefix goes.
  if [ -d "$DEMO_WORK/prefix" ]; then
    timeout 20 "$WINESERVER" -k >/dev/null 2>&1 </dev/null
  fi
  rm -rf "$DEMO_WORK/prefix" "$DEMO_WORK/logs" "$DEMO_WORK/shots" "$DEMO_WORK/data"
  mkdir -p "$DEMO_WORK/logs" "$DEMO_WORK/shots" "$DEMO_WORK/data" || return 1
  DEMO_LOGS=$DEMO_WORK/logs
  DEMO_SHOTS=$DEMO_WORK/shots
  DEMO_HELP_LOG=$DEMO_LOGS/help-engine.log
  export WINEDEBUG=${DEMO_WINEDEBUG:--all}
}

# The Windows spelling of a Unix path (Wine maps / to drive Z:).
demo_winpath() {
  local path=$1
  echo "Z:${path//\//\\}"
}

# demo_wait SECONDS COMMAND...: polls the command every 0.2 s until it succeeds.
demo_wait() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  while ! "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}

# demo_start_x [--own]: uses $DISPLAY when set (unless --own), else starts
# Xvfb on a free display number that the server picks itself.
demo_start_x() {
  if [ "${1:-}" != --own ] && [ -n "${DISPLAY:-}" ]; then
    demo_say "using the X display $DISPLAY"
    return 0
  fi
  local numberFile=$DEMO_WORK/data/display
  : >"$numberFile"
  Xvfb -displayfd 3 -screen 0 "${DEMO_SIZE}x24" -nolisten tcp -noreset \
    3>"$numberFile" >"$DEMO_LOGS/xvfb.log" 2>&1 </dev/null &
  DEMO_XVFB_PID=$!
  if ! demo_wait 20 test -s "$numberFile"; then
    demo_fail "Xvfb did not start (see $DEMO_LOGS/xvfb.log)"
    return 1
  fi
  export DISPLAY=:$(tr -d '[:space:]' <"$numberFile")
  demo_say "started Xvfb on $DISPLAY"
}

# A new prefix, its own persistent wineserver, and Wine's virtual desktop
# "DadaVizi" with the taskbar as the desktop of every program started after.
demo_make_prefix() {
  demo_say "creating the Wine prefix $WINEPREFIX (takes a while)"
  timeout 180 "$WINELOADER" wineboot -i >"$DEMO_LOGS/wineboot.log" 2>&1 </dev/null
  timeout 60 "$WINESERVER" -w
  [ -f "$WINEPREFIX/system.reg" ] || { demo_fail "wineboot failed (see $DEMO_LOGS/wineboot.log)"; return 1; }
  # Wine draws caption buttons with the Marlett font. Debian's fonts-wine
  # ships it, but this Wine does not look in that folder, so the prefix
  # gets a copy of the symbol fonts in its own Fonts folder.
  local font
  for font in marlett.ttf symbol.ttf wingding.ttf; do
    [ -f "/usr/share/wine/fonts/$font" ] &&
      cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  # With Debian's default the server ends with its last client, and the
  # desktop's explorer does not count as one.
  "$WINESERVER" -p >/dev/null 2>&1 </dev/null
  DEMO_SERVER_STARTED=1
  # The taskbar shows only on desktops that ask for the shell.
  local settings=$DEMO_WORK/data/desktop.reg
  sed 's/$/\r/' >"$settings" <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="$DEMO_DESKTOP"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"$DEMO_DESKTOP"="$DEMO_SIZE"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops\\$DEMO_DESKTOP]
"EnableShell"=dword:00000001
EOF
  timeout 60 "$WINELOADER" regedit /S "$(demo_winpath "$settings")" >"$DEMO_LOGS/regedit-desktop.log" 2>&1 </dev/null
}

# The installation the printer's setup would leave: settings, driver data
# naming help file 49, the profile file and the stored status "ready".
demo_install() {
  # The prefix is of the monitor's own width, so its registry tools write
  # the view the monitor reads.
  demo_say "installing the demo data for a $DEMO_BITS-bit monitor"

  local data=$DEMO_WORK/data/install.reg
  sed 's/$/\r/' >"$data" <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\Halvik\Zive Dozorod]
"Monitor"="SOFTWARE\\Halvik\\Demo Status Source"
"Printer"="Demo Printer"
"Driver"="DEMO"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\Demo Printer\PrinterDriverData]
"DrvlibIntl"="01Demo"
"DrvlibIntl=Demo"="Demo,49"
EOF
  timeout 60 "$WINELOADER" regedit /S "$(demo_winpath "$data")" >"$DEMO_LOGS/regedit-install.log" 2>&1 </dev/null

  demo_write_profile 4000 || return 1

  demo_status --write-only 10001 "Text=Ready to print" || {
    demo_fail "the status source could not store the first status"
    return 1
  }

  # Read it all back through the programs' own view.
  local check=$DEMO_LOGS/registry-check.log
  : >"$check"
  timeout 60 "$WINELOADER" reg query 'HKLM\SOFTWARE\Halvik\Zive Dozorod' >>"$check" 2>&1 </dev/null
  timeout 60 "$WINELOADER" reg query "HKLM\\$DEMO_MONITOR_KEY\\BidiData" >>"$check" 2>&1 </dev/null
  timeout 60 "$WINELOADER" reg query \
    'HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers\Demo Printer\PrinterDriverData' \
    >>"$check" 2>&1 </dev/null
  local expected
  for expected in 'Printer *REG_SZ *Demo Printer' 'Driver *REG_SZ *DEMO' \
                  'Monitor *REG_SZ *SOFTWARE\\Halvik\\Demo Status Source' 'Code *REG_SZ *10001' \
                  'DrvlibIntl *REG_SZ *01Demo' 'DrvlibIntl=Demo *REG_SZ *Demo,49'; do
    grep -q "$expected" "$check" || { demo_fail "registry check: no '$expected' (see $check)"; return 1; }
  done
}

# demo_write_profile MS: the profile file with the help map (status codes to
# topics of the demo help file) and the popup time; 0 shows help in the
# secondary window instead of popups. The demo's CUPS printer is watched by
# this machine alone, so DadaViziIpp may ask it every second ([IppStatus]);
# Wine's spooler cannot tell it that a job is queued, which would otherwise
# make it ask that fast. The monitor reads it at each status.
demo_write_profile() {
  local profile=$DEMO_WORK/data/DODOZOD.INI sysdir
  sed 's/$/\r/' >"$profile" <<EOF
[HelpMap]
10000=5
40021=24
40077=25

[DEMO]
TimeCloseWindow=$1

[IppStatus]
Subscribe=1
IntervalSeconds=1
EOF
  cp "$profile" "$WINEPREFIX/drive_c/windows/system32/DODOZOD.INI"
}

# demo_status ARGS...: the status source tool; returns its exit code.
demo_status() {
  timeout 60 "$WINELOADER" "$DEMO_BIN/DadaViziStatus.exe" "$@" >>"$DEMO_LOGS/status-source.log" 2>&1 </dev/null
}

# demo_find CLASS [TITLE]: prints "x y width height visible" of the window.
demo_find() {
  local out=$DEMO_WORK/data/find.out
  timeout 30 "$WINELOADER" "$DEMO_BIN/DadaViziDemoFind.exe" "$@" >"$out" 2>"$DEMO_LOGS/find.log" </dev/null
  local status=$?
  tr -d '\r' <"$out"
  return $status
}

demo_tray_visible() {
  local rect
  rect=$(demo_find Shell_TrayWnd) || return 1
  set -- $rect
  [ "$5" = 1 ] && [ "$3" -gt 0 ] && [ "$4" -gt 0 ]
}

# Starts the desktop and waits for its taskbar; sets DEMO_TRAY_X/Y/W/H.
demo_start_desktop() {
  "$WINELOADER" explorer "/desktop=$DEMO_DESKTOP,$DEMO_SIZE" >"$DEMO_LOGS/explorer.log" 2>&1 </dev/null &
  DEMO_PIDS+=($!)
  demo_wait 60 demo_tray_visible || { demo_fail "no taskbar appeared"; return 1; }
  # Shots and clicks go to the desktop's X window: on a display with a
  # window manager it need not sit at the screen's origin.
  demo_wait 20 demo_find_xwindow || { demo_fail "no X window of the Wine desktop"; return 1; }
  set -- $(demo_find Shell_TrayWnd)
  DEMO_TRAY_X=$1 DEMO_TRAY_Y=$2 DEMO_TRAY_W=$3 DEMO_TRAY_H=$4
  demo_say "taskbar at ${DEMO_TRAY_X},${DEMO_TRAY_Y} size ${DEMO_TRAY_W}x${DEMO_TRAY_H}"
}

# Sets DEMO_XWINDOW to the X window of the virtual desktop.
demo_find_xwindow() {
  local id
  for id in $(timeout 10 xdotool search --name "^$DEMO_DESKTOP - Wine desktop\$" 2>/dev/null); do
    DEMO_XWINDOW=$id
    return 0
  done
  return 1
}

demo_log_has() { grep -q "$2" "$1" 2>/dev/null; }

demo_start_help() {
  : >"$DEMO_HELP_LOG"
  "$WINELOADER" "$DEMO_BIN/DadaViziHelpStub.exe" --log "$(demo_winpath "$DEMO_HELP_LOG")" \
    >"$DEMO_LOGS/help-engine.out" 2>&1 </dev/null &
  DEMO_PIDS+=($!)
  demo_wait 30 demo_log_has "$DEMO_HELP_LOG" ' start' ||
    { demo_fail "the demo help engine did not start"; return 1; }
}

demo_monitor_window() { demo_find DadaVizi DadaVizi >/dev/null; }

# Starts DadaVizi.exe in the background (DEMO_MONITOR_PID) and waits for its window.
demo_start_monitor() {
  "$WINELOADER" "$DEMO_BIN/DadaVizi.exe" >"$DEMO_LOGS/dadavizi.log" 2>&1 </dev/null &
  DEMO_MONITOR_PID=$!
  demo_wait 30 demo_monitor_window || { demo_fail "the monitor's window did not appear"; return 1; }
}

# demo_wait_monitor_exit SECONDS: waits for DadaVizi.exe to end; returns 0
# only when it ended with exit code 0.
demo_wait_monitor_exit() {
  local pid=$DEMO_MONITOR_PID
  [ -n "$pid" ] || return 1
  if ! demo_wait "$1" eval "! kill -0 $pid 2>/dev/null"; then
    demo_fail "DadaVizi.exe is still running after $1 s"
    return 1
  fi
  wait "$pid"
  local status=$?
  DEMO_MONITOR_PID=
  demo_say "DadaVizi.exe exited with code $status"
  [ "$status" -eq 0 ]
}

# demo_shot FILE: the whole screen as PNG.
demo_shot() {
  timeout 30 import -display "$DISPLAY" -window "${DEMO_XWINDOW:-root}" "$1" \
    2>>"$DEMO_LOGS/import.log"
}

# The tray's notification area: the right end of the taskbar, where the
# monitor's icon is the only one.
demo_tray_area() {
  local width=64
  echo "$((DEMO_TRAY_X + DEMO_TRAY_W - width)) $DEMO_TRAY_Y $width $DEMO_TRAY_H"
}

# demo_icon_point SHOT: the centre of the icon in the notification area,
# from the shot's pixels; sets DEMO_ICON_X/Y.
demo_icon_point() {
  local point
  point=$(python3 "$DEMO_DIR/shots.py" icon "$1" $(demo_tray_area)) || return 1
  set -- $point
  DEMO_ICON_X=$1 DEMO_ICON_Y=$2
}

# demo_crop_tray OUT SHOT...: the notification area of each shot, side by side.
demo_crop_tray() {
  local out=$1 shot crops=()
  shift
  set -- $(demo_tray_area) "$@"
  local geometry="$3x$4+$1+$2"
  shift 4
  for shot in "$@"; do
    crops+=("(" "$shot" -crop "$geometry" +repage ")")
  done
  timeout 30 convert "${crops[@]}" +append -strip "$out" 2>>"$DEMO_LOGS/convert.log"
}

# demo_differ A B: the number of pixels of the notification area that differ.
demo_differ() {
  python3 "$DEMO_DIR/shots.py" differ "$1" "$2" $(demo_tray_area)
}

# demo_click BUTTON X Y: a real click on the X display (1 left, 3 right), at
# desktop coordinates.
demo_click() {
  local window=()
  [ -n "${DEMO_XWINDOW:-}" ] && window=(--window "$DEMO_XWINDOW")
  timeout 10 xdotool mousemove "${window[@]}" "$2" "$3" || return 1
  sleep 0.3
  timeout 10 xdotool click "$1"
}

# Lines in the help engine's log, to look only at what comes after.
demo_help_lines() { wc -l <"$DEMO_HELP_LOG" | tr -d ' '; }

# demo_help_after LINES PATTERN: the pattern in the log after line LINES.
# The log's lines are "TICK EVENT ..." (tools/help-stub/help_stub.cpp).
demo_help_after() {
  tail -n +"$(($1 + 1))" "$DEMO_HELP_LOG" | tr -d '\r' | grep -q -E "$2"
}

# demo_popup_after LINES CONTEXT: a popup of that topic was opened after line LINES.
demo_popup_after() { demo_help_after "$1" " popup-open [^ ]+ $2\$"; }

# Ends everything started here: the monitor, the Wine session, Xvfb.
demo_cleanup() {
  if [ -n "${DEMO_MONITOR_PID:-}" ] && kill -0 "$DEMO_MONITOR_PID" 2>/dev/null; then
    kill "$DEMO_MONITOR_PID" 2>/dev/null
  fi
  if [ "$DEMO_SERVER_STARTED" = 1 ]; then
    timeout 20 "$WINESERVER" -k >/dev/null 2>&1 </dev/null
    DEMO_SERVER_STARTED=0
  fi
  local pid
  for pid in "${DEMO_PIDS[@]}"; do
    kill "$pid" 2>/dev/null
  done
  DEMO_PIDS=()
  if [ -n "$DEMO_XVFB_PID" ]; then
    kill "$DEMO_XVFB_PID" 2>/dev/null
    wait "$DEMO_XVFB_PID" 2>/dev/null
    DEMO_XVFB_PID=
  fi
  wait 2>/dev/null
}

# The demo's chapter with a real CUPS printer, sourced by scripts/demo after
# demo/lib.sh: a private scheduler (the tests' harness) whose queue jams on a
# page and clears on the next, watched by DadaViziIpp.exe in the demo prefix.
# Nothing runs on load.

DEMO_CUPS_HARNESS=$DEMO_DIR/../tests/tools/ipp-source/cups-harness
DEMO_IPP_PID=

demo_ipp_harness() { "$DEMO_CUPS_HARNESS" "$DEMO_WORK/cups" "$@" >>"$DEMO_LOGS/cups.log" 2>&1; }

# demo_ipp_reported CODE [LINES]: DadaViziIpp has reported CODE after line
# LINES of its log (0: at all).
demo_ipp_reported() {
  tail -n +"$((${2:-0} + 1))" "$DEMO_LOGS/ipp-source.log" 2>/dev/null | grep -q "status $1 "
}

# Starts the scheduler and DadaViziIpp.exe watching its queue "jam".
demo_ipp_start() {
  [ -f "$DEMO_BIN/DadaViziIpp.exe" ] || { demo_fail "$DEMO_BIN/DadaViziIpp.exe is missing"; return 1; }
  demo_ipp_harness start || { demo_fail "the CUPS scheduler did not start (see $DEMO_LOGS/cups.log)"; return 1; }
  local uri
  uri="ipp://127.0.0.1:$(cat "$DEMO_WORK/cups/port")/printers/jam"
  demo_say "a CUPS printer at $uri, watched by DadaViziIpp.exe"
  "$WINELOADER" "$DEMO_BIN/DadaViziIpp.exe" "$uri" >"$DEMO_LOGS/ipp-source.log" 2>&1 </dev/null &
  DEMO_IPP_PID=$!
  demo_wait 30 demo_ipp_reported 10001 ||
    { demo_fail "DadaViziIpp reported no ready printer (see $DEMO_LOGS/ipp-source.log)"; return 1; }
  demo_ipp_no_console "ipp://localhost:$(cat "$DEMO_WORK/cups/port")/printers/jam"
}

demo_ipp_sources() { [ "$(demo_find --count DadaViziIpp)" = "$1" ]; }

# demo_ipp_no_console URI: a second source, for URI, started the way Windows
# starts the Run value at logon (through the shell, with no console), opens
# no window: not a console window, which would end it when closed, nor any
# other. It is ended again at once, before it reports to the monitor twice.
demo_ipp_no_console() {
  local before after
  before=$(demo_find --count) || { demo_fail "cannot count the desktop's windows"; return 1; }
  "$WINELOADER" start /unix "$DEMO_BIN/DadaViziIpp.exe" "$1" >>"$DEMO_LOGS/ipp-logon.log" 2>&1 </dev/null
  demo_wait 20 demo_ipp_sources 2 ||
    { demo_fail "the source started as at logon made no window DadaViziIpp"; return 1; }
  sleep 2
  after=$(demo_find --count)
  pkill -f "DadaViziIpp.exe $1" 2>/dev/null
  demo_wait 20 demo_ipp_sources 1
  [ "$after" = "$before" ] ||
    { demo_fail "the source started as at logon opened a window ($before visible windows, then $after)"; return 1; }
  demo_say "DadaViziIpp started as at logon: no console window ($after visible windows before and after)"
}

# demo_ipp_print CODE: prints a page and waits until DadaViziIpp reports CODE.
demo_ipp_print() {
  # Only a report after the page counts: a ready printer was reported before.
  local lines
  lines=$(wc -l <"$DEMO_LOGS/ipp-source.log")
  demo_ipp_harness print || { demo_fail "printing a page failed (see $DEMO_LOGS/cups.log)"; return 1; }
  demo_wait 30 demo_ipp_reported "$1" "$lines" ||
    { demo_fail "DadaViziIpp did not report $1 (see $DEMO_LOGS/ipp-source.log)"; return 1; }
}

demo_ipp_stop() {
  if [ -n "$DEMO_IPP_PID" ]; then
    kill "$DEMO_IPP_PID" 2>/dev/null
    wait "$DEMO_IPP_PID" 2>/dev/null
    DEMO_IPP_PID=
  fi
  [ -d "$DEMO_WORK/cups" ] && demo_ipp_harness clean
  return 0
}

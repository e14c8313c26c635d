# The demo's chapter "A status source in the spooler", sourced by scripts/demo
# after demo/lib.sh. From Windows Vista on, a part of the print spooler or a
# service runs in session 0: it writes the status data key but finds no
# window of the user's desktop to send to. DadaViziStatus --write-only
# stands in for such a source, and the session relay tells the monitor.
# Nothing runs on load.

DEMO_RELAY_PID=

demo_relay_window() { demo_find DadaViziRelay DadaViziRelay >/dev/null; }

# Starts DadaViziRelay.exe in the background and waits for its window,
# which it makes once its watch on the status data key is armed.
demo_relay_start() {
  [ -f "$DEMO_BIN/DadaViziRelay.exe" ] ||
    { demo_fail "$DEMO_BIN/DadaViziRelay.exe is missing (build first)"; return 1; }
  "$WINELOADER" "$DEMO_BIN/DadaViziRelay.exe" >"$DEMO_LOGS/relay.log" 2>&1 </dev/null &
  DEMO_RELAY_PID=$!
  DEMO_PIDS+=("$DEMO_RELAY_PID")
  demo_wait 30 demo_relay_window || { demo_fail "the relay's window did not appear"; return 1; }
}

demo_relay_stop() {
  [ -n "$DEMO_RELAY_PID" ] || return 0
  kill "$DEMO_RELAY_PID" 2>/dev/null
  wait "$DEMO_RELAY_PID" 2>/dev/null
  DEMO_RELAY_PID=
}

# demo_relay_play CODE TOPIC TEXT: the source writes the status only; the
# relay must bring its help within a few seconds.
demo_relay_play() {
  local lines
  lines=$(demo_help_lines)
  demo_say "the spooler's part writes $1 ($3) and sends nothing"
  demo_status --write-only "$1" "Text=$3" || { demo_fail "the status source failed for $1"; return 1; }
  demo_wait 20 demo_popup_after "$lines" "$2" ||
    { demo_fail "the relay brought no help popup for topic $2 (see $DEMO_HELP_LOG)"; return 1; }
}

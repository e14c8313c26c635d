#!/bin/bash
# The monitor in Wine's own taskbar, end to end, with real clicks:
#   real_click_test.sh BINDIR WORKDIR
# BINDIR holds DadaVizi.exe, DadaViziStatus.exe and the demo programs;
# WORKDIR gets a private Wine prefix, logs and screenshots (kept for a look
# after a failure). It runs on a private Xvfb, so it needs no lock.
#
# The statuses come from the status source tool; the icon is judged by the
# pixels of the notification area in screenshots, the help by the demo help
# engine's log and its popup window, the end by DadaVizi.exe's exit code.
set -uo pipefail
if [ $# -ne 2 ]; then
  echo "usage: real_click_test.sh BINDIR WORKDIR" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
work=$2
# shellcheck source=../../demo/lib.sh
. "$here/../../demo/lib.sh"

trap demo_cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*"
  echo "--- help engine log"
  tr -d '\r' 2>/dev/null <"${DEMO_HELP_LOG:-/dev/null}" | tail -n 20
  echo "--- status source log"
  tail -n 10 "${DEMO_LOGS:-/nonexistent}/status-source.log" 2>/dev/null
  echo "--- screenshots and logs in ${DEMO_WORK:-$work}"
  exit 1
}
pass() { echo "ok: $*"; }

# tray_shot NAME REFERENCE differs|same: takes screenshots until the
# notification area differs from (or equals) the reference, for up to 15 s;
# the last one is $DEMO_SHOTS/NAME.png.
tray_shot() {
  local file=$DEMO_SHOTS/$1.png end=$((SECONDS + 15)) count
  while :; do
    demo_shot "$file" || return 1
    count=$(demo_differ "$2" "$file") || return 1
    if { [ "$3" = differs ] && [ "$count" -gt 0 ]; } || { [ "$3" = same ] && [ "$count" -eq 0 ]; }; then
      # Once more, after the taskbar has surely finished painting.
      sleep 0.5
      demo_shot "$file" || return 1
      count=$(demo_differ "$2" "$file") || return 1
      if { [ "$3" = differs ] && [ "$count" -gt 0 ]; } || { [ "$3" = same ] && [ "$count" -eq 0 ]; }; then
        return 0
      fi
    fi
    [ $SECONDS -lt $end ] || return 1
    sleep 0.3
  done
}

differ_count() { demo_differ "$DEMO_SHOTS/$1.png" "$DEMO_SHOTS/$2.png"; }

popup_after() {
  demo_wait 20 demo_popup_after "$1" "$2"
}

demo_init "$2" "$1"
case $? in
  0) ;;
  2) echo "skipped: $DEMO_WHY"; exit 77 ;;
  *) fail "set-up" ;;
esac
demo_start_x --own || fail "no X server"
demo_make_prefix || fail "no Wine prefix"
demo_install || fail "the demo installation"
demo_start_desktop || fail "no virtual desktop with a taskbar"
pass "taskbar at ${DEMO_TRAY_X},${DEMO_TRAY_Y} ${DEMO_TRAY_W}x${DEMO_TRAY_H}"
demo_shot "$DEMO_SHOTS/empty.png" || fail "no screenshot"

demo_start_help || fail "the demo help engine"
lines=$(demo_help_lines)
# The monitor's messages are traced, to see what Wine's shell sends it.
WINEDEBUG=+msg demo_start_monitor || fail "the monitor"

# Start-up: the icon appears, and the stored ready status shows its help.
tray_shot ready "$DEMO_SHOTS/empty.png" differs || fail "no tray icon appeared"
demo_icon_point "$DEMO_SHOTS/ready.png" || fail "no icon in the notification area"
pass "tray icon at $DEMO_ICON_X,$DEMO_ICON_Y"
popup_after "$lines" 5 || fail "no help popup for the stored status at start-up"
pass "start-up shows the stored status's help (topic 5)"

# 40021: the printer with the stroke, and the warning's help.
lines=$(demo_help_lines)
demo_status 40021 "Text=Toner low" || fail "status source exit code $? for 40021"
popup_after "$lines" 24 || fail "no help popup (topic 24) for 40021"
tray_shot warning "$DEMO_SHOTS/ready.png" differs || fail "the icon did not change for 40021"
pass "40021 changed the icon ($(differ_count ready warning) pixels) and showed topic 24"

# 40077: crossed out, differing from both earlier icons.
lines=$(demo_help_lines)
demo_status 40077 "Text=Paper jam in tray 2" || fail "status source exit code $? for 40077"
popup_after "$lines" 25 || fail "no help popup (topic 25) for 40077"
tray_shot error "$DEMO_SHOTS/warning.png" differs || fail "the icon did not change for 40077"
[ "$(differ_count ready error)" -gt 0 ] || fail "the icon for 40077 looks like the ready one"
pass "40077 changed the icon ($(differ_count warning error) pixels) and showed topic 25"

# 10001 without help: back to the very first icon, and no help request.
lines=$(demo_help_lines)
demo_status --no-help 10001 "Text=Ready to print" || fail "status source exit code $? for 10001"
tray_shot ready-again "$DEMO_SHOTS/ready.png" same ||
  fail "the icon did not return to the ready one for 10001 ($(differ_count ready ready-again) pixels differ)"
if demo_help_after "$lines" ' help '; then
  fail "10001 without the help flag still asked the help engine"
fi
pass "10001 restored the ready icon and asked for no help"

# A real left click on the icon shows the stored status's help again.
lines=$(demo_help_lines)
demo_click 1 "$DEMO_ICON_X" "$DEMO_ICON_Y" || fail "xdotool left click"
popup_after "$lines" 5 || fail "the left click showed no help popup for the stored status"
popup=$(demo_find MS_WINNOTE -) || fail "no MS_WINNOTE popup window after the left click"
set -- $popup
[ "$5" = 1 ] || fail "the help popup is not visible ($popup)"
[ "$(($2 + $4))" -le "$DEMO_TRAY_Y" ] || fail "the help popup ($popup) covers the taskbar"
demo_shot "$DEMO_SHOTS/left-click.png"
pass "the left click showed topic 5 in a popup at $1,$2 (${3}x${4})"
# A shell that took the icon's NOTIFYICON_VERSION ends a left click with
# NIN_SELECT (WM_USER, 0x400) in the callback message WM_TRAYNOTIFY (0x40a).
nin_select() { grep -Eq 'msg 40a .* lp 400$' "$DEMO_LOGS/dadavizi.log"; }
demo_wait 10 nin_select || fail "no NIN_SELECT after the left click: the version did not reach the shell"
pass "the left click ended with NIN_SELECT: Wine's shell took the icon's version 3"

# A real right click ends the monitor with exit code 0 and takes the icon away.
demo_click 3 "$DEMO_ICON_X" "$DEMO_ICON_Y" || fail "xdotool right click"
demo_wait_monitor_exit 20 || fail "the right click did not end DadaVizi.exe with exit code 0"
if demo_monitor_window; then
  fail "the monitor's window is still there"
fi
tray_shot ended "$DEMO_SHOTS/empty.png" same || fail "the tray icon is still shown after the end"
pass "the right click ended DadaVizi.exe with exit code 0 and removed its icon"

echo "PASSED: tray real-click test (screenshots in $DEMO_SHOTS)"

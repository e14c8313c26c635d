# The demo's Windows 10 chapter, sourced by scripts/demo after demo/lib.sh:
# Wine tells DadaVizi.exe alone that it runs on Windows 10, where there is
# no WinHelp, and the sample CHM with its short texts lies beside the help
# file. Statuses then show the program's own popup, and the secondary
# window is the CHM's. Nothing runs on load.

DEMO_SAMPLE_HELP=$DEMO_DIR/../build/$preset/help-sample

demo_win10_sysdir() { echo "$WINEPREFIX/drive_c/windows/system32"; }

# Restarts the monitor as Windows 10 would run it.
demo_win10_start() {
  local file
  for file in DOZID049.CHM DOZID049.INI; do
    [ -f "$DEMO_SAMPLE_HELP/$file" ] ||
      { demo_fail "no sample help file $DEMO_SAMPLE_HELP/$file (chmcmd from fp-utils builds it)"; return 1; }
    cp "$DEMO_SAMPLE_HELP/$file" "$(demo_win10_sysdir)/" || return 1
  done
  timeout 60 "$WINELOADER" reg add 'HKCU\Software\Wine\AppDefaults\DadaVizi.exe' \
    /v Version /d win10 /f >"$DEMO_LOGS/reg-win10.log" 2>&1 </dev/null
  # Wine's HTML Help opens its window only with mshtml, which the demo
  # otherwise keeps off; Debian has no Wine Gecko, so pages stay blank.
  WINEDLLOVERRIDES="mscoree=" "$WINELOADER" "$DEMO_BIN/DadaVizi.exe" \
    >"$DEMO_LOGS/dadavizi-win10.log" 2>&1 </dev/null &
  DEMO_MONITOR_PID=$!
  demo_wait 30 demo_monitor_window || { demo_fail "the monitor's window did not appear"; return 1; }
}

# demo_crop_popup OUT: the program's own popup, as the chapter's screenshot
# shows it, down to the taskbar's notification area below it.
demo_crop_popup() {
  [ -n "${DEMO_POPUP_SHOT:-}" ] || return 1
  set -- "$1" $DEMO_POPUP_RECT
  [ $# -ge 5 ] || return 1
  local margin=8
  local left=$(($2 - margin)) top=$(($3 - margin))
  local right=$((DEMO_TRAY_X + DEMO_TRAY_W)) bottom=$((DEMO_TRAY_Y + DEMO_TRAY_H))
  [ "$right" -gt "$left" ] && [ "$bottom" -gt "$top" ] || return 1
  timeout 30 convert "$DEMO_POPUP_SHOT" -crop "$((right - left))x$((bottom - top))+$left+$top" \
    +repage -strip "$1" 2>>"$DEMO_LOGS/convert.log"
}

demo_own_popup() { demo_find DadaViziHelpPopup >/dev/null; }
demo_chm_window() { demo_find "HH Parent" "DadaVizi sample help" >/dev/null; }
demo_no_own_popup() { ! demo_own_popup; }

# The chapter: a status with help as the program's own popup, closed on
# time; then window mode, with the topic in the CHM's own window.
demo_win10_chapter() {
  echo "demo: Windows 10: no WinHelp; the program's own popup and the CHM's window"
  demo_write_profile 4000 || return 1
  demo_win10_start || return 1
  local lines
  lines=$(demo_help_lines)
  demo_status 40021 "Text=Toner low" || { demo_fail "the status source failed for 40021"; return 1; }
  demo_wait 20 demo_own_popup || { demo_fail "no popup of the program's own for 40021"; return 1; }
  DEMO_POPUP_RECT=$(demo_find DadaViziHelpPopup)
  shot win10-own-popup
  DEMO_POPUP_SHOT=$last_shot
  demo_wait 20 demo_no_own_popup || { demo_fail "the popup was not closed after 4000 ms"; return 1; }
  echo "demo: the popup closed after TimeCloseWindow"

  demo_write_profile 0 || return 1
  demo_status 40077 "Text=Paper jam in tray 2" ||
    { demo_fail "the status source failed for 40077"; return 1; }
  demo_wait 30 demo_chm_window || { demo_fail "no window of the sample CHM for 40077"; return 1; }
  # Only the frame: Wine draws no HTML pages without Gecko.
  shot win10-chm-window-frame-only
  if demo_help_after "$lines" " help "; then
    demo_fail "WinHelp was called on Windows 10 (see $DEMO_HELP_LOG)"
    return 1
  fi
  echo "demo: no WinHelp call on Windows 10"

  demo_status --close >/dev/null 2>&1
  demo_wait_monitor_exit 20 || return 1
  demo_wait 20 eval '! demo_chm_window' || { demo_fail "the CHM's window outlived the monitor"; return 1; }
  echo "demo: the CHM's window went with the monitor"
}

# shellcheck shell=bash
# The monitor mode of msi_test.sh, sourced by it once the prefix, the
# packages and msi_support.sh are ready: the monitor and a resident
# DadaViziIpp, started by the package itself, through a silent upgrade, a silent repair and an
# uninstall, then an install with a UI and one without Run values. Wine, as
# Windows, refuses to replace or delete a program file while it runs, so the
# files replaced and removed show that the close step ended them first; new
# process ids show that the restart steps started them again.

# What runs of each resident program: "DadaVizi=PID DadaViziIpp=PID ...".
running() {
  local program
  for program in "${residents[@]}"; do
    printf '%s=%s' "$program" "$(resident_pids "$program")"
  done
}
# Waits up to 30 s until exactly one of each resident program runs, none of
# them one of OLD (pids), and checks after 3 s more that no second one came:
# sets $pids to the new ones.
expect_restarted() { # WHAT [OLD...]
  local what=$1 _ pid
  shift
  one_each() {
    local program
    pids=
    for program in "${residents[@]}"; do
      set -- $(resident_pids "$program")
      [ $# = 1 ] || return 1
      pids+="$1 "
    done
  }
  for _ in $(seq 1 150); do
    one_each && break
    sleep 0.2
  done
  sleep 3
  one_each || fail "$what: running $(running), not one of each"
  for pid in "$@"; do
    [[ " $pids" != *" $pid "* ]] || fail "$what: process $pid was not started anew"
    ! kill -0 "$pid" 2>/dev/null || fail "$what: process $pid still runs"
  done
}
expect_none_running() { # WHAT
  local _ program all
  for _ in $(seq 1 75); do
    all=
    for program in "${residents[@]}"; do
      all+=$(resident_pids "$program")
    done
    [ -z "$all" ] && return
    sleep 0.2
  done
  fail "$1: still running: $(running)"
}
# The resident programs' files' change times (nanoseconds): written anew, in
# place or as new files, they change.
changed() {
  local program
  for program in "${residents[@]}"; do
    stat -c %z "$installdir/$program.exe" 2>/dev/null
  done
}

# --- A silent install starts the monitor and, with IPPSOURCE, DadaViziIpp
# in the installing user's session, once each.
install_with_properties
check_installed "$version" "install"
grep -q 'Action start [0-9:]*: RestartMonitor' "$log" && grep -q 'Action start [0-9:]*: RestartIppSource' "$log" ||
  fail "the install did not run its restart steps ($log)"
expect_restarted "a silent install"
# DadaViziStart gives each its own folder as working directory, not the
# installer's (Wine keeps a process's host directory at its Windows one).
for pid in $pids; do
  [ "$(readlink "/proc/$pid/cwd")" = "$installdir" ] ||
    fail "process $pid works in $(readlink "/proc/$pid/cwd"), not in the installation folder"
done
status=
for _ in $(seq 1 100); do
  WAIT=30 wine "$windir_installdir\\DadaViziStatus.exe" --no-help 40021 "Text=Paper jam" >"$work/status.log" 2>&1
  status=$?
  [ $status = 3 ] || break # 3: no monitor window yet
  sleep 0.2
done
[ "$status" = 0 ] || fail "the installed DadaViziStatus could not report to the monitor the install started (exit code $status): $(cat "$work/status.log")"
check_status_kept "status sent"
pass "a silent install started one monitor and one DadaViziIpp; the monitor took a status from the installed DadaViziStatus"

# --- Upgrade, silent, with the monitor and DadaViziIpp running: both end,
# their files are written anew, and both run again as new processes.
before=$(changed)
old=$pids
# Both versions hold the same file versions, which Windows Installer keeps
# in place; REINSTALLMODE=amus has every file written anew, as a new build's
# would be, so a program still running would stand in the way.
msiexec /i "$msi_next" REINSTALLMODE=amus ||
  fail "upgrade with the monitor and DadaViziIpp running (exit code $?, log $log)"
grep -q 'Action start [0-9:]*: CloseResident' "$log" || fail "the upgrade did not run its close step ($log)"
expect_restarted "a silent upgrade" $old
check_installed "$next" "upgrade with both running"
[ -z "$(comm -12 <(sort <<<"$before") <(changed | sort))" ] ||
  fail "the upgrade did not write the running programs' files anew"
[ "$(dadavizi_entries)" = "$(product_code "$msi_next") " ] || fail "more than one DadaVizi after the upgrade: $(dadavizi_entries)"
# The status data stays. DadaViziIpp, facing a printer that does not
# answer, reports it unreachable only after a minute, so nothing of its own
# is in it yet.
check_status_kept "upgrade with both running"
pass "a silent upgrade ends the monitor and DadaViziIpp, replaces their files, keeps settings and IPPSOURCE, and starts both anew"

# --- Repair, silent, with both running: the same.
old=$pids
msiexec /i "$msi_next" REINSTALL=ALL REINSTALLMODE=amus || fail "silent repair (exit code $?, log $log)"
grep -q 'Action start [0-9:]*: CloseResident' "$log" || fail "the repair did not run its close step ($log)"
expect_restarted "a silent repair" $old
check_installed "$next" "silent repair"
pass "a silent repair ends the monitor and DadaViziIpp and starts both anew"

# --- Uninstall with both running: both end, nothing starts again.
wine reg add "HKLM\\$helpkey" /v Text /d "Paper jam" /f /reg:$bits >/dev/null
msiexec /x "$msi_next" || fail "uninstall with the monitor and DadaViziIpp running (exit code $?, log $log)"
grep -q 'Action start [0-9:]*: CloseResident' "$log" || fail "the uninstall did not run its close step ($log)"
grep -q 'Action start [0-9:]*: Restart' "$log" && fail "the uninstall started a program"
expect_none_running "after the uninstall"
check_removed "uninstall with both running" "$msi_next"
expect_value "$statuskey\\BidiData" Code 40021 "uninstall with both running: the status data"
pass "uninstall ended the running monitor and DadaViziIpp and removed every file and both Run values"

# --- An install with a user interface runs the InstallUISequence as well
# (a reduced one, /qr: Wine's full UI would wait for a click), and still
# starts each program once.
UI=/qr install_with_properties
expect_restarted "an install with a UI"
pass "an install with a UI started one monitor and one DadaViziIpp"
msiexec /x "$msi" || fail "uninstall after the install with a UI (exit code $?, log $log)"
expect_none_running "after the second uninstall"

# --- Without the Run values (AUTOSTART=0, no IPPSOURCE) nothing starts.
msiexec /i "$msi" PRINTER=P AUTOSTART=0 || fail "install with AUTOSTART=0 (exit code $?, log $log)"
sleep 3
expect_none_running "an install without Run values"
# The starter on its own: no command line is a usage error, a program that
# is not there is not started.
WAIT=30 wine "$windir_installdir\\DadaViziStart.exe" >"$work/starter.log" 2>&1
status=$?
[ $status = 1 ] || fail "DadaViziStart without a command line exited with $status, not 1: $(cat "$work/starter.log")"
WAIT=30 wine "$windir_installdir\\DadaViziStart.exe" 'C:\nothing-here.exe' >"$work/starter.log" 2>&1
status=$?
[ $status = 2 ] && grep -q 'cannot start' "$work/starter.log" ||
  fail "DadaViziStart with a missing program exited with $status, not 2, or said nothing: $(cat "$work/starter.log")"
msiexec /x "$msi" || fail "uninstall after AUTOSTART=0 (exit code $?, log $log)"
pass "an install without Run values starts nothing; the starter refuses no command line and says when a program does not start"

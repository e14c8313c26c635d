# shellcheck shell=bash
# What the package tests share, sourced by msi_test.sh once the Wine prefix
# is ready ($WINEPREFIX, $work, $build, $msi, $installdir, $system, $bits):
# msiexec with a log per run, registry reads in the package's view, the
# uninstall entries, the resident programs' processes, the Start-menu
# shortcut, and the installed and removed states.

# msiexec with a log of its own; Z: is the host's root. Its exit code
# reaches us modulo 256 (1603 as 67). Silent, unless UI gives the level
# (/qr: reduced, UILevel 4).
log_number=0
msiexec() { # ARGS...: sets $log
  log_number=$((log_number + 1))
  log=$work/msiexec-$log_number.log
  WAIT=120 wine msiexec "$@" "${UI:-/qn}" /l*v "Z:${log//\//\\}" >/dev/null 2>&1
}
reg_value() { # KEY NAME: the data of a string value in the package's view, or nothing
  wine reg query "HKLM\\$1" /v "$2" /reg:$bits 2>/dev/null | tr -d '\r' |
    sed -n "s/^    $2    REG_[A-Z_]*    //p"
}
reg_key_exists() { wine reg query "HKLM\\$1" /reg:$bits >/dev/null 2>&1; }
expect_value() { # KEY NAME EXPECTED WHAT
  local got
  got=$(reg_value "$1" "$2")
  [ "$got" = "$3" ] || fail "$4: HKLM\\$1 \"$2\" is '$got', not '$3'"
}

settings='SOFTWARE\Halvik\Zive Dozorod'
helpkey='SOFTWARE\Halvik\Help Embedded Window'
eventkey='SYSTEM\CurrentControlSet\Services\EventLog\Application\DadaViziIpp'
runkey='SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
statuskey='SOFTWARE\Halvik\Test Status'
packagekey='SOFTWARE\Halvik\DadaVizi'
# A printer URI where nothing answers: DadaViziIpp stays resident, retrying.
ippsource='ipp://127.0.0.1:9/ipp/print'
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
uninstall_entry() { # PRODUCTCODE NAME: a value of its uninstall entry, in either view
  local value
  for view in 64 32; do
    value=$(wine reg query "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" \
      /v "$2" /reg:$view 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p")
    [ -n "$value" ] && { echo "$value"; return; }
  done
}
dadavizi_entries() { # the product codes of every uninstall entry named DadaVizi
  for view in 64 32; do
    wine reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:$view 2>/dev/null |
      tr -d '\r' | awk '/^HKEY_/ { key = $0 } /^    DisplayName    REG_SZ    DadaVizi$/ { n = split(key, part, "\\"); print part[n] }'
  done | sort -u | tr '\n' ' '
}
installed_files=(DadaVizi.exe DadaViziStart.exe DadaViziStatus.exe DadaViziCheck.exe DadaViziIpp.exe DadaViziRelay.exe DadaVizi.txt INSTALL.txt
  samples/DadaVizi.reg samples/DODOZOD.INI samples/autostart.reg samples/uninstall.reg)

# The installed PROGRAM.exe's processes in this prefix (Wine shows each
# Windows process on the host under its Windows command line, with the
# prefix in its environment); DadaViziStart's own command line, which names
# the program in quotes, does not count.
resident_pids() { # PROGRAM
  local pid
  for pid in $(pgrep -f "^[^\"]*\\\\$1\\.exe"); do
    grep -qzxF "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && echo "$pid"
  done | sort | tr '\n' ' '
}
# The programs the package closes and starts again: one row each.
residents=(DadaVizi DadaViziIpp DadaViziRelay)
stop_residents() { # ends them, where a test must not leave them to the package
  local program pid
  for program in "${residents[@]}"; do
    for pid in $(resident_pids "$program"); do
      kill "$pid" 2>/dev/null
    done
  done
  sleep 1
}

# The Start-menu shortcut, in the all-users Start menu where Windows puts it
# for a per-machine installation (Wine's msi puts it in the installing
# user's: either will do here).
shortcut() {
  find "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs" "$drive_c/users" \
    -ipath '*/Start Menu/Programs/DadaVizi.lnk' 2>/dev/null | head -n 1
}

install_with_properties() {
  msiexec /i "$msi" PRINTER="Test Printer" DRIVER=LASER "MONITOR=$statuskey" "IPPSOURCE=$ippsource" RELAY=1 ||
    fail "install with properties (exit code $?, log $log)"
}

check_installed() { # VERSION WHAT
  local file
  for file in "${installed_files[@]}"; do
    [ -f "$installdir/$file" ] || fail "$2: $progdir\\DadaVizi\\$file is missing"
  done
  cmp -s "$installdir/DadaVizi.exe" "$build/bin/DadaVizi.exe" || fail "$2: DadaVizi.exe differs from the build's"
  cmp -s "$system/DODOZOD.INI" "$work/DODOZOD.INI" || fail "$2: no integrator DODOZOD.INI in $sysdir"
  local help
  for help in hlp chm ini; do
    cmp -s "$system/DOZID049.${help^^}" "$work/dozid049.$help" || fail "$2: no DOZID049.${help^^} in $sysdir"
  done
  expect_value "$settings" Printer "Test Printer" "$2"
  expect_value "$settings" Driver LASER "$2"
  expect_value "$settings" Monitor "$statuskey" "$2"
  expect_value "$runkey" DadaViziIpp "\"$windir_installdir\\DadaViziIpp.exe\" \"$ippsource\"" "$2"
  expect_value "$packagekey" IppSource "$ippsource" "$2"
  reg_key_exists "$helpkey" || fail "$2: no help window key"
  reg_key_exists "$statuskey\\BidiData" || fail "$2: no status data key"
  [ -n "$(shortcut)" ] || fail "$2: no Start-menu shortcut DadaVizi"
}

check_removed() { # WHAT PACKAGE
  [ ! -e "$installdir" ] || fail "$1: $progdir\\DadaVizi is still there: $(cd "$installdir" && find . | tr '\n' ' ')"
  # The integrator's files belong to the printer's installation: they stay.
  cmp -s "$system/DODOZOD.INI" "$work/DODOZOD.INI" && cmp -s "$system/DOZID049.HLP" "$work/dozid049.hlp" ||
    fail "$1: the integrator's DODOZOD.INI or DOZID049.HLP is gone from $sysdir"
  ! reg_key_exists "$settings" || fail "$1: the settings key is still there"
  ! reg_key_exists "$packagekey" || fail "$1: the package's own key is still there"
  ! reg_key_exists "$helpkey" || fail "$1: the help window key is still there"
  [ -z "$(reg_value "$runkey" DadaVizi)" ] || fail "$1: the Run value is still there"
  [ -z "$(reg_value "$runkey" DadaViziIpp)" ] || fail "$1: DadaViziIpp's Run value is still there"
  [ -z "$(uninstall_entry "$(product_code "$2")" DisplayName)" ] || fail "$1: the uninstall entry is still there"
  [ -z "$(shortcut)" ] || fail "$1: the Start-menu shortcut is still there"
}

# The status source's values and one the monitor copied for the help file.
write_status() {
  wine reg add "HKLM\\$statuskey\\BidiData" /v Code /d 40021 /f /reg:$bits >/dev/null &&
    wine reg add "HKLM\\$statuskey\\BidiData" /v Text /d "Paper jam" /f /reg:$bits >/dev/null &&
    wine reg add "HKLM\\$helpkey" /v Text /d "Paper jam" /f /reg:$bits >/dev/null ||
    fail "writing status values"
}
check_status_kept() {
  expect_value "$statuskey\\BidiData" Code 40021 "$1: the status source's values"
  expect_value "$statuskey\\BidiData" Text "Paper jam" "$1: the status source's values"
}

refused_by_launch_condition() {
  grep -q 'Action ended [0-9:]*: LaunchConditions. Return value [^1]' "$log" &&
    ! grep -q 'Action start [0-9:]*: InstallFiles' "$log"
}
# An install that a launch condition must stop: the package's
# LaunchCondition table holds ROW (Wine's msiexec does not log the
# condition's message under /qn, so the table is where it shows), msiexec
# fails, and the log shows where the install stopped.
refused_at_launch() { # PACKAGE ROW WHAT
  msiinfo export "$1" LaunchCondition | tr -d '\r' | grep -q "^$2" ||
    fail "no launch condition for $3: $2"
  msiexec /i "$1" && fail "$3 succeeded"
  refused_by_launch_condition || fail "$3 did not stop at the launch conditions ($log)"
}

#!/bin/bash
# The Windows Installer package of one build tree, under Wine's 64-bit
# msiexec in a private win64 prefix:
#   msi_test.sh package|monitor ARCH BUILDDIR WORKDIR VERSION
# ARCH is x86 (a mingw32 tree) or x64 (a mingw64 tree). The packages are
# built here with packaging/build-msi from BUILDDIR, at VERSION and at the
# next patch version (for the upgrade).
#   package  the tables added after wixl; an install refused without
#            PRINTER; an install with properties and integrator files; a
#            repair, an upgrade and a refused downgrade keeping the
#            settings; an uninstall whose --close step cannot run; an
#            install with AUTOSTART=0.
#   monitor  the installed monitor running, a status sent to it with the
#            installed DadaViziStatus, and an uninstall while it runs. It
#            runs the package's programs, so it is skipped (exit 77) where
#            this host cannot run their width.
# msiexec runs no 32-bit code for either package, except the --close step
# of the x86 one. Every step is bounded with timeout.
set -uo pipefail
if [ $# -ne 5 ]; then
  echo "usage: msi_test.sh package|monitor ARCH BUILDDIR WORKDIR VERSION" >&2
  exit 2
fi
mode=$1 arch=$2 build=$3 work=$4 version=$5
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/cmake/wine-host.sh"

fail() { echo "FAIL: $*"; echo "--- logs in $work"; exit 1; }
pass() { echo "ok: $*"; }

case $arch in
  x86) bits=32 progdir='Program Files (x86)' sysdir=syswow64 ;;
  x64) bits=64 progdir='Program Files' sysdir=system32 ;;
  *) fail "ARCH must be x86 or x64" ;;
esac

wine_host_probe
if [ "$mode" = monitor ] && [ "$(eval echo \$WINE_HOST_$bits)" != 1 ]; then
  echo "skipped: $(wine_host_why $bits) (the $arch package's programs are $bits-bit)"
  exit $WINE_SKIP_CODE
fi
if ! wine_use 64 "$work/prefix"; then
  echo "skipped: $WINE_WHY (msiexec is Wine's 64-bit one)"
  exit $WINE_SKIP_CODE
fi
unset DISPLAY

# A fresh prefix each run: installed products must not carry over.
[ -d "$WINEPREFIX" ] && timeout 30 "$WINESERVER" -k >/dev/null 2>&1
rm -rf "$work" && mkdir -p "$work/packages" || fail "cannot create $work"
trap 'timeout 30 "$WINESERVER" -k >/dev/null 2>&1' EXIT
wine_prefix_ready null || fail "cannot create the Wine prefix $WINEPREFIX"

wine() { WINE_TIMEOUT=${WAIT:-60} wine_exec "$@" </dev/null; }
drive_c=$WINEPREFIX/drive_c
installdir=$drive_c/$progdir/DadaVizi
windir_installdir="C:\\$progdir\\DadaVizi"
system=$drive_c/windows/$sysdir

# The integrator's files, and the packages: this version and the next.
printf '[HelpMap]\r\n40000=17\r\n[LASER]\r\nTimeCloseWindow=2000\r\n' >"$work/DODOZOD.INI"
printf 'not really a help file\r\n' >"$work/dozid049.hlp"
next=${version%.*}.$((${version##*.} + 1))
build_msi() { # OUT VERSION [ARGS]
  local out=$1 ver=$2
  shift 2
  timeout 120 "$root/packaging/build-msi" --arch "$arch" --build "$build" --version "$ver" \
    --out "$out" "$@" >"$work/build-msi.log" 2>&1 || { cat "$work/build-msi.log"; return 1; }
}
msi=$work/packages/DadaVizi-$version-$arch.msi
msi_next=$work/packages/DadaVizi-$next-$arch.msi
build_msi "$msi" "$version" --ini "$work/DODOZOD.INI" --help "$work/dozid049.hlp" ||
  fail "building the $version package"
build_msi "$msi_next" "$next" --ini "$work/DODOZOD.INI" --help "$work/dozid049.hlp" ||
  fail "building the $next package"

# msiexec with a log of its own; Z: is the host's root. Its exit code
# reaches us modulo 256 (1603 as 67).
log_number=0
msiexec() { # ARGS...: sets $log
  log_number=$((log_number + 1))
  log=$work/msiexec-$log_number.log
  WAIT=120 wine msiexec "$@" /qn /l*v "Z:${log//\//\\}" >/dev/null 2>&1
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
runkey='SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
statuskey='SOFTWARE\Halvik\Test Status'
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
uninstall_entry() { # PRODUCTCODE NAME: a value of its uninstall entry, in either view
  local value
  for view in 64 32; do
    value=$(wine reg query "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" \
      /v "$2" /reg:$view 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p")
    [ -n "$value" ] && { echo "$value"; return; }
  done
}
installed_files=(DadaVizi.exe DadaViziStatus.exe DadaViziCheck.exe DadaViziIpp.exe README.md INSTALL.txt
  samples/DadaVizi.reg samples/DODOZOD.INI samples/autostart.reg samples/uninstall.reg)

install_with_properties() {
  msiexec /i "$msi" PRINTER="Test Printer" DRIVER=LASER "MONITOR=$statuskey" ||
    fail "install with properties (exit code $?, log $log)"
}

check_installed() { # VERSION WHAT
  local file
  for file in "${installed_files[@]}"; do
    [ -f "$installdir/$file" ] || fail "$2: $progdir\\DadaVizi\\$file is missing"
  done
  cmp -s "$installdir/DadaVizi.exe" "$build/bin/DadaVizi.exe" || fail "$2: DadaVizi.exe differs from the build's"
  cmp -s "$system/DODOZOD.INI" "$work/DODOZOD.INI" || fail "$2: no integrator DODOZOD.INI in $sysdir"
  cmp -s "$system/DOZID049.HLP" "$work/dozid049.hlp" || fail "$2: no DOZID049.HLP in $sysdir"
  expect_value "$settings" Printer "Test Printer" "$2"
  expect_value "$settings" Driver LASER "$2"
  expect_value "$settings" Monitor "$statuskey" "$2"
  reg_key_exists "$helpkey" || fail "$2: no help window key"
  reg_key_exists "$statuskey\\BidiData" || fail "$2: no status data key"
}

check_removed() { # WHAT PACKAGE
  [ ! -e "$installdir" ] || fail "$1: $progdir\\DadaVizi is still there: $(cd "$installdir" && find . | tr '\n' ' ')"
  [ ! -e "$system/DODOZOD.INI" ] || fail "$1: DODOZOD.INI is still in $sysdir"
  [ ! -e "$system/DOZID049.HLP" ] || fail "$1: DOZID049.HLP is still in $sysdir"
  ! reg_key_exists "$settings" || fail "$1: the settings key is still there"
  ! reg_key_exists "$helpkey" || fail "$1: the help window key is still there"
  [ -z "$(reg_value "$runkey" DadaVizi)" ] || fail "$1: the Run value is still there"
  [ -z "$(uninstall_entry "$(product_code "$2")" DisplayName)" ] || fail "$1: the uninstall entry is still there"
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

if [ "$mode" = package ]; then
  # --- What wixl could not write, added by build-msi with msibuild.
  tables=$(msiinfo tables "$msi" | tr -d '\r')
  grep -qx MsiLockPermissionsEx <<<"$tables" || fail "no MsiLockPermissionsEx table"
  locks=$(msiinfo export "$msi" MsiLockPermissionsEx | tr -d '\r')
  for lock in HelpWindowKey StatusDataKey; do
    grep -q "^${lock}Rights	${lock}	Registry	D:.*(A;CI;0x2001f;;;IU)" <<<"$locks" ||
      fail "no MsiLockPermissionsEx row granting interactive users rights on $lock: $locks"
  done
  registry=$(msiinfo export "$msi" Registry | tr -d '\r')
  grep -qx "HelpWindowKey	2	${helpkey//\\/\\\\}	\*		Settings" <<<"$registry" ||
    fail "no Registry row creating and removing the help window key"
  grep -qx "StatusDataKey	2	\[MONITOR\]\\\\BidiData	+		Settings" <<<"$registry" ||
    fail "no Registry row creating the status data key"
  msiinfo export "$msi" Component | tr -d '\r' | grep -q '^Autostart	.*	AUTOSTART="1"	' ||
    fail "the Run value's component has no AUTOSTART condition"
  msiinfo export "$msi" Property | tr -d '\r' |
    grep -qx 'SecureCustomProperties	.*;PRINTER;DRIVER;MONITOR;AUTOSTART' ||
    fail "PRINTER, DRIVER, MONITOR and AUTOSTART are not secure properties"
  # Type 18 (an installed exe) + 0x40: its exit code and failure are ignored.
  type=$(msiinfo export "$msi" CustomAction | tr -d '\r' | sed -n 's/^CloseMonitor\t\([0-9]*\)\tDadaViziStatus.exe\t--close.*/\1/p')
  [ -n "$type" ] && [ $((type & 0x3f)) = 18 ] && [ $((type & 0x40)) = 64 ] ||
    fail "no CloseMonitor action running DadaViziStatus.exe --close, its failure ignored"
  msiinfo export "$msi" InstallExecuteSequence | tr -d '\r' | grep -qx 'CloseMonitor	REMOVE~="ALL"	1399' ||
    fail "CloseMonitor is not sequenced just before InstallValidate on removal"
  case $arch in x86) template='Intel;1033' ;; x64) template='x64;1033' ;; esac
  msiinfo suminfo "$msi" | tr -d '\r' | grep -qx "Template: $template" || fail "the package is not for $arch"
  build_msi "$work/packages/plain.msi" "$version" || fail "building a package without integrator files"
  msiinfo export "$work/packages/plain.msi" File | tr -d '\r' | grep -q -E '^(IntegratorIni|HelpDOZID)' &&
    fail "a package without --ini and --help has integrator files"
  pass "tables added after wixl: MsiLockPermissionsEx, Registry rows, component condition, secure properties"

  # --- A wixl warning fails the build: a copy of the source with an
  # attribute wixl does not know.
  mkdir -p "$work/warn/packaging" "$work/warn/cmake" &&
    cp "$root/packaging/build-msi" "$root/packaging/DadaVizi.wxs" "$work/warn/packaging/" &&
    cp "$root/cmake/wine-host.sh" "$work/warn/cmake/" &&
    sed -i 's|<Property Id="PRINTER"/>|<Property Id="PRINTER" Unknown="yes"/>|' "$work/warn/packaging/DadaVizi.wxs" ||
    fail "copying the package source"
  grep -q 'Unknown="yes"' "$work/warn/packaging/DadaVizi.wxs" || fail "no attribute to warn about"
  timeout 120 "$work/warn/packaging/build-msi" --arch "$arch" --build "$build" --version "$version" \
    --out "$work/warn/warned.msi" >"$work/warn/build-msi.log" 2>&1
  status=$?
  [ $status = 2 ] && [ ! -e "$work/warn/warned.msi" ] && grep -q "wixl failed or warned" "$work/warn/build-msi.log" ||
    fail "a wixl warning did not fail the build (exit code $status): $(cat "$work/warn/build-msi.log")"
  pass "a wixl warning fails the build"

  # --- Refused without PRINTER.
  # Wine's msiexec does not log a launch condition's message under /qn:
  # the table holds it, the log shows where the install stopped.
  msiinfo export "$msi" LaunchCondition | tr -d '\r' |
    grep -q '^Installed OR PRINTER	DadaVizi needs the property PRINTER' ||
    fail "no launch condition naming PRINTER"
  msiexec /i "$msi" && fail "an install without PRINTER succeeded"
  refused_by_launch_condition || fail "the install without PRINTER did not stop at the launch conditions ($log)"
  [ ! -e "$installdir" ] || fail "the refused install left files"
  pass "install without PRINTER refused, naming it"

  # --- Install with the properties.
  install_with_properties
  check_installed "$version" "install"
  expect_value "$runkey" DadaVizi "\"$windir_installdir\\DadaVizi.exe\"" "install"
  code=$(product_code "$msi")
  [ "$(uninstall_entry "$code" DisplayName)" = DadaVizi ] || fail "no uninstall entry named DadaVizi"
  [ "$(uninstall_entry "$code" Publisher)" = Halvik ] || fail "the uninstall entry has no publisher"
  [ "$(uninstall_entry "$code" DisplayVersion)" = "$version" ] || fail "the uninstall entry's version is not $version"
  icon=$drive_c/windows/Installer/$code/DadaVizi.exe
  cmp -s "$icon" "$build/bin/DadaVizi.exe" || fail "the product icon is not DadaVizi.exe's"
  pass "installed: files, integrator files in $sysdir, settings in the $bits-bit view, Run value, uninstall entry with icon"

  # --- Repair: a lost file and the Run value come back, the settings stay.
  rm -f "$installdir/DadaViziCheck.exe"
  wine reg delete "HKLM\\$runkey" /v DadaVizi /f /reg:$bits >/dev/null
  # What /famus asks for; Wine's msiexec takes /f only with a product code,
  # which it does not implement yet.
  msiexec /i "$msi" REINSTALL=ALL REINSTALLMODE=amus || fail "repair (exit code $?, log $log)"
  [ -f "$installdir/DadaViziCheck.exe" ] || fail "repair: DadaViziCheck.exe not restored"
  [ -n "$(reg_value "$runkey" DadaVizi)" ] || fail "repair: the Run value was not rewritten"
  check_installed "$version" "repair"
  pass "repair restores files and registry, keeps the settings"

  # --- Upgrade without properties keeps them; the values written at run
  # time by the status source stay.
  write_status
  msiexec /i "$msi_next" || fail "upgrade to $next (exit code $?, log $log)"
  check_installed "$next" "upgrade"
  check_status_kept "upgrade"
  [ -z "$(uninstall_entry "$code" DisplayName)" ] || fail "upgrade: the $version entry is still there"
  [ "$(uninstall_entry "$(product_code "$msi_next")" DisplayVersion)" = "$next" ] || fail "upgrade: no $next entry"
  pass "upgrade to $next keeps the settings"

  # --- Downgrade refused.
  msiinfo export "$msi" LaunchCondition | tr -d '\r' |
    grep -q '^NOT WIX_DOWNGRADE_DETECTED	A newer version of DadaVizi is already installed' ||
    fail "no launch condition refusing a downgrade"
  msiexec /i "$msi" && fail "a downgrade to $version succeeded"
  refused_by_launch_condition || fail "the downgrade did not stop at the launch conditions ($log)"
  [ "$(uninstall_entry "$(product_code "$msi_next")" DisplayVersion)" = "$next" ] || fail "downgrade: $next is gone"
  pass "downgrade to $version refused"

  # --- Uninstall when --close cannot run (as where 32-bit code does not
  # run): the removal goes on.
  write_status
  mv "$installdir/DadaViziStatus.exe" "$work/DadaViziStatus.exe.away" || fail "moving DadaViziStatus.exe away"
  msiexec /x "$msi_next" || fail "uninstall without a runnable --close (exit code $?, log $log)"
  check_removed "uninstall" "$msi_next"
  check_status_kept "uninstall"
  pass "uninstall removes files, settings, Run value and help window key; the status data stays"

  # --- AUTOSTART=0: no Run value.
  msiexec /i "$msi" PRINTER=P AUTOSTART=0 || fail "install with AUTOSTART=0 (exit code $?, log $log)"
  [ -f "$installdir/DadaVizi.exe" ] || fail "AUTOSTART=0: not installed"
  [ -z "$(reg_value "$runkey" DadaVizi)" ] || fail "AUTOSTART=0 wrote the Run value"
  msiexec /i "$msi_next" || fail "upgrade after AUTOSTART=0 (exit code $?, log $log)"
  [ -z "$(reg_value "$runkey" DadaVizi)" ] || fail "an upgrade of an AUTOSTART=0 installation wrote the Run value"
  expect_value "$settings" Printer P "upgrade after AUTOSTART=0"
  msiexec /x "$msi_next" || fail "uninstall after AUTOSTART=0 (exit code $?, log $log)"
  pass "AUTOSTART=0 leaves out the Run value, also after an upgrade"
  exit 0
fi

# --- monitor: uninstall with the installed monitor running.
install_with_properties
check_installed "$version" "install"
# The installed monitor, started the way the Run value starts it.
"$WINELOADER" "$windir_installdir\\DadaVizi.exe" </dev/null >"$work/monitor.log" 2>&1 &
monitor=$!
status=
for _ in $(seq 1 100); do
  WAIT=30 wine "$windir_installdir\\DadaViziStatus.exe" --no-help 40021 "Text=Paper jam" >"$work/status.log" 2>&1
  status=$?
  [ $status = 3 ] || break # 3: no monitor window yet
  sleep 0.2
done
[ "$status" = 0 ] || fail "the installed DadaViziStatus could not report to the installed monitor (exit code $status): $(cat "$work/status.log")"
kill -0 $monitor 2>/dev/null || fail "the monitor is not running"
check_status_kept "status sent"
pass "the installed monitor took a status from the installed DadaViziStatus"

wine reg add "HKLM\\$helpkey" /v Text /d "Paper jam" /f /reg:$bits >/dev/null
msiexec /x "$msi" || fail "uninstall with the monitor running (exit code $?, log $log)"
for _ in $(seq 1 50); do
  kill -0 $monitor 2>/dev/null || break
  sleep 0.2
done
if kill -0 $monitor 2>/dev/null; then
  kill $monitor
  fail "the monitor still runs after the uninstall"
fi
wait $monitor
monitor_exit=$?
[ $monitor_exit = 0 ] || fail "the monitor ended with exit code $monitor_exit"
grep -q "CloseMonitor" "$log" || fail "the uninstall did not run CloseMonitor"
check_removed "uninstall with the monitor running" "$msi"
check_status_kept "uninstall with the monitor running"
pass "uninstall ended the running monitor (exit code 0) and removed its files"

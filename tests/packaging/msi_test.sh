#!/bin/bash
# The Windows Installer package of a mingw32 build tree (the 32-bit
# programs), under Wine's 64-bit msiexec in a private win64 prefix, where it
# installs as on 64-bit Windows: Program Files (x86), SysWOW64, the 32-bit
# registry view.
#   msi_test.sh package|monitor BUILDDIR WORKDIR VERSION
# The packages are built here with packaging/build-msi from BUILDDIR, at
# VERSION, again at VERSION (a rebuild) and at the next patch version.
#   package   the rows set after wixl (the restart steps, the shortcut and
#             the logging among them) and a maker's package of their own
#             names and UpgradeCode; an install refused without PRINTER;
#             an install with properties and integrator files; a repair,
#             a same-version rebuild, an upgrade and a refused downgrade
#             keeping the settings and IPPSOURCE; an upgrade and an
#             uninstall whose close step fails, keeping the integrator's
#             files; AUTOSTART=0 through a repair and an upgrade, then a
#             repair with AUTOSTART=1; the printer's own INI neither
#             replaced nor removed; an installed x64 package replaced.
#   monitor   the monitor and DadaViziIpp started by a silent install, a
#             status sent to it with the installed DadaViziStatus; a silent
#             upgrade and a silent repair ending both and starting both
#             anew; an uninstall ending both; an install with a UI starting
#             one of each; one without Run values starting none. It runs
#             the package's programs, so it is skipped (exit 77) where this
#             host runs no 32-bit code.
# msiexec runs no 32-bit code, except the close and restart steps. Every
# step is bounded with timeout.
set -uo pipefail
. "$(dirname "$0")/msi_start.sh" 4 "msi_test.sh package|monitor BUILDDIR WORKDIR VERSION" "$@"
mode=$1 build=$2 work=$3 version=$4
. "$root/cmake/wine-host.sh"

bits=32 progdir='Program Files (x86)' sysdir=syswow64

build_msi() { # OUT VERSION [ARGS]
  local out=$1 ver=$2
  shift 2
  timeout 120 "$root/packaging/build-msi" --build "$build" --version "$ver" \
    --out "$out" "$@" >"$work/build-msi.log" 2>&1 || { cat "$work/build-msi.log"; return 1; }
}

wine_host_probe
if [ "$mode" = monitor ] && [ "$WINE_HOST_32" != 1 ]; then
  echo "skipped: $(wine_host_why 32) (the package's programs are 32-bit)"
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
printf 'not really a CHM\r\n' >"$work/dozid049.chm"
printf '[Text]\r\n17=Open tray 2.\r\n' >"$work/dozid049.ini"
help_files=(--help-file "$work/dozid049.hlp" --help-file "$work/dozid049.chm" --help-file "$work/dozid049.ini")
next=${version%.*}.$((${version##*.} + 1))
msi=$work/packages/DadaVizi-$version-x86.msi
msi_next=$work/packages/DadaVizi-$next-x86.msi
build_msi "$msi" "$version" --ini "$work/DODOZOD.INI" "${help_files[@]}" ||
  fail "building the $version package"
if [ "$mode" = package ]; then
  # The package test's next version has a close step that fails: its
  # "closer" is DadaViziStatus.exe, which exits 1 without arguments. Its
  # "starter" is one too, and starts nothing (exit code 1 for a command
  # line that is no status), so that nothing of this version holds its
  # files when its closer cannot end it.
  failing=$work/failing-build
  mkdir -p "$failing/bin" &&
    cp "$build"/bin/{DadaVizi,DadaViziStatus,DadaViziCheck,DadaViziIpp,DadaViziRelay,DadaViziStart}.exe "$failing/bin/" &&
    cp "$build/bin/DadaViziStatus.exe" "$failing/bin/DadaViziClose.exe" &&
    cp "$build/bin/DadaViziStatus.exe" "$failing/bin/DadaViziStart.exe" &&
    ln -s "$build/packaging" "$failing/packaging" || fail "making a build tree with a failing closer"
  build=$failing build_msi "$msi_next" "$next" --ini "$work/DODOZOD.INI" "${help_files[@]}" ||
    fail "building the $next package"
else
  build_msi "$msi_next" "$next" --ini "$work/DODOZOD.INI" "${help_files[@]}" ||
    fail "building the $next package"
fi
# A rebuild of the same version, the way scripts/package makes one: wixl
# gives it a product code of its own.
msi_rebuild=$work/packages/rebuild/DadaVizi-$version-x86.msi
mkdir -p "$work/packages/rebuild" &&
  build_msi "$msi_rebuild" "$version" --ini "$work/DODOZOD.INI" "${help_files[@]}" ||
  fail "building the $version package again"

. "$here/msi_support.sh"

if [ "$mode" = package ]; then
  # --- What wixl could not write, set by build-msi with msibuild.
  locks=$(msiinfo export "$msi" MsiLockPermissionsEx | tr -d '\r')
  usual='(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)'
  # Interactive users: what the monitor opens the help window key with
  # (KEY_READ | KEY_WRITE), and only KEY_SET_VALUE on the status data key,
  # on the key alone.
  grep -qxF "HelpWindowKeyRights	HelpWindowKey	Registry	D:$usual(A;;0x2001f;;;IU)	" <<<"$locks" &&
    grep -qxF "StatusDataKeyRights	StatusDataKey	Registry	D:$usual(A;;0x2;;;IU)	" <<<"$locks" ||
    fail "the permission rows do not give interactive users exactly what each key's writer needs: $locks"
  registry=$(msiinfo export "$msi" Registry | tr -d '\r')
  grep -qx "HelpWindowKey	2	${helpkey//\\/\\\\}	\*		Settings" <<<"$registry" ||
    fail "no Registry row creating and removing the help window key"
  grep -qx "StatusDataKey	2	\[MONITOR\]\\\\BidiData	+		Settings" <<<"$registry" ||
    fail "no Registry row creating the status data key"
  components=$(msiinfo export "$msi" Component | tr -d '\r')
  # 0x40 transitive | 0x4 registry key path; 0x10 permanent | 0x80 never overwrite.
  grep -q '^Autostart	[^	]*	[^	]*	68	AUTOSTART="1"	' <<<"$components" ||
    fail "the Run value's component is not transitive with the AUTOSTART condition"
  [ "$(grep -c -E '^(IntegratorIni|HelpDOZID049_(HLP|CHM|INI))	[^	]*	SystemFolder	144	' <<<"$components")" = 4 ] ||
    fail "the integrator's files are not permanent, never-overwrite components in the system folder"
  upgrades=$(msiinfo export "$msi" Upgrade | tr -d '\r')
  # 0x200: VersionMax inclusive, so a rebuild of this version replaces it.
  grep -qx "{27293F0F-C86B-4848-B0FC-2D2C4A8A4B5F}		$version		513		WIX_UPGRADE_DETECTED" <<<"$upgrades" &&
    grep -qx "{6957C5C8-8B1D-4074-97C8-F58FF1681E8D}	0.0.0			256		X64_PACKAGE_DETECTED" <<<"$upgrades" ||
    fail "the Upgrade table does not replace this version and every x64 package: $upgrades"
  msiinfo export "$msi" Property | tr -d '\r' |
    grep -qx 'SecureCustomProperties	.*;X64_PACKAGE_DETECTED;PRINTER;DRIVER;MONITOR;AUTOSTART;IPPSOURCE;RELAY' ||
    fail "PRINTER, DRIVER, MONITOR, AUTOSTART, IPPSOURCE, RELAY and X64_PACKAGE_DETECTED are not secure properties"
  grep -q '^IppAutostart	[^	]*	[^	]*	68	IPPSOURCE	' <<<"$components" ||
    fail "DadaViziIpp's Run value's component is not transitive with the IPPSOURCE condition"
  actions=$(msiinfo export "$msi" CustomAction | tr -d '\r')
  # Type 2 (an exe in the Binary table) + 0x40 (its exit code and failure
  # ignored), immediate, as the user running msiexec; no arguments.
  grep -qx 'CloseResident	66	DadaViziClose		' <<<"$actions" ||
    fail "no immediate CloseResident action running the closer from the Binary table, its failure ignored"
  msiinfo export "$msi" InstallExecuteSequence | tr -d '\r' |
    grep -qx 'CloseResident	REMOVE~="ALL" OR WIX_UPGRADE_DETECTED OR REINSTALL	1399' ||
    fail "CloseResident is not sequenced just before InstallValidate on removal, upgrade and repair"
  msiinfo extract "$msi" Binary.DadaViziClose >"$work/closer.exe" &&
    cmp -s "$work/closer.exe" "$build/bin/DadaViziClose.exe" ||
    fail "the Binary table's DadaViziClose is not the build's DadaViziClose.exe"
  # One start for each resident program, as its Run value starts it: type 18
  # (the installed DadaViziStart.exe) + 0xC0 (asynchronous, not waited
  # for), after InstallFinalize (6600), never as SYSTEM or on removal, each
  # where its Run value is installed; none in the UI sequence, so that a
  # full UI does not start them twice.
  execute=$(msiinfo export "$msi" InstallExecuteSequence | tr -d '\r')
  not_system='UserSID <> "S-1-5-18" AND NOT (REMOVE ~= "ALL")'
  while IFS='|' read -r action target condition at; do
    grep -qxF "$action	210	DadaViziStart.exe	$target	" <<<"$actions" ||
      fail "no asynchronous $action running DadaViziStart.exe with $target"
    grep -qxF "$action	$not_system AND $condition	$at" <<<"$execute" ||
      fail "$action is not at $at, after InstallFinalize, not as SYSTEM, not on removal, with $condition"
  done <<'ROWS'
RestartMonitor|"[#DadaVizi.exe]"|AUTOSTART = "1"|6601
RestartIppSource|"[#DadaViziIpp.exe]" "[IPPSOURCE]"|IPPSOURCE|6602
RestartRelay|"[#DadaViziRelay.exe]"|RELAY = "1"|6603
ROWS
  msiinfo export "$msi" InstallUISequence | tr -d '\r' | grep -q 'Restart\|Start' &&
    fail "the UI sequence starts a program too"
  msiinfo export "$msi" Shortcut | tr -d '\r' |
    grep -qx 'MonitorShortcut	ProgramMenuFolder	DadaVizi	StartMenu	\[#DadaVizi.exe\]		[^	]*					INSTALLDIR				' ||
    fail "no Start-menu shortcut DadaVizi starting the installed DadaVizi.exe in its folder"
  msiinfo export "$msi" Property | tr -d '\r' | grep -qx 'MsiLogging	voicewarmupx' ||
    fail "the package does not have every installation logged (MsiLogging)"
  msiinfo suminfo "$msi" | tr -d '\r' | grep -qx "Template: Intel;1033" || fail "the package is not an x86 one"
  build_msi "$work/packages/plain.msi" "$version" || fail "building a package without integrator files"
  msiinfo export "$work/packages/plain.msi" File | tr -d '\r' | grep -q -E '^(IntegratorIni|HelpDOZID)' &&
    fail "a package without --ini and --help has integrator files"
  pass "rows set after wixl: permissions, Registry rows, component attributes, upgrade rows, secure properties, the close and restart steps, the shortcut, logging"

  # --- A printer maker's own names and UpgradeCode: neither the sample's
  # upgrade row nor its names are left in their package.
  maker_code='{0B0B5C1E-7A0D-4E4B-9C55-3D1D5A6E7F80}'
  build_msi "$work/packages/maker.msi" "$version" --manufacturer "Acme Imaging" \
    --product-name "Acme Status" --upgrade-code "$maker_code" || fail "building a maker's package"
  maker_properties=$(msiinfo export "$work/packages/maker.msi" Property | tr -d '\r')
  grep -qx "UpgradeCode	$maker_code" <<<"$maker_properties" &&
    grep -qx "Manufacturer	Acme Imaging" <<<"$maker_properties" &&
    grep -qx "ProductName	Acme Status" <<<"$maker_properties" ||
    fail "the maker's package lacks their UpgradeCode, Manufacturer or ProductName"
  maker_upgrades=$(msiinfo export "$work/packages/maker.msi" Upgrade | tr -d '\r')
  grep -q '^{27293F0F-C86B-4848-B0FC-2D2C4A8A4B5F}' <<<"$maker_upgrades" &&
    fail "the maker's package would upgrade or remove the sample's: $maker_upgrades"
  grep -qx "$maker_code		$version		513		WIX_UPGRADE_DETECTED" <<<"$maker_upgrades" ||
    fail "the maker's package does not replace its own earlier versions: $maker_upgrades"
  msiinfo export "$work/packages/maker.msi" Shortcut | tr -d '\r' | grep -q '	ACMEST~1|Acme Status	' ||
    fail "the maker's shortcut is not named after their product"
  pass "a maker's package carries their names and UpgradeCode, and not the sample's"

  # --- A wixl warning fails the build: a copy of the source with an
  # attribute wixl does not know.
  mkdir -p "$work/warn/packaging" "$work/warn/cmake" &&
    cp "$root/packaging/build-msi" "$root/packaging/DadaVizi.wxs" "$work/warn/packaging/" &&
    cp "$root/cmake/wine-host.sh" "$work/warn/cmake/" &&
    sed -i 's|<Property Id="PRINTER"/>|<Property Id="PRINTER" Unknown="yes"/>|' "$work/warn/packaging/DadaVizi.wxs" ||
    fail "copying the package source"
  grep -q 'Unknown="yes"' "$work/warn/packaging/DadaVizi.wxs" || fail "no attribute to warn about"
  timeout 120 "$work/warn/packaging/build-msi" --build "$build" --version "$version" \
    --out "$work/warn/warned.msi" >"$work/warn/build-msi.log" 2>&1
  status=$?
  [ $status = 2 ] && [ ! -e "$work/warn/warned.msi" ] && grep -q "wixl failed or warned" "$work/warn/build-msi.log" ||
    fail "a wixl warning did not fail the build (exit code $status): $(cat "$work/warn/build-msi.log")"
  pass "a wixl warning fails the build"

  # --- Refused without PRINTER.
  refused_at_launch "$msi" 'Installed OR PRINTER	DadaVizi needs the property PRINTER' \
    "the install without PRINTER"
  [ ! -e "$installdir" ] || fail "the refused install left files"
  pass "install without PRINTER refused, naming it"

  # --- Install with the properties.
  install_with_properties
  check_installed "$version" "install"
  expect_value "$runkey" DadaVizi "\"$windir_installdir\\DadaVizi.exe\"" "install"
  # DadaViziIpp's event source: the program as its message file, and the
  # three types it logs (learn.microsoft.com/windows/win32/eventlog/event-sources).
  expect_value "$eventkey" EventMessageFile "$windir_installdir\\DadaViziIpp.exe" "install"
  expect_value "$eventkey" TypesSupported 0x7 "install"
  wine reg query "HKLM\\$eventkey" /v EventMessageFile /reg:$bits 2>/dev/null | grep -q REG_EXPAND_SZ ||
    fail "install: EventMessageFile is not REG_EXPAND_SZ"
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

  # --- A rebuild of the same version replaces the installed one: one
  # uninstall entry, the settings and the status data kept.
  write_status
  rebuild_code=$(product_code "$msi_rebuild")
  [ -n "$rebuild_code" ] && [ "$rebuild_code" != "$code" ] || fail "the rebuild has no product code of its own"
  msiexec /i "$msi_rebuild" || fail "installing the rebuild of $version (exit code $?, log $log)"
  entries=$(dadavizi_entries)
  [ "$entries" = "$rebuild_code " ] || fail "rebuild: uninstall entries named DadaVizi are '$entries', not the rebuild's $rebuild_code"
  check_installed "$version" "rebuild"
  check_status_kept "rebuild"
  [ -n "$(reg_value "$runkey" DadaVizi)" ] || fail "rebuild: the Run value is gone"
  code=$rebuild_code
  pass "a rebuild of $version replaces it: one uninstall entry, settings kept"

  # --- Upgrade without properties keeps them; the values written at run
  # time by the status source stay. This next version's close step fails
  # (exit code 1, or not run at all where 32-bit code does not run): the
  # installation goes on.
  write_status
  # What the earlier installations started is ended by hand here, as this
  # version's closer cannot.
  stop_residents
  msiexec /i "$msi_next" || fail "upgrade to $next (exit code $?, log $log)"
  check_installed "$next" "upgrade"
  check_status_kept "upgrade"
  [ -z "$(uninstall_entry "$code" DisplayName)" ] || fail "upgrade: the $version entry is still there"
  [ "$(uninstall_entry "$(product_code "$msi_next")" DisplayVersion)" = "$next" ] || fail "upgrade: no $next entry"
  pass "upgrade to $next keeps the settings"

  # --- Downgrade refused.
  refused_at_launch "$msi" \
    'NOT WIX_DOWNGRADE_DETECTED	A newer version of DadaVizi is already installed' \
    "the downgrade to $version"
  [ "$(uninstall_entry "$(product_code "$msi_next")" DisplayVersion)" = "$next" ] || fail "downgrade: $next is gone"
  pass "downgrade to $version refused"

  # --- Uninstall with a close step that fails: the removal goes on.
  write_status
  msiexec /x "$msi_next" || fail "uninstall with a failing close step (exit code $?, log $log)"
  grep -q 'Action start [0-9:]*: CloseResident' "$log" || fail "the uninstall did not run its close step ($log)"
  check_removed "uninstall" "$msi_next"
  [ -z "$(reg_value "$eventkey" EventMessageFile)" ] || fail "uninstall left DadaViziIpp's event source"
  check_status_kept "uninstall"
  pass "uninstall removes files, settings, Run value and help window key; the status data stays"

  # --- AUTOSTART=0: no Run value.
  msiexec /i "$msi" PRINTER=P AUTOSTART=0 || fail "install with AUTOSTART=0 (exit code $?, log $log)"
  [ -f "$installdir/DadaVizi.exe" ] || fail "AUTOSTART=0: not installed"
  [ -z "$(reg_value "$runkey" DadaVizi)" ] || fail "AUTOSTART=0 wrote the Run value"
  [ -z "$(reg_value "$runkey" DadaViziIpp)" ] || fail "an install without IPPSOURCE wrote DadaViziIpp's Run value"
  msiexec /i "$msi" REINSTALL=ALL REINSTALLMODE=amus || fail "repair after AUTOSTART=0 (exit code $?, log $log)"
  [ -z "$(reg_value "$runkey" DadaVizi)" ] || fail "a repair of an AUTOSTART=0 installation wrote the Run value"
  expect_value "$packagekey" Autostart 0 "repair after AUTOSTART=0"
  msiexec /i "$msi_next" || fail "upgrade after AUTOSTART=0 (exit code $?, log $log)"
  [ -z "$(reg_value "$runkey" DadaVizi)" ] || fail "an upgrade of an AUTOSTART=0 installation wrote the Run value"
  expect_value "$settings" Printer P "upgrade after AUTOSTART=0"
  # AUTOSTART given to a repair applies it. (Taking the value away again
  # with AUTOSTART=0 is not shown: Wine's msi does not remove a transitive
  # component whose condition turned false.)
  msiexec /i "$msi_next" REINSTALL=ALL REINSTALLMODE=amus AUTOSTART=1 ||
    fail "repair with AUTOSTART=1 (exit code $?, log $log)"
  expect_value "$runkey" DadaVizi "\"$windir_installdir\\DadaVizi.exe\"" "repair with AUTOSTART=1"
  expect_value "$packagekey" Autostart 1 "repair with AUTOSTART=1"
  msiexec /x "$msi_next" || fail "uninstall after AUTOSTART=0 (exit code $?, log $log)"
  pass "AUTOSTART=0 leaves out the Run value through a repair and an upgrade; a repair with AUTOSTART=1 adds it"

  # --- The printer's installation put its own DODOZOD.INI there first: the
  # package neither replaces nor removes it.
  printf '[HelpMap]\r\n40000=99\r\n' >"$work/printer-own.ini" &&
    cp "$work/printer-own.ini" "$system/DODOZOD.INI" && rm -f "$system/DOZID049.HLP" ||
    fail "writing the printer's own DODOZOD.INI"
  msiexec /i "$msi" PRINTER=P || fail "install over the printer's own DODOZOD.INI (exit code $?, log $log)"
  cmp -s "$system/DODOZOD.INI" "$work/printer-own.ini" || fail "the install replaced the printer's own DODOZOD.INI"
  cmp -s "$system/DOZID049.HLP" "$work/dozid049.hlp" || fail "the install left out DOZID049.HLP"
  msiexec /x "$msi" || fail "uninstall over the printer's own DODOZOD.INI (exit code $?, log $log)"
  cmp -s "$system/DODOZOD.INI" "$work/printer-own.ini" || fail "the uninstall removed the printer's own DODOZOD.INI"
  [ -f "$system/DOZID049.HLP" ] || fail "the uninstall removed DOZID049.HLP"
  pass "an INI there before the install is neither replaced nor removed"

  # --- An installed x64 package, which put the settings in the 64-bit view,
  # is removed by this one: a stand-in with the withdrawn package's
  # UpgradeCode and one settings value.
  mkdir -p "$work/x64" && cat >"$work/x64/old.wxs" <<'EOF' || fail "writing the x64 stand-in"
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="DadaVizi" Manufacturer="Halvik" Language="1033" Version="1.0.0"
           UpgradeCode="6957C5C8-8B1D-4074-97C8-F58FF1681E8D">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name="DadaVizi">
          <Component Id="Settings" Guid="*" Win64="yes">
            <RegistryValue Root="HKLM" Key="SOFTWARE\Halvik\Zive Dozorod" Name="Printer"
                           Type="string" Value="x64" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="DadaVizi" Level="1"><ComponentRef Id="Settings"/></Feature>
  </Product>
</Wix>
EOF
  (cd "$work/x64" && timeout 120 wixl -a x64 -o old-x64.msi old.wxs) >"$work/x64/wixl.log" 2>&1 ||
    fail "building the x64 stand-in: $(cat "$work/x64/wixl.log")"
  msiexec /i "$work/x64/old-x64.msi" || fail "installing the x64 stand-in (exit code $?, log $log)"
  x64_code=$(product_code "$work/x64/old-x64.msi")
  [ "$(uninstall_entry "$x64_code" DisplayName)" = DadaVizi ] || fail "the x64 stand-in did not install"
  msiexec /i "$msi" PRINTER=P || fail "install over the x64 package (exit code $?, log $log)"
  [ -z "$(uninstall_entry "$x64_code" DisplayName)" ] || fail "the x64 package is still installed"
  wine reg query "HKLM\\$settings" /v Printer /reg:64 >/dev/null 2>&1 &&
    fail "the x64 package's settings are still in the 64-bit view"
  [ "$(dadavizi_entries)" = "$(product_code "$msi") " ] || fail "more than one DadaVizi after replacing the x64 package"
  msiexec /x "$msi" || fail "uninstall after replacing the x64 package (exit code $?, log $log)"
  pass "an installed x64 package is removed"
  exit 0
fi

# --- monitor
. "$here/msi_monitor.sh"

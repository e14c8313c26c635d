#!/bin/bash
# The contract check (msi_contract.sh) on the package of a mingw32 build
# tree, which must keep Windows Installer's documented rules, and on a small
# package that breaks one rule of each kind, whose every fault it must name:
#   msi_contract_test.sh BUILDDIR WORKDIR VERSION SDDL_PARSE_EXE
# Exit codes: 0 passed, 1 failed, 77 the SDDL step could not run here.
set -uo pipefail
. "$(dirname "$0")/msi_start.sh" 4 "msi_contract_test.sh BUILDDIR WORKDIR VERSION SDDL_PARSE_EXE" "$@"
build=$1 work=$2 version=$3 sddl_parse=$4

rm -rf "$work" && mkdir -p "$work/faults" || fail "cannot create $work"
work=$(cd "$work" && pwd)

# --- The package as scripts/package builds it, with integrator files.
printf '[HelpMap]\r\n' >"$work/DODOZOD.INI" && printf 'help\r\n' >"$work/DOZID049.HLP" ||
  fail "cannot write the integrator's files"
msi=$work/DadaVizi-$version-x86.msi
timeout 120 "$root/packaging/build-msi" --build "$build" --version "$version" --out "$msi" \
  --ini "$work/DODOZOD.INI" --help-file "$work/DOZID049.HLP" >"$work/build-msi.log" 2>&1 ||
  fail "building the package: $(cat "$work/build-msi.log")"
bash "$here/msi_contract.sh" "$msi" "$work/package" "$sddl_parse"
status_package=$?
[ $status_package = 0 ] || [ $status_package = 77 ] || fail "the package breaks Windows Installer's rules"

# --- A package with one fault of each kind the check knows: a permission
# table with its columns out of order, a permission row for a registry row
# that does not exist, an SDDL Windows refuses and one holding a property,
# RemoveExistingProducts before InstallInitialize, no-impersonation without
# in-script execution, a deferred action before InstallInitialize, an
# upgrade property that is not secure, a Binary table with a string for its
# stream, ExecuteAction before CostFinalize, an executable with no Binary
# row, a property action that does not wait, an asynchronous script, and an
# installed file's action with no File row, run before CostFinalize and,
# immediate, before InstallFinalize.
cat >"$work/faults/faults.wxs" <<'EOF' || fail "cannot write the faulty package's source"
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Faults" Manufacturer="Halvik" Language="1033" Version="1.0.0"
           UpgradeCode="0F6C2D1E-5B7A-4C39-9E84-3A1D2B6C7E90">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <MajorUpgrade DowngradeErrorMessage="newer"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="Faults">
          <Component Id="Values" Guid="*">
            <RegistryValue Root="HKLM" Key="SOFTWARE\Halvik\Faults" Name="Value" Type="string"
                           Value="1" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Faults" Level="1"><ComponentRef Id="Values"/></Feature>
    <CustomAction Id="SetValue" Property="VALUE" Value="1"/>
    <CustomAction Id="Deferred" Property="VALUE" Value="2" Execute="deferred" Impersonate="yes"/>
    <InstallExecuteSequence>
      <Custom Action="SetValue" Sequence="60"/>
      <Custom Action="Deferred" Sequence="61"/>
    </InstallExecuteSequence>
  </Product>
</Wix>
EOF
faulty=$work/faults/faults.msi
(cd "$work/faults" && timeout 120 wixl -a x86 -o faults.msi faults.wxs) >"$work/faults/wixl.log" 2>&1 ||
  fail "building the faulty package: $(cat "$work/faults/wixl.log")"
queries=(
  "CREATE TABLE \`MsiLockPermissionsEx\` (\`MsiLockPermissionsEx\` CHAR(72) NOT NULL, \`LockObject\` CHAR(72) NOT NULL, \`Table\` CHAR(32) NOT NULL, \`Condition\` CHAR(255), \`SDDLText\` LONGCHAR NOT NULL PRIMARY KEY \`MsiLockPermissionsEx\`)"
  "INSERT INTO \`MsiLockPermissionsEx\` (\`MsiLockPermissionsEx\`, \`LockObject\`, \`Table\`, \`SDDLText\`) VALUES ('Nowhere', 'NoSuchRow', 'Registry', 'D:(A;;KA;;;XX)')"
  "INSERT INTO \`MsiLockPermissionsEx\` (\`MsiLockPermissionsEx\`, \`LockObject\`, \`Table\`, \`SDDLText\`) VALUES ('Formatted', 'NoSuchRow', 'Registry', 'D:(A;;KA;;;[SID])')"
  "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 1450 WHERE \`Action\` = 'RemoveExistingProducts'"
  "UPDATE \`Property\` SET \`Value\` = 'WIX_DOWNGRADE_DETECTED' WHERE \`Property\` = 'SecureCustomProperties'"
  "DROP TABLE \`Binary\`"
  "CREATE TABLE \`Binary\` (\`Name\` CHAR(72) NOT NULL, \`Data\` CHAR(255) NOT NULL PRIMARY KEY \`Name\`)"
  "UPDATE \`InstallUISequence\` SET \`Sequence\` = 950 WHERE \`Action\` = 'ExecuteAction'"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`) VALUES ('NoBinary', 66, 'Missing')"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('AsyncProperty', 243, 'VALUE', '1')"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`) VALUES ('AsyncScript', 133, 'Missing')"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`) VALUES ('EarlyFile', 18, 'NoSuchFile')"
  "INSERT INTO \`InstallUISequence\` (\`Action\`, \`Sequence\`) VALUES ('EarlyFile', 700)"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('EarlyFile', 4000)"
)
for query in "${queries[@]}"; do
  msibuild "$faulty" -q "$query" >"$work/faults/msibuild.log" 2>&1 && ! grep -q . "$work/faults/msibuild.log" ||
    fail "msibuild: $query: $(cat "$work/faults/msibuild.log")"
done
bash "$here/msi_contract.sh" "$faulty" "$work/faults/contract" "$sddl_parse" >"$work/faults/contract.log" 2>&1
status=$?
cat "$work/faults/contract.log"
[ $status = 1 ] || fail "the contract check passed a package that breaks the rules (exit code $status)"
expected=(
  'FAIL: MsiLockPermissionsEx: columns differ'
  'FAIL: RemoveExistingProducts (1450) is not after InstallInitialize'
  'FAIL: custom action SetValue: type 2099 has no-impersonation (0x800) without in-script execution (0x400)'
  'FAIL: custom action Deferred: in-script, but not sequenced between InstallInitialize and InstallFinalize'
  'FAIL: upgrade row {0F6C2D1E-5B7A-4C39-9E84-3A1D2B6C7E90}: WIX_UPGRADE_DETECTED is not in SecureCustomProperties'
  'FAIL: permission row Nowhere: no Registry row NoSuchRow'
  'FAIL: SDDLText holds a property, which Windows Installer does not format: D:(A;;KA;;;[SID])'
  'FAIL: Binary: columns differ'
  'FAIL: InstallUISequence is not CostInitialize, FileCost, CostFinalize, then ExecuteAction'
  'FAIL: custom action NoBinary: type 66 names no Binary row (Missing)'
  'FAIL: custom action AsyncProperty: type 243 is asynchronous without waiting (0xC0), which only an executable may be'
  'FAIL: custom action AsyncScript: type 133 is an asynchronous (0x80) script'
  'FAIL: custom action EarlyFile: type 18 names no File row (NoSuchFile)'
  'FAIL: custom action EarlyFile: type 18 runs an installed file before CostFinalize in the InstallUISequence'
  'FAIL: custom action EarlyFile: type 18, immediate, runs an installed file before InstallFinalize in the InstallExecuteSequence'
)
# Where Wine runs, the refused SDDL is named too.
grep -q '^skipped: parsing the SDDLText' "$work/faults/contract.log" ||
  expected+=('FAIL: an SDDLText does not parse')
for line in "${expected[@]}"; do
  grep -qF "$line" "$work/faults/contract.log" || fail "the contract check did not report: $line"
done
echo "ok: the contract check names each of the ${#expected[@]} faults of the faulty package"
exit $status_package

#!/bin/bash
# The package against Windows Installer's documented rules, which Wine's
# msiexec does not enforce (it ignores MsiLockPermissionsEx, takes any
# columns and runs actions wherever they are sequenced):
#   msi_contract.sh MSI WORKDIR SDDL_PARSE_EXE
#  - every table of tests/packaging/msi-tables.txt: the documented column
#    names in order, key, nullability, integer versus string;
#  - custom action type bits that are valid for how each action is
#    scheduled, sources that name a row, actions on installed files after
#    CostFinalize;
#  - RemoveExistingProducts just after InstallInitialize, which follows
#    InstallValidate; the InstallUISequence's costing before ExecuteAction;
#  - upgrade rows Windows acts on, permission rows that point at something;
#  - every SDDLText taken by ConvertStringSecurityDescriptorToSecurityDescriptorA,
#    under Wine's 64-bit loader in a prefix under WORKDIR.
# It reports every fault it finds, then exits 1 when there was one, 77 when
# only the SDDL step could not run here, 0 otherwise.
set -uo pipefail
if [ $# -ne 3 ]; then
  echo "usage: msi_contract.sh MSI WORKDIR SDDL_PARSE_EXE" >&2
  exit 2
fi
msi=$1 work=$2 sddl_parse=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
schemas=$here/msi-tables.txt

faults=0
fault() { echo "FAIL: $*"; faults=$((faults + 1)); }
pass() { echo "ok: $*"; }

[ -f "$msi" ] || { echo "FAIL: no package $msi"; exit 1; }
msi=$(cd "$(dirname "$msi")" && pwd)/$(basename "$msi")
mkdir -p "$work/tables" && work=$(cd "$work" && pwd) || { echo "FAIL: cannot create $work"; exit 1; }
tables=$(msiinfo tables "$msi" | tr -d '\r') || { echo "FAIL: msiinfo cannot read $msi"; exit 1; }
has_table() { grep -qx "$1" <<<"$tables"; }
# export TABLE: its rows as msiinfo writes them (names, types, keys, rows).
export_table() {
  local file=$work/tables/$1.idt
  # In the work folder: msiinfo writes a table's streams (Binary) beside it.
  [ -f "$file" ] || (cd "$work/tables" && msiinfo export "$msi" "$1") | tr -d '\r' >"$file"
  cat "$file"
}
rows() { export_table "$1" | sed -n '4,$p'; }
# fields TABLE: its rows with a unit separator between the columns, for
# `read` (a tab is white space to it, so empty columns would vanish).
fields() { rows "$1" | tr '\t' '\037'; }
property() { rows Property | awk -F'\t' -v name="$1" '$1 == name { print $2 }'; }
sequence_of() { rows "$1" | awk -F'\t' -v name="$2" '$1 == name { print $3 }'; }

# --- Table schemas. msiinfo's second line gives each column's type as
# s/S (string), l/L (localizable string), i/I (integer), v/V (stream); a
# capital letter is a column that may be null. The third line names the
# table and its key columns.
documented_tables=$(awk '$1 == "table" { print $2 }' "$schemas")
for table in $documented_tables; do
  if ! has_table "$table"; then
    fault "$table: the package has no such table"
    continue
  fi
  page=$(awk -v t="$table" '$1 == "table" && $2 == t { print $3 }' "$schemas")
  expected=$(awk -v t="$table" '
    $1 == "table" { inside = ($2 == t); next }
    inside && NF == 4 && $1 !~ /^#/ {
      kind = ($2 == "Integer" || $2 == "DoubleInteger") ? "integer" : ($2 == "Binary") ? "stream" : "string"
      print $1 " " kind " key=" $3 " null=" $4
    }' "$schemas")
  actual=$(export_table "$table" | awk -F'\t' '
    NR == 1 { for (i = 1; i <= NF; i++) name[i] = $i; n = NF }
    NR == 2 { for (i = 1; i <= NF; i++) type[i] = $i }
    NR == 3 { for (i = 2; i <= NF; i++) key[$i] = 1 }
    NR == 3 {
      for (i = 1; i <= n; i++) {
        letter = substr(type[i], 1, 1)
        kind = (letter ~ /[iI]/) ? "integer" : (letter ~ /[vV]/) ? "stream" : "string"
        print name[i] " " kind " key=" ((name[i] in key) ? "Y" : "N") " null=" ((letter ~ /[A-Z]/) ? "Y" : "N")
      }
      exit
    }')
  if [ "$expected" = "$actual" ]; then
    pass "$table: columns as documented"
  else
    fault "$table: columns differ from $page"
    echo "    documented: $(paste -sd, <<<"$expected" | sed 's/,/, /g')"
    echo "    in package: $(paste -sd, <<<"$actual" | sed 's/,/, /g')"
  fi
done

# --- Sequence: InstallValidate, InstallInitialize, then RemoveExistingProducts
# with no action between, so the old version is removed inside the new
# installation's transaction and a failed upgrade rolls the removal back
# (ICE63, https://learn.microsoft.com/en-us/windows/win32/msi/ice63).
validate=$(sequence_of InstallExecuteSequence InstallValidate)
initialize=$(sequence_of InstallExecuteSequence InstallInitialize)
finalize=$(sequence_of InstallExecuteSequence InstallFinalize)
remove=$(sequence_of InstallExecuteSequence RemoveExistingProducts)
if [ -z "$validate" ] || [ -z "$initialize" ] || [ -z "$finalize" ] || [ -z "$remove" ]; then
  fault "InstallExecuteSequence lacks InstallValidate, InstallInitialize, InstallFinalize or RemoveExistingProducts"
elif [ "$validate" -ge "$initialize" ] || [ "$remove" -le "$initialize" ] || [ "$remove" -ge "$finalize" ]; then
  fault "RemoveExistingProducts ($remove) is not after InstallInitialize ($initialize), which must follow InstallValidate ($validate)"
else
  between=$(rows InstallExecuteSequence | awk -F'\t' -v a="$initialize" -v b="$remove" '$3 > a && $3 < b { print $1 }' | tr '\n' ' ')
  if [ -n "$between" ]; then
    fault "actions between InstallInitialize and RemoveExistingProducts: $between"
  else
    pass "sequence: InstallValidate $validate, InstallInitialize $initialize, RemoveExistingProducts $remove"
  fi
fi

# --- InstallUISequence (https://learn.microsoft.com/en-us/windows/win32/msi/
# installuisequence-table): costing (CostInitialize, FileCost, CostFinalize)
# comes before ExecuteAction, which hands over to the execute sequence; what
# follows ExecuteAction runs once the installation is done.
ui_order=
for action in CostInitialize FileCost CostFinalize ExecuteAction; do
  ui_order+="$action=$(sequence_of InstallUISequence "$action") "
done
if [[ $ui_order == *"= "* ]]; then
  fault "InstallUISequence lacks one of CostInitialize, FileCost, CostFinalize, ExecuteAction: $ui_order"
elif ! sort -t= -k2 -n -c <<<"$(tr ' ' '\n' <<<"${ui_order% }")" 2>/dev/null; then
  fault "InstallUISequence is not CostInitialize, FileCost, CostFinalize, then ExecuteAction: $ui_order"
else
  pass "InstallUISequence: $ui_order"
fi

# --- Custom action types (https://learn.microsoft.com/en-us/windows/win32/msi/
# summary-list-of-all-custom-action-types and custom-action-in-script-execution-options):
# the basic type is one of the documented ones; no-impersonation (0x800) and
# terminal-server awareness (0x4000) come only with in-script execution
# (0x400), which takes rollback (0x100) or commit (0x200) but not both; an
# in-script action runs between InstallInitialize and InstallFinalize of the
# execute sequence and never in the UI sequence (ICE77). Asynchronous
# execution (0x80) is not for rollback or script actions, and without waiting
# (0xC0) only for executables (custom-action-return-processing-options). The
# source of a Binary-table type names a Binary row, that of an installed-file
# type a File row; an installed-file type runs after CostFinalize in every
# sequence (ICE75), and, when immediate, after InstallFinalize in the
# InstallExecuteSequence: the files are written only when the script runs,
# between InstallInitialize and InstallFinalize
# (https://learn.microsoft.com/en-us/windows/win32/msi/installation-mechanism;
# Revenera's "Sequencing a Custom Action that Launches an .exe File" says it
# of immediate actions outright).
faults_before=$faults
binary_rows=$(has_table Binary && rows Binary | cut -f1)
file_rows=$(has_table File && rows File | cut -f1)
while IFS=$'\037' read -r action type source _; do
  [ -n "$action" ] || continue
  basic=$((type & 0x3f))
  in_script=$((type & 0x400))
  case " 1 2 5 6 7 17 18 19 21 22 23 34 35 37 38 39 50 51 53 54 " in
    *" $basic "*) ;;
    *) fault "custom action $action: type $type has no documented basic type ($basic)" ;;
  esac
  [ $((type & 0x800)) = 0 ] || [ $in_script != 0 ] ||
    fault "custom action $action: type $type has no-impersonation (0x800) without in-script execution (0x400)"
  [ $((type & 0x4000)) = 0 ] || [ $in_script != 0 ] ||
    fault "custom action $action: type $type has terminal-server awareness (0x4000) without in-script execution (0x400)"
  [ $in_script = 0 ] || [ $((type & 0x300)) != $((0x300)) ] ||
    fault "custom action $action: type $type is both rollback and commit"
  if [ $in_script != 0 ]; then
    at=$(sequence_of InstallExecuteSequence "$action")
    [ -n "$at" ] && [ "$at" -gt "$initialize" ] && [ "$at" -lt "$finalize" ] ||
      fault "custom action $action: in-script, but not sequenced between InstallInitialize and InstallFinalize"
    [ -z "$(sequence_of InstallUISequence "$action")" ] ||
      fault "custom action $action: in-script, but in the InstallUISequence"
  fi
  if [ $((type & 0xc0)) = $((0xc0)) ]; then
    case " 2 18 34 50 " in
      *" $basic "*) ;;
      *) fault "custom action $action: type $type is asynchronous without waiting (0xC0), which only an executable may be" ;;
    esac
  elif [ $((type & 0x80)) != 0 ]; then
    case " 5 6 21 22 37 38 53 54 " in
      *" $basic "*) fault "custom action $action: type $type is an asynchronous (0x80) script" ;;
    esac
    [ $((type & 0x100)) = 0 ] || fault "custom action $action: type $type is an asynchronous (0x80) rollback action"
  fi
  case $basic in
    1|2|5|6)
      grep -qxF -- "$source" <<<"$binary_rows" ||
        fault "custom action $action: type $type names no Binary row ($source)" ;;
    17|18|21|22)
      grep -qxF -- "$source" <<<"$file_rows" || fault "custom action $action: type $type names no File row ($source)"
      for table in InstallUISequence InstallExecuteSequence; do
        at=$(sequence_of "$table" "$action")
        cost=$(sequence_of "$table" CostFinalize)
        [ -z "$at" ] || { [ -n "$cost" ] && [ "$at" -gt "$cost" ]; } ||
          fault "custom action $action: type $type runs an installed file before CostFinalize in the $table"
      done
      at=$(sequence_of InstallExecuteSequence "$action")
      [ -z "$at" ] || [ $in_script != 0 ] || [ "$at" -gt "$finalize" ] ||
        fault "custom action $action: type $type, immediate, runs an installed file before InstallFinalize in the InstallExecuteSequence" ;;
  esac
done < <(fields CustomAction)
[ $faults = "$faults_before" ] && pass "custom action types valid for their scheduling"
faults_before=$faults

# --- Upgrade rows (https://learn.microsoft.com/en-us/windows/win32/msi/upgrade-table):
# each ActionProperty is a public property listed in SecureCustomProperties,
# or a per-machine installation run elevated never sees it; VersionMin and
# VersionMax are not both null.
secure=";$(property SecureCustomProperties);"
while IFS=$'\037' read -r code low high _ _ _ action_property; do
  [ -n "$code" ] || continue
  [[ $action_property =~ ^[A-Z0-9_.]+$ ]] || fault "upgrade row $code: ActionProperty $action_property is not a public property"
  [[ $secure == *";$action_property;"* ]] || fault "upgrade row $code: $action_property is not in SecureCustomProperties"
  [ -n "$low$high" ] || fault "upgrade row $code: VersionMin and VersionMax are both null"
done < <(fields Upgrade)
[ $faults = "$faults_before" ] && pass "upgrade rows: public, secure properties and a version range"
faults_before=$faults

# --- Permission rows (https://learn.microsoft.com/en-us/windows/win32/msi/
# msilockpermissionsex-table): not beside a LockPermissions table (error
# 1941), each row names a row of File, Registry, CreateFolder or
# ServiceInstall, and its SDDLText holds no property (it is not formatted).
sddls=()
if has_table MsiLockPermissionsEx; then
  has_table LockPermissions && fault "the package has both MsiLockPermissionsEx and LockPermissions"
  sddl_column=$(export_table MsiLockPermissionsEx | awk -F'\t' 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "SDDLText") print i }')
  while IFS=$'\037' read -r lock object table _; do
    [ -n "$lock" ] || continue
    case $table in
      File|Registry|CreateFolder|ServiceInstall)
        has_table "$table" && rows "$table" | cut -f1 | grep -qxF "$object" ||
          fault "permission row $lock: no $table row $object" ;;
      *) fault "permission row $lock: $table is not File, Registry, CreateFolder or ServiceInstall" ;;
    esac
  done < <(fields MsiLockPermissionsEx)
  if [ -n "$sddl_column" ]; then
    while IFS= read -r sddl; do
      [[ $sddl != *"["* ]] || fault "SDDLText holds a property, which Windows Installer does not format: $sddl"
      sddls+=("$sddl")
    done < <(rows MsiLockPermissionsEx | cut -f"$sddl_column")
  fi
  [ $faults = "$faults_before" ] && pass "permission rows point at installed objects"
fi

# --- Every SDDLText parses, with the conversion Windows Installer 5 uses
# (a refused one fails the installation with error 1943).
sddl_status=0
if [ ${#sddls[@]} -gt 0 ]; then
  . "$root/cmake/wine-host.sh"
  if ! wine_use 64 "$work/prefix"; then
    echo "skipped: parsing the SDDLText: $WINE_WHY"
    sddl_status=77
  elif ! wine_prefix_ready null; then
    fault "cannot create the Wine prefix $WINEPREFIX"
  else
    parsed=$(WINE_TIMEOUT=60 wine_exec "$sddl_parse" "${sddls[@]}" </dev/null 2>&1)
    status=$?
    if [ $status = 0 ]; then
      pass "every SDDLText parses: $(tr '\n' ' ' <<<"$parsed")"
    else
      fault "an SDDLText does not parse (exit code $status): $parsed"
    fi
    timeout 30 "$WINESERVER" -k >/dev/null 2>&1
  fi
fi

if [ $faults != 0 ]; then
  echo "$faults faults in $msi"
  exit 1
fi
exit $sddl_status

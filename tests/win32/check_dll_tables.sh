#!/usr/bin/env bash
# Checks the export and import tables of the built plug-in DLL:
#   check_dll_tables.sh OBJDUMP DLL
# The host finds `talk` by its decorated name, and that must be the only
# export. The DLL must load on a bare Windows, so it may import only from the
# system's own DLLs, never from a run-time library of the tool chain.
set -euo pipefail

objdump=$1
dll=$2
expected_export='?talk@@YGXAAUBotEvent@@@Z'
system_dlls='^(kernel32|msvcrt|user32|advapi32|ntdll)\.dll$'

tables=$("$objdump" -p "$dll")
failed=0

# The first "Export Address Table" line holds the number of entries; a later
# one of the same form holds the table's address.
export_count=$(sed -n 's/^\tExport Address Table \t*\([0-9a-fA-F]*\)$/\1/p' <<<"$tables" | head -n1)
export_names=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\t\[ *[0-9]*\] //p' <<<"$tables")
if [ "$((16#${export_count:-0}))" -ne 1 ] || [ "$export_names" != "$expected_export" ]; then
  echo "exports: expected only $expected_export, found ${export_count:-no} entries:" >&2
  echo "$export_names" >&2
  failed=1
fi

imports=$(sed -n 's/^\tDLL Name: //p' <<<"$tables")
if [ -z "$imports" ]; then
  echo "imports: none found; not a DLL objdump can read?" >&2
  failed=1
fi
while read -r name; do
  if ! tr '[:upper:]' '[:lower:]' <<<"$name" | grep -Eq "$system_dlls"; then
    echo "imports: $name is not a Windows system DLL" >&2
    failed=1
  fi
done <<<"$imports"

if [ "$failed" -eq 0 ]; then
  echo "exports: $export_names"
  echo "imports: $(tr '\n' ' ' <<<"$imports")"
fi
exit "$failed"

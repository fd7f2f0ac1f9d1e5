#!/usr/bin/env bash
# Checks the shell extension's export table: the four server entry points by
# name with ordinals 1 to 4, and nothing else.
set -euo pipefail
objdump=$1 dll=$2
table=$("$objdump" -p "$dll")
names=$(printf '%s\n' "$table" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s+\[' || true)
expected=$'\t[   0] DllCanUnloadNow\n\t[   1] DllGetClassObject\n\t[   2] DllRegisterServer\n\t[   3] DllUnregisterServer'
if [ "$names" != "$expected" ]; then
  echo "unexpected export names in $dll:"; printf '%s\n' "$names"; exit 1
fi
printf '%s\n' "$table" | grep -q 'Export Address Table -- Ordinal Base 1' || { echo "ordinal base is not 1"; exit 1; }
count=$(printf '%s\n' "$table" | sed -n '/Export Address Table -- Ordinal Base/,/^$/p' | grep -c '+base\[')
[ "$count" = 4 ] || { echo "expected 4 exported addresses, found $count"; exit 1; }
# The version resource marks the module as self-registering.
LC_ALL=C grep -aq "$(printf 'O\0L\0E\0S\0e\0l\0f\0R\0e\0g\0i\0s\0t\0e\0r')" "$dll" || { echo "no OLESelfRegister entry"; exit 1; }
echo "exports of $(basename "$dll"): ordinals 1-4 DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer"

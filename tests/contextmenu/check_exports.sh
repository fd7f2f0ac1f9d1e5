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
grep -q 'Export Address Table -- Ordinal Base 1' <<<"$table" || { echo "ordinal base is not 1"; exit 1; }
count=$(printf '%s\n' "$table" | sed -n '/Export Address Table -- Ordinal Base/,/^$/p' | grep -c '+base\[')
[ "$count" = 4 ] || { echo "expected 4 exported addresses, found $count"; exit 1; }
# The version resource marks the module as self-registering.
LC_ALL=C grep -Paq 'O\x00L\x00E\x00S\x00e\x00l\x00f\x00R\x00e\x00g\x00i\x00s\x00t\x00e\x00r\x00' "$dll" || { echo "no OLESelfRegister entry"; exit 1; }
echo "exports of $(basename "$dll"): ordinals 1-4 DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer"

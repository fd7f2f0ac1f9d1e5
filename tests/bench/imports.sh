#!/usr/bin/env bash
# imports.sh <build-root>
# Fails when a deliverable imports a DLL that a bare Windows does not ship
# (a MinGW runtime DLL, say). Deliverables not built yet are reported and skipped.
# Windows on ARM has every DLL of the list as an ARM64 one, so the list holds
# for the ARM64 shell extension too.
set -uo pipefail
[ $# -eq 1 ] || { echo "usage: imports.sh <build-root>" >&2; exit 2; }
root=$1
# One line, blank-separated: the match below looks for " NAME ".
allowed=" KERNEL32.DLL USER32.DLL GDI32.DLL ADVAPI32.DLL SHELL32.DLL SHLWAPI.DLL COMCTL32.DLL COMDLG32.DLL "
allowed+="OLE32.DLL OLEAUT32.DLL WINSPOOL.DRV SETUPAPI.DLL WS2_32.DLL MSVCRT.DLL UXTHEME.DLL VERSION.DLL "
allowed+="MSIMG32.DLL IPHLPAPI.DLL WINHTTP.DLL OLEACC.DLL "
deliverables=(
  "win64/app/Orvex.exe x86_64-w64-mingw32-objdump"
  "win64/contextmenu/Tilmar64.dll x86_64-w64-mingw32-objdump"
  "win32/contextmenu/Tilmar.dll i686-w64-mingw32-objdump"
  "arm64/contextmenu/TilmarArm64.dll llvm-objdump"
)
bad=0 checked=0
for d in "${deliverables[@]}"; do
  read -r rel objdump <<<"$d"
  file=$root/$rel
  if [ ! -f "$file" ]; then
    echo "skip $rel: not built"
    continue
  fi
  checked=$((checked + 1))
  dlls=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:lower:]' '[:upper:]' | sort -u)
  if [ -z "$dlls" ]; then
    echo "FAIL $rel: objdump found no imports"; bad=$((bad + 1)); continue
  fi
  for dll in $dlls; do
    if [[ $allowed == *" $dll "* ]]; then
      echo "ok   $rel imports $dll"
    else
      echo "FAIL $rel imports $dll, which a bare Windows does not have"
      bad=$((bad + 1))
    fi
  done
done
echo "$checked deliverable(s) checked, $bad unexpected import(s)"
[ $bad -eq 0 ]

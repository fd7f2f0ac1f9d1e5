#!/usr/bin/env bash
# Installs OrvaneSetup.exe silently into a fresh Wine prefix, checks the files and
# the registry, uninstalls silently and checks that nothing is left; once with the
# silent default language (EN) and once with /LANG=GR.
# The 32-bit extension cannot be registered where no 32-bit programs run, so only
# the 64-bit registration is checked. Exit 77 (skip) when the installer or one of
# the programs it carries has not been built yet; failures are reported first.
# The programs, as staged and as installed, carry no DWARF sections, and each has
# its debug file in <build>/symbols, the one its .gnu_debuglink names (by CRC).
set -uo pipefail
. "$(dirname "$0")/packaging_lib.sh" packaging "${ORVANE_BUILD_DIR:-}/OrvaneSetup.exe"
setup=$package
fresh_prefix

if leftovers >/dev/null; then fail "the fresh prefix already mentions the product"; fi

objdump=x86_64-w64-mingw32-objdump objcopy=x86_64-w64-mingw32-objcopy
# stripped <program>: no .debug_* section in it.
stripped() {
  local sections
  sections=$("$objdump" -h "$1" | awk '$2 ~ /^\.debug_/ { print $2 }' | tr '\n' ' ')
  [ -z "$sections" ] || fail "$1 carries $sections"
}
# debug_file_of <program>: its .gnu_debuglink names a file in the symbols folder whose CRC it holds.
debug_file_of() {
  local link=$build/debuglink.bin
  "$objcopy" --dump-section .gnu_debuglink="$link" "$1" "$build/debuglink.copy" 2>/dev/null
  rm -f "$build/debuglink.copy"
  python3 - "$link" "$build/symbols" "$1" <<'PY' || fail "$1 has no matching debug file in $build/symbols"
import os, struct, sys, zlib
raw = open(sys.argv[1], "rb").read()
name = raw.split(b"\0", 1)[0].decode()
crc, = struct.unpack("<I", raw[-4:])
path = os.path.join(sys.argv[2], name)
ok = name and os.path.isfile(path) and zlib.crc32(open(path, "rb").read()) == crc
print(f"{os.path.basename(sys.argv[3])}: debug file {path if ok else '(none)'}")
sys.exit(0 if ok else 1)
PY
  rm -f "$link"
}
for f in Orvex.exe Tilmar64.dll Tilmar.dll; do
  [ -f "$stage/$f" ] || continue
  stripped "$stage/$f"
  debug_file_of "$stage/$f"
done

# GR also leaves Windows 11's entry out (/NOSHELLPACKAGE): no registration, nothing to say.
for lang in EN GR; do
  args=(/S); [ "$lang" = EN ] || args+=("/LANG=$lang" /NOSHELLPACKAGE)
  rm -f "$WINEPREFIX"/drive_c/users/*/Temp/OrvaneSetup.log
  "$wine" "$setup" "${args[@]}"; rc=$?
  settle
  [ $rc -eq 0 ] || fail "$lang: installer exit code $rc"
  for f in "${files[@]}" uninstall.exe; do
    [ -f "$stage/$f" ] || [ "$f" = uninstall.exe ] || continue
    [ -f "$dir/$f" ] || fail "$lang: $f not installed"
  done
  for f in Orvex.exe Tilmar64.dll Tilmar.dll; do
    [ -f "$dir/$f" ] || continue
    stripped "$dir/$f"
    cmp -s "$stage/$f" "$dir/$f" || fail "$lang: the installed $f is not the staged one"
  done
  language_is "$lang"
  said=$(cat "$WINEPREFIX"/drive_c/users/*/Temp/OrvaneSetup.log 2>/dev/null)
  if [ "$lang" = EN ]; then
    [[ $said == *"$not_registered"*ORVANE_SHELL_CERT* ]] || fail "EN: the log does not say the entry failed: '$said'"
    every_user EN
  else
    [ -z "$said$(value "$active_setup" StubPath)" ] || fail "GR: /NOSHELLPACKAGE still registers: '$said'"
  fi
  got=$(value 'Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane Suite' UninstallString)
  [ "$got" = '\"C:\\Program Files\\Orvane Suite\\uninstall.exe\"' ] || fail "$lang: UninstallString is '$got'"
  if [ -f "$stage/Tilmar64.dll" ]; then
    got=$(value "Software\\\\Classes\\\\CLSID\\\\$clsid\\\\InprocServer32" @)
    [ "$got" = 'C:\\Program Files\\Orvane Suite\\Tilmar64.dll' ] || fail "$lang: 64-bit InprocServer32 is '$got'"
    got=$(value 'Software\\Classes\\*\\shellex\\ContextMenuHandlers\\OrvaneMenuExt' @)
    [ "${got,,}" = "${clsid,,}" ] || fail "$lang: context-menu handler key holds '$got'"
    got=$(value 'Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved' "$clsid")
    [ "$got" = Orvane ] || fail "$lang: approved-extension value is '$got'"
  fi
  echo "$lang: installed $(ls "$dir" | wc -l) files"

  # The uninstaller copies itself to the temporary folder and goes on from there;
  # waiting for the Wine server to empty waits for that copy too.
  "$wine" "$dir/uninstall.exe" /S; rc=$?
  settle
  [ $rc -eq 0 ] || fail "$lang: uninstaller exit code $rc"
  [ ! -e "$dir" ] || fail "$lang: left behind: $(ls -A "$dir" | tr '\n' ' ')"
  if leftovers; then fail "$lang: registry entries left behind (above)"; fi
  echo "$lang: uninstalled"
done

finish "installer: install, registry and uninstall checks passed"

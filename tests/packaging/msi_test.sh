#!/usr/bin/env bash
# msi_test.sh 64|32: OrvaneSetup.msi under Wine's msiexec, in a fresh prefix: its registry is what
# regsvr32 of both extensions writes (for the 32-bit view "64" writes the 64-bit keys again for
# Tilmar.dll, "32" runs the 32-bit regsvr32 and is skipped without 32-bit Wine) plus the language;
# uninstalling leaves nothing; "64" also checks the tables, upgrades and the shell extension.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bits=${1:-64}
. "$here/packaging_lib.sh" "msi$bits" "${ORVANE_BUILD_DIR:-}/OrvaneSetup.msi"
snapshot() { python3 "$here/registry_snapshot.py" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }
version=$(cat "$package.sources/version.txt")
# msi <args...>: msiexec silently (with the full user interface when ui is set empty),
# logged to $build/msi<bits>.log, timed; its exit code.
msi() {
  local rc out try start=$(date +%s%N)
  for try in 1 2; do
    # Its output goes to a file: Wine's helper processes would hold a pipe open.
    timeout 120 "$wine" msiexec "$@" ${ui-/qn} /l*v "$(winpath "$build/msi$bits.log")" >"$build/msi$bits.out" 2>&1; rc=$?
    [ $rc -ne 124 ] || { echo "msiexec still runs (a message box?)"; /usr/lib/wine/wineserver -k; }; settle
    out=$(cat "$build/msi$bits.out"); [ -z "$out" ] || echo "$out" >&2
    # Now and then Wine's loader fails to start msiexec.exe at all and hands the name to
    # start.exe, which says so: msiexec never ran, so it is started once more.
    [ $try = 1 ] && grep -q '^Application could not be started' <<<"$out" || break
    echo "Wine did not start msiexec; starting it again"
  done
  echo "msiexec $1 ${2##*\\}: $(( ($(date +%s%N) - start) / 1000000 )) ms, exit code $rc"; return $rc
}
# shell_test <loader> <test tree>: the shell-extension test run from the installation folder.
shell_test() {
  cp "$2"/tests/contextmenu/stage/{tilmar_shell_test,Recorder}.exe "$dir/" &&
    (cd "$dir" && "$1" ./tilmar_shell_test.exe --gtest_brief=1) || fail "the shell-extension test failed"; settle
  for entry in "$dir"/*; do grep -qxF "${entry##*/}" "$package.sources/files.txt" || rm -rf "$entry"; done
}
as_staged() { for f in "${files[@]}"; do [ ! -f "$stage/$f" ] || cmp -s "$stage/$f" "$dir/$f" || fail "$1: $f is not the staged one"; done; }
arp_keys() { grep -o '^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\{[^]]*' "$WINEPREFIX/system.reg" | cut -c2-; }

if [ "$bits" = 32 ]; then  # the bench's runner decides whether 32-bit programs run here
  why=$("$here/../bench/wine-run.sh" /usr/lib/wine/wine hostname.exe 2>&1)
  [ $? -ne 77 ] || { echo "$why"; exit 77; }
else
  table() { msiinfo export "$package" "$1" | tr -d '\r'; }
  summary=$(msiinfo suminfo "$package")
  grep -q '^Template: x64;' <<<"$summary" || fail "the summary does not name x64"
  [ $(( $(sed -n 's/^Source: \([0-9]*\).*/\1/p' <<<"$summary") & 8 )) -eq 0 ] || fail "the summary asks for a per-user install"
  grep -qx $'ALLUSERS\t1' <<<"$(table Property)" || fail "ALLUSERS is not 1"
  grep -q $'^NOT WIX_DOWNGRADE_DETECTED\tA newer version of Orvane Suite is already installed' <<<"$(table LaunchCondition)" ||
    fail "no message refusing an older version"
  ! grep -qx SelfReg <<<"$(msiinfo tables "$package" | tr -d '\r')" || [ "$(table SelfReg | wc -l)" -le 3 ] || fail "the package self-registers"
fi

fresh_prefix
cp "$WINEPREFIX/system.reg" "$build/msi$bits-before.reg"
# What regsvr32 writes, in the same place; then the fresh prefix again.
mkdir -p "$dir" && cp "$stage/Tilmar64.dll" "$stage/Tilmar.dll" "$dir/"
for view in 64 32; do "$wine" reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved' /f /reg:$view >/dev/null; done
"$wine" regsvr32 /s 'C:\Program Files\Orvane Suite\Tilmar64.dll' || fail "regsvr32 Tilmar64.dll"
settle; if [ "$bits" = 32 ]; then
  /usr/lib/wine/wine regsvr32 /s 'C:\Program Files\Orvane Suite\Tilmar.dll' || fail "regsvr32 Tilmar.dll"
else
  snapshot as-32-bit "$WINEPREFIX/system.reg" > "$build/msi-as-32-bit.reg"
  "$wine" reg import "$(winpath "$build/msi-as-32-bit.reg")" /reg:32 || fail "reg import /reg:32"
fi
settle; snapshot product "$WINEPREFIX/system.reg" > "$build/msi$bits-regsvr32.txt"
rm -rf "$dir" && cp "$build/msi$bits-before.reg" "$WINEPREFIX/system.reg"

msi /i "$(winpath "$package")" LANGCODE=XX || [ -e "$dir" ] && fail "LANGCODE=XX was taken"
msi /i "$(winpath "$package")" || fail "msiexec /i"
grep -a -q "$not_registered" "$build/msi$bits.log" || fail "the log does not say the entry failed"
grep -a -q '^Property(S): NATIVEMACHINE = 34404$' "$build/msi$bits.log" || fail "the machine is not found to be x64"
every_user install
as_staged install
language_is EN
snapshot product "$WINEPREFIX/system.reg" | diff -u "$build/msi$bits-regsvr32.txt" - || fail "the registry differs from what regsvr32 writes (above)"
arp=$(arp_keys | head -1)
for check in "DisplayName=Orvane Suite" "Publisher=Corvath" "DisplayVersion=$version" 'HelpLink=C:\\Program Files\\Orvane Suite\\HELP.chm'; do
  [ "$(value "$arp" "${check%%=*}")" = "${check#*=}" ] || fail "Programs and Features: ${check%%=*} is '$(value "$arp" "${check%%=*}")'"
done
icon=$(grep -a -o '"ProductIcon"="[^"]*' "$WINEPREFIX/system.reg" | sed 's/.*="C:/drive_c/; s/\\\\/\//g')
[ -n "$icon" ] && cmp -s "$WINEPREFIX/$icon" "$here/../../resources/orvex.ico" || fail "no program icon for Programs and Features"
[ "$bits" = 32 ] && shell_test /usr/lib/wine/wine "$build/../win32"
msi /x "$(winpath "$package")" || fail "msiexec /x"
[ ! -e "$dir" ] || fail "left behind: $(ls -A "$dir" | tr '\n' ' ')"
if leftovers; then fail "registry entries left behind (above)"; fi
keys() { grep -o '^\[[^]]*\]' "$1" | tr A-Z a-z | sort; }  # the new keys, but for the Installer's own and the devices'
comm -13 <(keys "$build/msi$bits-before.reg") <(keys "$WINEPREFIX/system.reg") | grep -v -i -E '\\Installer(\\|\])|^\[System\\' && fail "keys left behind (above)"
[ "$bits" = 32 ] && finish "msi 32-bit: registry as regsvr32 writes it, the shell extension works, uninstall clean"

# An older package with older files, in a Japanese session with the full user interface;
# this one over it; the older one again.
old=$build/msi-older
rm -rf "$old-stage" && cp -r "$stage" "$old-stage" && echo "; older" >> "$old-stage/LOCAL.dat"
"$here/../../installer/make-msi.sh" wixl "$old-stage" "$old.msi" 0.9.0 2>/dev/null || fail "the older package did not build"
# Without the package: the failed registration's warning would wait for a click.
{ LC_ALL=ja_JP.UTF-8 ui= msi /i "$(winpath "$old.msi")" SHELLPACKAGE=0; } 2>/dev/null || fail "older: msiexec /i"
language_is JP  # without LANGCODE, the user's language
! grep -a -q "$not_registered" "$build/msi64.log" && [ -z "$(value "$active_setup" StubPath)" ] ||
  fail "SHELLPACKAGE=0 still registers the package"
msi /i "$(winpath "$package")" LANGCODE=GR || fail "upgrade: msiexec /i"
every_user upgrade
mapfile -t entries < <(arp_keys)
[ ${#entries[@]} -eq 1 ] && [ "$(value "${entries[0]}" DisplayVersion)" = "$version" ] ||
  fail "Programs and Features lists ${#entries[@]} entries, not one at $version"
as_staged upgrade
language_is GR
msi /i "$(winpath "$old.msi")" && fail "the older package installed over the newer one"
# Wine's msiexec leaves the launch condition's message out of the log; the table holds it.
grep -a -q '^Property(S): WIX_DOWNGRADE_DETECTED = {' "$build/msi64.log" || fail "the log does not show the newer version found"
shell_test "$wine" "$build"
msi /x "$(winpath "$package")" || fail "msiexec /x after the upgrade"
rm -rf "$old-stage" "$old.msi" "$old.msi.sources"
finish "msi: package tables, silent install, registry as regsvr32 writes it, uninstall, upgrade and downgrade refusal passed"

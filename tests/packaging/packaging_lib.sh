# . packaging_lib.sh <prefix name> <package>: shared by the installer tests under Wine: a fresh
# prefix (so that "nothing left" means something), the display, the files, the registry, failures.
build=${ORVANE_BUILD_DIR:?run from CTest}
stage=$build/stage
package=$2
wine=/usr/lib/wine/wine64
clsid='{9061A1F6-6F41-418e-9B9F-3BCB2DDF79F1}'
[ -f "$package" ] || { echo "SKIP: $package has not been built (tools/build.sh builds it)"; exit 77; }

export WINEPREFIX=$build/$1-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "${ORVANE_BENCH_DIR:-/nonexistent}/env" ] && DISPLAY=$(. "$ORVANE_BENCH_DIR/env"; echo "${DISPLAY:-}") && export DISPLAY
dir="$WINEPREFIX/drive_c/Program Files/Orvane Suite"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
settle() { /usr/lib/wine/wineserver -w; }   # every process ended, registry saved
fresh_prefix() { rm -rf "$WINEPREFIX"; "$wine" wineboot -i >/dev/null 2>&1; settle; }

# The files both installers carry (tools/make_package_sources.py expands installer/files.txt).
mapfile -t files < "$package.sources/files.txt"
missing=()
for f in "${files[@]}"; do [ -f "$stage/$f" ] || missing+=("$f"); done

# value <key as in system.reg> <value name or @>: the stored text of a string value
value() {
  KEY="[$1]" NAME="$2" awk '
    BEGIN { key = tolower(ENVIRON["KEY"]); name = ENVIRON["NAME"]
            name = tolower(name == "@" ? "@=" : "\"" name "\"=") }
    index($0, "[") == 1 { inside = tolower(substr($0, 1, length(key))) == key && substr($0, length(key) + 1, 1) == " "; next }
    inside && tolower(substr($0, 1, length(name))) == name { v = substr($0, length(name) + 1); gsub(/^"|"$/, "", v); print v; exit }
  ' "$WINEPREFIX/system.reg"
}
# Windows 11's menu entry: Wine's PowerShell is a stand-in that does nothing, so the package is never registered here.
active_setup='Software\\Microsoft\\Active Setup\\Installed Components\\{3F7A1C52-6B0D-4E89-A4D3-91C2E5B7F0A6}'
not_registered='entry in the Windows 11 context menu could not be registered: PowerShell did not carry out the registration. The classic entry'
# every_user <what>: the Active Setup entry registers this machine's package at each user's logon.
every_user() {
  local stub; stub=$(value "$active_setup" StubPath)
  [[ $stub == *"Add-AppxPackage -Path 'C:\\\\Program Files\\\\Orvane Suite\\\\OrvaneShell.msix'"* ]] ||
    fail "$1: Active Setup runs '$stub'"
  [[ $(value "$active_setup" Version) =~ ^20[0-9]{2},[0-9]{3,4},[0-9]{1,4},[0-9]{1,2}$ ]] ||
    fail "$1: Active Setup version '$(value "$active_setup" Version)' is not the install's time"
}
leftovers() { grep -i -n -E 'Orvane|Tilmar|QELLangCode|9061A1F6|\\QEL\]|\\QEL\\' "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg"; }
# language_is <code>: the value both programs read, in both registry views.
language_is() {
  for key in 'Software\\QEL\\Orvane Suite' 'Software\\Wow6432Node\\QEL\\Orvane Suite'; do
    [ "$(value "$key" QELLangCode)" = "$1" ] || fail "QELLangCode under $key is '$(value "$key" QELLangCode)', not '$1'"
  done
}

# finish: removes the prefix; exit 1 on failures, 77 when the build was incomplete.
finish() {
  /usr/lib/wine/wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
  [ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
  [ ${#missing[@]} -eq 0 ] || { echo "SKIP: the package was built without ${missing[*]} (not built yet); what it has passed"; exit 77; }
  echo "$*"; exit 0
}

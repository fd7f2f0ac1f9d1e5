#!/usr/bin/env bash
# with-dpi.sh <dpi> <command> [args...]
# Runs the command with the bench's screen scale at <dpi> (HKCU\Control Panel\Desktop
# LogPixels, which each Wine program reads as it starts) and puts the old value back
# afterwards, also when the command fails. At 96 the command runs as it is.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
dpi=$1; shift
[ "$dpi" = 96 ] && exec "$@"
key='HKCU\Control Panel\Desktop'
old=$("$here/reg.sh" query "$key" LogPixels 2>/dev/null | awk '$1 == "LogPixels" {print $3}')
restore() {
  if [ -n "$old" ]; then "$here/reg.sh" set "$key" LogPixels REG_DWORD "$old"
  else "$here/reg.sh" delete "$key" LogPixels; fi
}
trap restore EXIT
"$here/reg.sh" set "$key" LogPixels REG_DWORD "$dpi" || exit 1
"$@"

#!/usr/bin/env bash
# Registry values in the bench's Wine prefix, through wine64's reg.exe.
#   reg.sh set <key> <name> <REG_SZ|REG_DWORD|REG_BINARY> <data> [--32]
#   reg.sh delete <key> [<name>] [--32]     without a name: the whole key
#   reg.sh query <key> [<name>] [--32]      prints reg.exe's listing; exit 1 if missing
# <key> starts with HKLM\ or HKCU\ (or HKEY_LOCAL_MACHINE\, HKEY_CURRENT_USER\).
# <name> "" is the key's default value. REG_DWORD data: decimal or 0x hex;
# REG_BINARY data: hex digits ("0a0b0c"). --32 works on the 32-bit view (Wow6432Node).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
DIR=${ORVANE_BENCH_DIR:-$(cd "$here/../.." && pwd)/build/bench}
usage() { sed -n '2,8p' "$0" >&2; exit 2; }
[ -f "$DIR/env" ] || { echo "reg: the bench is not up ($DIR)" >&2; exit 1; }
# shellcheck source=/dev/null
. "$DIR/env"

view=()
args=()
for a in "$@"; do
  if [ "$a" = --32 ]; then view=(/reg:32); else args+=("$a"); fi
done
set -- "${args[@]}"
[ $# -ge 2 ] || usage
cmd=$1 key=$2
case $key in
  HKLM\\*|HKCU\\*|HKEY_LOCAL_MACHINE\\*|HKEY_CURRENT_USER\\*) ;;
  *) echo "reg: key must start with HKLM\\ or HKCU\\: $key" >&2; exit 2 ;;
esac
name_args() {  # name -> reg.exe's value selector
  if [ -z "$1" ]; then echo /ve; else printf '%s\n' /v "$1"; fi
}
PY=/usr/bin/python3
[ -x "$PY" ] || PY=$(command -v python3)
# Through the runner: Wine processes started on the way must not hold our caller's pipes.
reg() { "$PY" "$here/benchd.py" run /usr/lib/wine/wine64 reg "$@" "${view[@]}"; }

case $cmd in
  set)
    [ $# -eq 5 ] || usage
    type=$4 data=$5
    case $type in
      REG_SZ|REG_BINARY) ;;
      REG_DWORD) [[ $data =~ ^(0x[0-9A-Fa-f]+|[0-9]+)$ ]] || { echo "reg: bad REG_DWORD: $data" >&2; exit 2; }
                 data=$((data)) ;;
      *) echo "reg: unsupported type $type" >&2; exit 2 ;;
    esac
    mapfile -t sel < <(name_args "$3")
    reg add "$key" "${sel[@]}" /t "$type" /d "$data" /f >/dev/null ;;
  delete)
    if [ $# -eq 3 ]; then
      mapfile -t sel < <(name_args "$3")
      reg delete "$key" "${sel[@]}" /f >/dev/null
    elif [ $# -eq 2 ]; then
      reg delete "$key" /f >/dev/null
    else usage; fi ;;
  query)
    if [ $# -eq 3 ]; then
      mapfile -t sel < <(name_args "$3")
      reg query "$key" "${sel[@]}"
    elif [ $# -eq 2 ]; then
      reg query "$key"
    else usage; fi ;;
  *) usage ;;
esac

#!/usr/bin/env bash
# wine-run.sh <wine-loader> <program> [args...]
# Runs a Windows program in the bench (its display, prefix, CUPS server and agent
# addresses) and returns the program's exit code. 77 (CTest's skip code) when the
# loader is 32-bit Wine and this machine's kernel refuses 32-bit programs.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
DIR=${ORVANE_BENCH_DIR:-$(cd "$here/../.." && pwd)/build/bench}

if [ $# -lt 2 ]; then
  echo "usage: wine-run.sh <wine-loader> <program> [args...]" >&2
  exit 2
fi
loader=$1; shift

# Only a kernel that refuses i386 executables makes this a skip; 32-bit Wine
# missing or broken is a failure.
if [ "$loader" = /usr/lib/wine/wine ] && ! why=$("$loader" --version 2>&1); then
  case $why in
    *"Exec format error"*)
      echo "SKIP: 32-bit Wine cannot run on this machine (the kernel refuses i386 executables)"
      exit 77 ;;
    *)
      echo "wine-run: 32-bit Wine does not start: $why" >&2
      exit 1 ;;
  esac
fi
if [ ! -f "$DIR/env" ]; then
  echo "wine-run: the bench is not up ($DIR/env missing; run tests/bench/bench.sh up)" >&2
  exit 1
fi
# shellcheck source=/dev/null
. "$DIR/env"
PY=/usr/bin/python3
[ -x "$PY" ] || PY=$(command -v python3)
exec "$PY" "$here/benchd.py" run "$loader" "$@"

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

# Only a kernel that refuses i386 executables, or a package mirror that could not
# give 32-bit Wine (recorded by tools/install-deps.sh), makes this a skip; 32-bit
# Wine missing otherwise, or broken, is a failure.
i386_marker=/var/tmp/orvane-i386-install-failed
if [ "$loader" = /usr/lib/wine/wine ] && [ ! -e "$loader" ] && [ -s "$i386_marker" ]; then
  echo "SKIP: 32-bit Wine could not be installed (the package mirror refused it: $(head -c 200 "$i386_marker"))"
  exit 77
fi
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

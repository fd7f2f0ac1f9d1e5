#!/usr/bin/env bash
# no_printer.sh <wine-loader> <test_tabs_flow.exe>: the no-printer case. Wine's
# spooler reads CUPS on the Unix side of each process, so the CUPS server must be
# unreachable in the environment that Orvex inherits; afterwards a process with
# the bench's server brings the queues and the default printer back.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bench=$here/../bench
DIR=${ORVANE_BENCH_DIR:-$(cd "$here/../.." && pwd)/build/bench}
[ $# -eq 2 ] || { echo "usage: no_printer.sh <wine-loader> <test exe>" >&2; exit 2; }
[ -f "$DIR/env" ] || { echo "no_printer: the bench is not up ($DIR)" >&2; exit 1; }
# shellcheck source=/dev/null
. "$DIR/env"
PY=/usr/bin/python3
[ -x "$PY" ] || PY=$(command -v python3)
CUPS_SERVER=$DIR/no-such-cups.sock ORVANE_TABS_NO_CUPS=1 \
  "$PY" "$bench/benchd.py" run "$1" "$2" --gtest_filter='TabsFlow.NoPrinterAtAll'
rc=$?
"$PY" "$bench/benchd.py" run "$1" "$2" --sync-printers "$ORVANE_QUEUE_1" || echo "no_printer: queues not restored" >&2
exit $rc

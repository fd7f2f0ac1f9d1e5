#!/usr/bin/env bash
# Benchmark (prints figures, judges nothing): Orvex -L -C over the bench's three
# queues (the default answering the private object, an IPP-only printer, a silent
# one) against one check of each alone, every run timed from start to exit.
# The checks of -L -C run at the same time: its time should stay near the
# slowest single check (the silent printer, whose sources all wait), not the sum.
#   list_bench.sh [ROUNDS]      ORVANE_BUILD_ROOT: the build root (default build/)
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
root=${ORVANE_BUILD_ROOT:-$src/build}
rounds=${1:-5}
DIR=${ORVANE_BENCH_DIR:-$root/bench}
[ -f "$DIR/env" ] || { echo "the bench is not up ($DIR)"; exit 1; }
# shellcheck source=/dev/null
. "$DIR/env"
cmake --build "$root/win64" --target Orvex >/dev/null
orvex="Z:$(tr / '\\' <<<"$root/win64/app/Orvex.exe")"
wine=/usr/lib/wine/wine64
ports='HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\Standard TCP/IP Port\Ports'

map() {  # queue agent: the queue's port names the agent's address, as the Wine tests map it
  local address=${2%:*}
  "$wine" reg add "$ports\\CUPS:$1" /v IPAddress /d "$address" /f >/dev/null 2>&1
}
map "$ORVANE_QUEUE_1" "$ORVANE_AGENT_PDFJPEG"
map "$ORVANE_QUEUE_2" "$ORVANE_AGENT_IPPONLY"
map "$ORVANE_QUEUE_3" "$ORVANE_AGENT_SILENT"
trap 'for q in "$ORVANE_QUEUE_1" "$ORVANE_QUEUE_2" "$ORVANE_QUEUE_3"; do
        "$wine" reg delete "$ports\\CUPS:$q" /f >/dev/null 2>&1 || true; done' EXIT

timed() {  # arguments...: seconds of one run of Orvex with them
  local start end
  start=$(date +%s.%N)
  "$wine" "$orvex" "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

timed -L >/dev/null  # the prefix's first start is not measured
declare -A runs
for ((r = 0; r < rounds; r++)); do
  runs[list]+="$(timed -L) "
  runs[one1]+="$(timed -C -M "$ORVANE_QUEUE_1") "
  runs[one2]+="$(timed -C -M "$ORVANE_QUEUE_2") "
  runs[one3]+="$(timed -C -M "$ORVANE_QUEUE_3") "
  runs[all]+="$(timed -L -C) "
done
m() { tr ' ' '\n' <<<"${runs[$1]}" | grep . | median; }
printf 'load: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-34s median of %d: %6.2f s\n' "-L (no check)" "$rounds" "$(m list)" \
  "-C answering ($ORVANE_QUEUE_1)" "$rounds" "$(m one1)" "-C IPP only ($ORVANE_QUEUE_2)" "$rounds" "$(m one2)" \
  "-C silent ($ORVANE_QUEUE_3)" "$rounds" "$(m one3)" "-L -C (all three)" "$rounds" "$(m all)"
slowest=$(printf '%s\n' "$(m one1)" "$(m one2)" "$(m one3)" | sort -n | tail -1)
printf '%-34s %6.2f (target <= 1.5)\n' "-L -C / slowest single -C" "$(echo "$(m all) / $slowest" | bc -l)"

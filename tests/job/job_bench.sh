#!/usr/bin/env bash
# Throughput of the job sender against the thinnest raw job (rawprint.exe: open the
# printer, start a document, WritePrinter straight from the file) on the same bench queue.
#   job_bench.sh [build-tree]        (default build/win64; the bench must be up)
# Sizes in bytes from JOB_BENCH_SIZES (default 100 MiB, 1 GiB, 2 GiB); JOB_BENCH_LP=1 adds
# `lp -o raw`. For each size a random file is sent once each way; a run's time is from the
# program's start until the capture listener has the whole job. Prints figures; judges nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
tree=${1:-$src/build/win64}
. "$here/bench_common.sh"
queue=$ORVANE_QUEUE_3
exe=$tree/tests/job/job_bench.exe
raw=$tree/tests/bench/rawprint.exe
for f in "$exe" "$raw"; do [ -f "$f" ] || { echo "job_bench: $f not built" >&2; exit 1; }; done
sizes=${JOB_BENCH_SIZES:-"104857600 1073741824 2147483648"}
work=$DIR/jobbench
mkdir -p "$work"
trap 'rm -rf "$work"; "$src/tests/bench/jobs.sh" clear "$queue" || true' EXIT

now() { date +%s.%N; }
mbps() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.1f", b / 1048576 / s }'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }

# Runs one sender, waits for its job, checks that the file arrived whole inside it
# (after `skip` header bytes, before `tail` trailer bytes) and prints the seconds taken.
deliver() {  # size skip-mode tail command...
  local size=$1 mode=$2 tail=$3; shift 3
  settle_queue "$queue"
  local t0 t1 job got
  t0=$(now)
  "$@" >"$work/out"
  "$src/tests/bench/jobs.sh" wait "$queue" 1 1800
  t1=$(now)
  job=$("$src/tests/bench/jobs.sh" list "$queue" | head -n1)
  got=$(stat -c %s "$job")
  if [ "$mode" = exact ]; then
    [ "$got" -eq "$size" ] || { echo "job_bench: job of $got bytes, not $size" >&2; exit 1; }
  fi
  cmp -s <(tail -c $((size + tail)) "$job" | head -c "$size") "$file" ||
    { echo "job_bench: job of $got bytes does not carry the file" >&2; exit 1; }
  "$src/tests/bench/jobs.sh" clear "$queue"
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}

lp_on=${JOB_BENCH_LP:-0}
printf '%-11s %-8s %-8s %-8s %-8s %-9s %-8s %-10s %-10s %-6s %-11s %s\n' size copy_s print_s enddoc_s sender_s \
  thin_s lp_s sender_MB/s thin_MB/s ratio peak_ws_MiB thin_peak_MiB
for size in $sizes; do
  file=$work/bench_$size.pdf
  head -c "$size" /dev/urandom >"$file"
  thin=$(deliver "$size" exact 0 "$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$raw" "$(winpath "$file")" "$queue")
  thinpeak=$(field peak_ws "$(cat "$work/out")")
  sender=$(deliver "$size" job 9 "$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$exe" "$(winpath "$file")" "$queue")
  stats=$(cat "$work/out")
  lp=-
  [ "$lp_on" = 1 ] && lp=$(deliver "$size" exact 0 lp -d "$queue" -o raw "$file")
  printf '%-11s %-8s %-8s %-8s %-8s %-9s %-8s %-10s %-10s %-6s %-11s %s\n' "$size" "$(field copy "$stats")" \
    "$(field print "$stats")" "$(field enddoc "$stats")" "$sender" "$thin" "$lp" \
    "$(mbps "$size" "$sender")" "$(mbps "$size" "$thin")" "$(awk -v s="$sender" -v t="$thin" 'BEGIN { printf "%.2f", t / s }')" \
    "$(awk -v p="$(field peak_ws "$stats")" 'BEGIN { printf "%.1f", p / 1048576 }')" \
    "$(awk -v p="$thinpeak" 'BEGIN { printf "%.1f", p / 1048576 }')"
  rm -f "$file"
done
echo "ratio = sender MB/s / thin MB/s (0.85 is the goal); copy/print/enddoc = the sender's header built," \
  "WritePrinter done, document ended (seconds from its start); peak_ws = the sending process's peak working set"

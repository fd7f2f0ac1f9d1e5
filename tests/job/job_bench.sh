#!/usr/bin/env bash
# Throughput of SendDataToDevice against `lp -o raw` on the same bench queue.
#   job_bench.sh [build-tree]        (default build/win64; the bench must be up)
# Sizes in bytes from JOB_BENCH_SIZES (default 1 MiB, 100 MiB, 1 GiB). For each size a
# random file is sent once each way; "delivered" is from the start of the sender
# until the capture listener has the whole job. Prints figures; judges nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
tree=${1:-$src/build/win64}
DIR=${ORVANE_BENCH_DIR:-$src/build/bench}
[ -f "$DIR/env" ] || { echo "job_bench: the bench is not up ($DIR)" >&2; exit 1; }
. "$DIR/env"
queue=$ORVANE_QUEUE_3
exe=$tree/tests/job/job_bench.exe
[ -f "$exe" ] || { echo "job_bench: $exe not built" >&2; exit 1; }
sizes=${JOB_BENCH_SIZES:-"1048576 104857600 1073741824"}
work=$DIR/jobbench
mkdir -p "$work"
trap 'rm -rf "$work"; "$src/tests/bench/jobs.sh" clear "$queue" || true' EXIT

now() { date +%s.%N; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
mbps() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.1f", b / 1048576 / s }'; }

printf '%-11s %-9s %-9s %-9s %-9s %-9s %-10s %-10s %-7s %-12s %s\n' size call_s copy_s write_s sender_s lp_s \
  sender_MB/s lp_MB/s ratio peak_ws_MiB lp_maxrss_MiB
for size in $sizes; do
  file=$work/bench_$size.pdf
  head -c "$size" /dev/urandom >"$file"
  "$src/tests/bench/jobs.sh" clear "$queue"

  t0=$(now)
  stats=$("$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$exe" "$(winpath "$file")" "$queue")
  "$src/tests/bench/jobs.sh" wait "$queue" 1 1200
  t1=$(now)
  job=$("$src/tests/bench/jobs.sh" list "$queue" | head -n1)
  # Header + file + nine-byte trailer: the file must be the job's tail before the trailer.
  got=$(stat -c %s "$job")
  cmp -s <(tail -c $((size + 9)) "$job" | head -c "$size") "$file" || { echo "job_bench: job of $got bytes is not the file" >&2; exit 1; }
  "$src/tests/bench/jobs.sh" clear "$queue"

  t2=$(now)
  lprss=$( { /usr/bin/time -f '%M' lp -d "$queue" -o raw "$file" >/dev/null; } 2>&1 | tail -n1)
  "$src/tests/bench/jobs.sh" wait "$queue" 1 1200
  t3=$(now)
  [ "$(stat -c %s "$("$src/tests/bench/jobs.sh" list "$queue" | head -n1)")" -eq "$size" ] || { echo "job_bench: lp job has the wrong size" >&2; exit 1; }
  "$src/tests/bench/jobs.sh" clear "$queue"

  sender=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
  lp=$(awk -v a="$t2" -v b="$t3" 'BEGIN { printf "%.3f", b - a }')
  call=$(sed -n 's/.*call=\([0-9.]*\).*/\1/p' <<<"$stats")
  copy=$(sed -n 's/.*copy=\([0-9.]*\).*/\1/p' <<<"$stats")
  write=$(sed -n 's/.*write=\([0-9.]*\).*/\1/p' <<<"$stats")
  peak=$(sed -n 's/.*peak_ws=\([0-9]*\).*/\1/p' <<<"$stats")
  printf '%-11s %-9s %-9s %-9s %-9s %-9s %-10s %-10s %-7s %-12s %s\n' "$size" "$call" "$copy" "$write" "$sender" "$lp" \
    "$(mbps "$size" "$sender")" "$(mbps "$size" "$lp")" "$(awk -v s="$sender" -v l="$lp" 'BEGIN { printf "%.2f", l / s }')" \
    "$(awk -v p="$peak" 'BEGIN { printf "%.1f", p / 1048576 }')" "$(awk -v k="$lprss" 'BEGIN { printf "%.1f", k / 1024 }')"
  rm -f "$file"
done
echo "ratio = lp time / sender time (above 1: the sender is faster); peak_ws = the sending process's peak working set"

#!/usr/bin/env bash
# Variants of the job sender (job_bench.exe's JOB_BENCH_* settings) side by side on one
# queue, the thinnest raw job among them, in interleaved rounds:
#   job_variants.sh [build-tree]      (default build/win64; the bench must be up)
# JOB_VARIANTS: entries "name:SETTING=value,SETTING=value" separated by blanks (default:
# block sizes from 64 KiB to 4 MiB, 4 calls per block, both ways of reading, the
# window's watch); JOB_VARIANTS_SIZE (default 1 GiB); JOB_VARIANTS_ROUNDS (default 3).
# Per variant, the medians of: write = start until the last WritePrinter returned (the
# part the sender decides), total = start until the listener holds the job.
# Prints figures; judges nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
tree=${1:-$src/build/win64}
. "$here/bench_common.sh"
queue=$ORVANE_QUEUE_3
exe=$tree/tests/job/job_bench.exe
raw=$tree/tests/bench/rawprint.exe
size=${JOB_VARIANTS_SIZE:-1073741824}
rounds=${JOB_VARIANTS_ROUNDS:-3}
default="thin: 64K:JOB_BENCH_BLOCK=65536 256K: 1M:JOB_BENCH_BLOCK=1048576 4M:JOB_BENCH_BLOCK=4194304"
default+=" 4calls:JOB_BENCH_CALLS=4 plain:JOB_BENCH_READ=plain ahead:JOB_BENCH_READ=ahead watch:JOB_BENCH_WATCH=1"
read -r -a variants <<<"${JOB_VARIANTS:-$default}"
work=$DIR/jobvariants
file=$work/bench.pdf
results=$work/results
mkdir -p "$work"
: >"$results"
trap 'rm -f "$file"; "$src/tests/bench/jobs.sh" clear "$queue" || true' EXIT
truncate -s "$size" "$file"
cat "$file" >/dev/null  # the first run must not pay alone for filling the cache with the holes
winfile=$(winpath "$file")

echo "uptime at start: $(uptime)"
printf '%-8s %-5s %-8s %-8s %s\n' variant round write_s total_s load
for ((round = 1; round <= rounds; round++)); do
  n=${#variants[@]}
  for ((i = 0; i < n; i++)); do
    v=${variants[$(((i + round) % n))]}
    name=${v%%:*} settings=${v#*:}
    settle_queue "$queue"
    t0=$(date +%s.%N)
    if [ "$name" = thin ]; then
      "$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$raw" "$winfile" "$queue" >/dev/null
      write=-
    else
      out=$(env ${settings//,/ } "$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$exe" "$winfile" "$queue")
      write=$(sed -n 's/.* print=\([0-9.]*\).*/\1/p' <<<"$out")
    fi
    "$src/tests/bench/jobs.sh" wait "$queue" 1 1800
    total=$(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }')
    job=$("$src/tests/bench/jobs.sh" list "$queue" | head -n1)
    [ "$(stat -c %s "$job")" -ge "$size" ] || { echo "job_variants: $name sent a short job" >&2; exit 1; }
    printf '%-8s %-5s %-8s %-8s %s\n' "$name" "$round" "$write" "$total" "$(cut -d' ' -f1 /proc/loadavg)"
    echo "$name $round $write $total" >>"$results"
  done
done
echo "uptime at end: $(uptime)"
echo
for v in "${variants[@]}"; do
  name=${v%%:*}
  awk -v name="$name" '
    function median(a, n,   i, j, t) {
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
      return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    $1 == name { n++; w[n] = $3; t[n] = $4 }
    END { printf "%-8s median write %s s, total %.3f s\n", name, name == "thin" ? "-" : sprintf("%.3f", median(w, n)), median(t, n) }' "$results"
done

#!/usr/bin/env bash
# The send where the user waits: one interleaved run of three paths to the same queue,
# each timed until the capture listener holds the whole job:
#   window   Print pressed on the sheet (Orvex started with the file, driven from outside)
#   command  Orvex -P (from the program's start)
#   thin     rawprint.exe, the thinnest raw job (from its start)
#   send_bench.sh [build-tree]        (default build/win64; the bench must be up)
# SEND_BENCH_SIZES (bytes; default 1 GiB and 2 GiB), SEND_BENCH_ROUNDS (default 3),
# SEND_BENCH_PATHS (default "window command thin"; "probed" is the window while the sheet is
# asked every 20 ms whether it answers, as the Wine tests do). Files are sparse with a marker at
# every MiB, so that a block sent twice or out of order shows. The order of the paths
# turns each round. Prints every run, then per size the ratios thin_s / path_s per round
# and their median, and the peak private memory of Orvex. Prints figures; judges nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
tree=${1:-$src/build/win64}
. "$here/bench_common.sh"
queue=$ORVANE_QUEUE_3
exe=$tree/tests/job/send_bench.exe
[ -f "$exe" ] || { echo "send_bench: $exe not built" >&2; exit 1; }
sizes=${SEND_BENCH_SIZES:-"1073741824 2147483648"}
rounds=${SEND_BENCH_ROUNDS:-3}
read -r -a paths <<<"${SEND_BENCH_PATHS:-window command thin}"
work=$DIR/sendbench
results=$work/results
mkdir -p "$work"
: >"$results"
trap 'rm -f "$work"/bench_*.pdf; "$src/tests/bench/jobs.sh" clear "$queue" || true' EXIT

load() { cut -d' ' -f1 /proc/loadavg; }

for size in $sizes; do
  python3 - "$work/bench_$size.pdf" "$size" <<'EOF'
import sys
path, size = sys.argv[1], int(sys.argv[2])
with open(path, "wb") as f:
    f.truncate(size)
    for at in range(0, size, 1 << 20):
        f.seek(at)
        f.write(b"MiB %012d\n" % (at >> 20))
EOF
  # Read once, so that the first run does not pay alone for filling the cache with the holes.
  cat "$work/bench_$size.pdf" >/dev/null
done

# Runs one path, checks that the job carries the file whole (after the header, before
# the 9 trailer bytes for Orvex's jobs) and records "path size round seconds peak load".
run() {  # path size round
  local path=$1 size=$2 round=$3 file=$work/bench_$2.pdf out job got header
  settle_queue "$queue"
  local before
  before=$(load)
  out=$("$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$exe" "$path" "$(winpath "$file")" "$queue" |
        grep '^seconds=') || { echo "send_bench: $path failed at $size bytes" >&2; exit 1; }
  job=$("$src/tests/bench/jobs.sh" list "$queue" | head -n1)
  got=$(stat -c %s "$job")
  header=0
  [ "$path" = thin ] || header=$((got - size - 9))
  [ "$header" -ge 0 ] && cmp -s -n "$size" -i "$header:0" "$job" "$file" ||
    { echo "send_bench: the $path job of $got bytes does not carry the file" >&2; exit 1; }
  "$src/tests/bench/jobs.sh" clear "$queue"
  local seconds peak
  seconds=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$out")
  peak=$(sed -n 's/.*peak_private=\([0-9]*\).*/\1/p' <<<"$out")
  printf '%-8s %-11s %-5s %-8s %-8s %s\n' "$path" "$size" "$round" "$seconds" \
    "$(awk -v p="$peak" 'BEGIN { printf "%.1f", p / 1048576 }')" "$before"
  echo "$path $size $round $seconds $peak $before" >>"$results"
}

echo "uptime at start: $(uptime)"
printf '%-8s %-11s %-5s %-8s %-8s %s\n' path size round seconds priv_MiB load
for ((round = 1; round <= rounds; round++)); do
  for size in $sizes; do
    # The paths take turns at going first: a cache warmed by one helps the next.
    n=${#paths[@]}
    for ((i = 0; i < n; i++)); do run "${paths[$(((i + round) % n))]}" "$size" "$round"; done
  done
done
echo "uptime at end: $(uptime)"

echo
echo "ratio = thin_s / path_s in the same round (1.0: as fast as the thinnest raw job; the goal is 0.9)"
for size in $sizes; do
  for path in "${paths[@]}"; do
    [ "$path" = thin ] && continue
    awk -v size="$size" -v path="$path" '
      $2 == size && $1 == "thin" { thin[$3] = $4 }
      $2 == size && $1 == path { own[$3] = $4; if ($5 > peak) peak = $5; if ($3 > last) last = $3 }
      END {
        n = 0
        for (r = 1; r <= last; r++)
          if ((r in own) && (r in thin)) { ratio[++n] = thin[r] / own[r]; line = line sprintf(" %.2f", ratio[n]) }
        if (n == 0) exit
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (ratio[j] < ratio[i]) { t = ratio[i]; ratio[i] = ratio[j]; ratio[j] = t }
        median = n % 2 ? ratio[(n + 1) / 2] : (ratio[n / 2] + ratio[n / 2 + 1]) / 2
        printf "%-8s %-11s rounds:%s  median %.2f  min %.2f  peak private %.1f MiB\n", path, size, line, median, ratio[1], peak / 1048576
      }' "$results"
  done
done

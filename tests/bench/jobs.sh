#!/usr/bin/env bash
# Jobs received by the bench's capture listeners ($ORVANE_BENCH_DIR/jobs/<queue>/job-NNNN.bin).
#   jobs.sh wait <queue> <count> <timeout-s>   exit 0 once at least <count> complete jobs exist, 1 on timeout
#   jobs.sh list <queue>                       full paths of the complete jobs, oldest first
#   jobs.sh clear <queue>                      removes the complete jobs
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
DIR=${ORVANE_BENCH_DIR:-$(cd "$here/../.." && pwd)/build/bench}

usage() { sed -n '2,5p' "$0" >&2; exit 2; }
[ $# -ge 2 ] || usage
cmd=$1 queue=$2
[[ $queue =~ ^[A-Za-z0-9_-]+$ ]] || { echo "jobs: bad queue name: $queue" >&2; exit 2; }
folder=$DIR/jobs/$queue

complete() {  # a .part file is a job still arriving
  local f n=0
  for f in "$folder"/job-*.bin; do [ -e "$f" ] && n=$((n + 1)); done
  echo $n
}

case $cmd in
  wait)
    [ $# -eq 4 ] || usage
    want=$3
    deadline=$(( $(date +%s%N) / 1000000 + $4 * 1000 ))
    until [ "$(complete)" -ge "$want" ]; do
      if [ $(( $(date +%s%N) / 1000000 )) -ge $deadline ]; then
        echo "jobs: $queue has $(complete) of $want jobs after $4 s" >&2
        exit 1
      fi
      sleep 0.05
    done ;;
  list)
    for f in "$folder"/job-*.bin; do [ -e "$f" ] && echo "$f"; done ;;
  clear)
    rm -f "$folder"/job-*.bin ;;
  *) usage ;;
esac

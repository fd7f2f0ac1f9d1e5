# Shared by the job benchmarks (sourced): the bench's settings and the steps between runs.
# Needs `src` (the source tree) set; sets DIR and loads the bench's env.
DIR=${ORVANE_BENCH_DIR:-$src/build/bench}
[ -f "$DIR/env" ] || { echo "$(basename "$0"): the bench is not up ($DIR)" >&2; exit 1; }
# shellcheck source=/dev/null
. "$DIR/env"

winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Leaves the queue as the next run must find it: no captured job, CUPS done with the
# previous job (it drops its spool file after the capture has it), nothing of the
# previous run still being written back.
settle_queue() {  # queue
  "$src/tests/bench/jobs.sh" clear "$1"
  local idle=$((SECONDS + 120))
  while [ -n "$(lpstat -o "$1" 2>/dev/null)" ] && [ $SECONDS -lt $idle ]; do sleep 0.2; done
  sync
}

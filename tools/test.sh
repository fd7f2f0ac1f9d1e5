#!/usr/bin/env bash
# The whole test command: installs what the build and the bench need, builds all
# three trees with warnings as errors, and runs every test in one CTest run
# (native unit tests under sanitizers, then the Windows tests under Wine).
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
export ORVANE_BUILD_ROOT=${ORVANE_BUILD_ROOT:-$src/build}
export ORVANE_BENCH_DIR=${ORVANE_BENCH_DIR:-$ORVANE_BUILD_ROOT/bench}

"$src/tools/install-deps.sh"
ORVANE_WERROR=ON "$src/tools/build.sh"

# CTest's fixture stops the bench; this covers an interrupted run too.
trap '"$src/tests/bench/bench.sh" down >/dev/null 2>&1 || true' EXIT
# Every test's whole output goes to the results file; skip_report.py lists what
# was skipped and, in CI, fails the run for any skip but the 32-bit one.
results=$ORVANE_BUILD_ROOT/test-results.xml
rc=0
ctest --test-dir "$ORVANE_BUILD_ROOT" --output-on-failure --timeout 600 --output-junit "$results" \
      --test-output-size-passed 1048576 --test-output-size-failed 1048576 "$@" || rc=$?
python3 "$src/tools/skip_report.py" "$results" || rc=1
exit "$rc"

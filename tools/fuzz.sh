#!/usr/bin/env bash
# Runs the libFuzzer targets of the native tree one after the other, each on its
# committed seeds plus what earlier runs found, and prints one line of figures
# per target. CTest runs every target for a few seconds; run it by hand for longer.
#   tools/fuzz.sh [--seconds S | --runs N] [--no-build] [NAME...]
# Default: every target for 600 s. --runs stops each target after N inputs instead.
# ORVANE_BUILD_DIR: the native tree (default build/native). Exit 77 (skipped) when
# the targets could not be built (no clang or no libFuzzer runtime), 1 on a finding.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANE_BUILD_DIR:-$src/build/native}
limit=(-max_total_time=600)
do_build=1
names=()
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) limit=(-max_total_time="$2"); shift 2 ;;
    --runs) limit=(-runs="$2"); shift 2 ;;
    --no-build) do_build=0; shift ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) names+=("$1"); shift ;;
  esac
done

list=$build/fuzz/targets.txt
if [ ! -f "$list" ]; then echo "no fuzz targets listed in $build: configure the native tree first" >&2; exit 2; fi
if [ "$do_build" = 1 ]; then cmake --build "$build" --target fuzz_all -- -j2; fi

# A smaller quarantine than ASan's 256 MB: the targets allocate a little per input,
# and fresh pages for every allocation cost more than the parsing.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}

status=0
ran=0
found=0
summary=()
while read -r name binary corpus max_len; do
  [ -n "$name" ] || continue
  if [ ${#names[@]} -gt 0 ] && ! printf '%s\n' "${names[@]}" | grep -qx "$name"; then continue; fi
  found=$((found + 1))
  if [ ! -x "$binary" ]; then
    echo "$name: not built (clang++ or its libFuzzer runtime missing): skipped"
    continue
  fi
  out=$(dirname "$binary")
  mkdir -p "$out/work" "$out/artifacts"
  log=$out/last-run.log
  echo "== $name"
  # New inputs go to the work folder; the committed seeds are only read.
  rc=0
  # libFuzzer reports a finding with exit code 77 unless told otherwise: CTest's "skipped".
  "$binary" "${limit[@]}" -max_len="$max_len" -timeout=5 -rss_limit_mb=1024 -error_exitcode=1 -timeout_exitcode=1 \
      -artifact_prefix="$out/artifacts/" -print_final_stats=1 "$out/work" "$corpus" > "$log" 2>&1 || rc=$?
  ran=$((ran + 1))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<< "$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<< "$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9]*[a-zA-Z]*\).*/\1/p' <<< "$last")
  if [ "$rc" -ne 0 ]; then
    # The finding's report and the input that caused it (kept in the artifacts folder).
    grep -v -E '^#[0-9]+' "$log" | tail -60
    status=1
    result="FINDING (exit $rc; see $log)"
  else
    result="no finding"
  fi
  summary+=("$(printf '%-34s %10s inputs  cov %5s  ft %6s  corpus %-12s %s' \
      "$name" "${runs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$result")")
done < "$list"

if [ "$found" -lt "${#names[@]}" ]; then echo "unknown fuzz target among: ${names[*]}" >&2; exit 2; fi
if [ "$ran" -eq 0 ]; then exit 77; fi
printf '%s\n' "${summary[@]}"
exit "$status"

#!/usr/bin/env bash
# Installs what Orvane needs, builds it, and starts Orvex under Wine with the
# files named on the command line (Linux paths; "-M printer" passes through).
#
# Orvex runs in a private Wine prefix (build/run/) that sees a private CUPS.
# Unless ORVANE_PRINTER_URI names a real direct-print printer, a built-in virtual
# printer is set up: a raw queue "OrvaneVirtual" (the default printer), an SNMP
# agent whose device ID accepts PDF, JPEG, TIFF, PNG and BMP, and a job receiver
# that keeps every job and prints a one-line summary of it.
#
#   ORVANE_PRINTER_URI=socket://HOST:9100 ORVANE_PRINTER_ADDRESS=HOST tools/run.sh a.pdf
#       use a real printer instead (its address is asked for the device ID over SNMP)
#   ORVANE_RUN_NO_BUILD=1   skip install and build (for repeated runs)
#
# With a usable X display the program opens there; without one it runs on Xvfb,
# a screenshot is saved as build/run/screenshot.png, and the program is closed.
#
#   tools/run.sh -P a.pdf b.jpg [-M printer]
#       prints without the window: Orvex's report, the receiver's line for each
#       job and the exit code (0 all sent, 1 some, 2 none), which is also ours
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
root=${ORVANE_BUILD_ROOT:-$src/build}
export ORVANE_BUILD_ROOT=$root

if [ -z "${ORVANE_RUN_NO_BUILD:-}" ]; then
  "$src/tools/install-deps.sh"
  "$src/tools/build.sh"
fi
stage=$root/win64/stage
[ -f "$stage/Orvex.exe" ] || { echo "run: $stage/Orvex.exe is missing; build first" >&2; exit 1; }

export ORVANE_BENCH_DIR=$root/run
# A /24 of its own, so that the run never meets a test bench's agents.
export ORVANE_BENCH_NET=${ORVANE_RUN_NET:-127.0.200}
headless=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export ORVANE_BENCH_DISPLAY=$DISPLAY
  headless=
else
  unset ORVANE_BENCH_DISPLAY
fi

# -P (or /P, either case): Orvex prints the named files without its window.
print_mode=
for a in "$@"; do
  case $a in -[Pp]*|/[Pp]*) [ -e "$a" ] || print_mode=1 ;; esac
done

bench=$src/tests/bench/bench.sh
watcher=
cleanup() {
  [ -n "$watcher" ] && kill "$watcher" 2>/dev/null
  "$bench" down >/dev/null 2>&1 || true
}
trap cleanup EXIT
"$bench" up
# shellcheck disable=SC1091
. "$ORVANE_BENCH_DIR/env"

queue=OrvaneVirtual
monitor='HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\Standard TCP/IP Port\Ports'
if [ -n "${ORVANE_PRINTER_URI:-}" ]; then
  queue=OrvanePrinter
  lpadmin -h "$CUPS_SERVER" -p "$queue" -E -v "$ORVANE_PRINTER_URI" -m raw 2>/dev/null
  address=${ORVANE_PRINTER_ADDRESS:?ORVANE_PRINTER_ADDRESS must name the printer for its device ID}
else
  "$bench" queue-add "$queue" >/dev/null
  address=${ORVANE_AGENT_ALL%:161}
  mkdir -p "$ORVANE_JOBS_DIR/$queue"
  if [ -z "$print_mode" ]; then
    python3 -u "$src/tools/pjl_summary.py" --watch "$ORVANE_JOBS_DIR/$queue" &
    watcher=$!
  fi
fi
lpadmin -h "$CUPS_SERVER" -d "$queue"
# Wine names the port after the queue; the program finds the printer's address
# in the standard TCP/IP port monitor's key for that port.
"$src/tests/bench/reg.sh" set "$monitor\\CUPS:$queue" IPAddress REG_SZ "$address" >/dev/null
"$src/tests/bench/reg.sh" set "$monitor\\CUPS:$queue" "SNMP Community" REG_SZ public >/dev/null

# The program with its text and help files, as installed.
app=$ORVANE_BENCH_DIR/app
mkdir -p "$app"
cp -f "$stage"/Orvex.exe "$stage"/LOCAL*.dat "$stage"/HELP*.chm "$app"/

args=()
for a in "$@"; do
  # A path whose folder exists is handed over as one even when the file is missing
  # (the program reports it); "/P" and other switches are not paths.
  if [ -e "$a" ] || { [[ ${a:1} == */* ]] && [ -d "$(dirname "$a")" ]; }; then
    p=$(realpath -m "$a")
    args+=("Z:${p//\//\\}")
  else
    args+=("$a")
  fi
done

if [ -n "$print_mode" ]; then
  echo "run: Orvex -P, printer $queue (device ID from $address)"
  job_list() { "$src/tests/bench/jobs.sh" list "$queue" || true; }  # fails on an empty folder
  before=$(job_list | wc -l)
  rc=0
  report=$("$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$app/Orvex.exe" "${args[@]}") || rc=$?
  report=${report//$'\r'/}
  [ -n "$report" ] && printf '%s\n' "$report"
  if [ -z "${ORVANE_PRINTER_URI:-}" ]; then
    # The receiver's line for every job Orvex reported as sent.
    sent=$(grep -c '^sent: ' <<<"$report" || true)
    if [ "$sent" -gt 0 ]; then
      "$src/tests/bench/jobs.sh" wait "$queue" $((before + sent)) 60 || true
      mapfile -t jobs < <(job_list | tail -n +$((before + 1)))
      [ ${#jobs[@]} -gt 0 ] && python3 "$src/tools/pjl_summary.py" "${jobs[@]}" | sed 's/^/[virtual printer] /'
    fi
  fi
  echo "run: Orvex exit code $rc"
  exit "$rc"
fi

echo "run: Orvex on display $DISPLAY, printer $queue (device ID from $address)"
if [ -z "$headless" ]; then
  "$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$app/Orvex.exe" "${args[@]}" || true
  sleep 1  # let the receiver print the last job's summary
  exit 0
fi

"$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$app/Orvex.exe" "${args[@]}" &
orvex=$!
title=$(grep -m1 -i '^IDL_TITLE=' "$app/LOCAL.dat" | cut -d= -f2- | tr -d '\r')
for _ in $(seq 1 150); do
  xwininfo -root -tree 2>/dev/null | grep -q "\"${title:-Orvane}\"" && break
  kill -0 "$orvex" 2>/dev/null || break
  sleep 0.2
done
sleep 3  # past the version splash
"$src/tests/bench/screenshot.sh" "$ORVANE_BENCH_DIR/screenshot.png"
echo "run: no display here; screenshot saved as $ORVANE_BENCH_DIR/screenshot.png"
kill "$orvex" 2>/dev/null || true

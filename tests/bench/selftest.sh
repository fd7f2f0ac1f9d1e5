#!/usr/bin/env bash
# selftest.sh <rawprint.exe> <debugrun.exe> <odsprobe.exe>
# Checks the running bench end to end: every agent answers (or not) as staged,
# the relays count, a RAW job written through Wine's spooler arrives byte for
# byte, and debugrun records long and wide debugger strings whole.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
DIR=${ORVANE_BENCH_DIR:-$(cd "$here/../.." && pwd)/build/bench}
[ $# -eq 3 ] || { echo "usage: selftest.sh <rawprint.exe> <debugrun.exe> <odsprobe.exe>" >&2; exit 2; }
rawprint=$1 debugrun=$2 odsprobe=$3
[ -f "$DIR/env" ] || { echo "selftest: the bench is not up ($DIR)" >&2; exit 1; }
# shellcheck source=/dev/null
. "$DIR/env"
OID=1.3.6.1.4.1.47261.11.5.1.1.1.26.0
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
winpath() { local p=$1; echo "Z:${p//\//\\}"; }

get() {  # community address retries -> value as "TYPE: value", or the error
  local out
  out=$(snmpget -v1 -c "$1" -t 1 -r "$3" -Ov "$2" "$OID" 2>"$work/snmpget.err") || out=$(cat "$work/snmpget.err")
  echo "$out"
}

# --- agents: name, community, expected answer ("" = no answer)
checks=(
  "PDFJPEG public STRING: \"$ORVANE_DEVICEID_PDFJPEG\""
  "PDF public STRING: \"$ORVANE_DEVICEID_PDF\""
  "ALL public STRING: \"$ORVANE_DEVICEID_ALL\""
  "NONE public STRING: \"$ORVANE_DEVICEID_NONE\""
  "INTEGER public INTEGER: $ORVANE_AGENT_INTEGER_VALUE"
  "COMMUNITY $ORVANE_AGENT_COMMUNITY_NAME STRING: \"$ORVANE_DEVICEID_COMMUNITY\""
  "COMMUNITY public "
  "SILENT public "
)
if [ -n "${ORVANE_AGENT_LOCAL:-}" ]; then
  checks+=("LOCAL public STRING: \"$ORVANE_DEVICEID_LOCAL\"")
fi
for c in "${checks[@]}"; do
  read -r name community expected <<<"$c"
  addr_var=ORVANE_AGENT_$name
  addr=${!addr_var}
  "$here/bench.sh" agent-reset "$name"
  got=$(get "$community" "$addr" 0)
  if [ -z "$expected" ]; then
    case $got in *Timeout*) pass "$name ($addr, $community) does not answer";;
                 *) fail "$name ($addr, $community) answered: $got";; esac
  elif [ "$got" = "$expected" ]; then
    pass "$name ($addr, $community): $got"
  else
    fail "$name ($addr, $community): expected [$expected], got [$got]"
  fi
  count=$("$here/bench.sh" agent-count "$name")
  [ "$count" = 1 ] && pass "$name counted 1 request" || fail "$name counted $count requests, expected 1"
done
if [ -n "${ORVANE_AGENT_LOCAL6:-}" ]; then
  got=$(snmpget -v1 -c public -t 1 -r 0 -Ov "udp6:$ORVANE_AGENT_LOCAL6" "$OID" 2>&1)
  [ "$got" = "STRING: \"$ORVANE_DEVICEID_LOCAL\"" ] && pass "LOCAL on $ORVANE_AGENT_LOCAL6" || fail "LOCAL on $ORVANE_AGENT_LOCAL6: $got"
fi

# SECOND drops the first of every two requests: one try fails, a retry succeeds.
"$here/bench.sh" agent-reset SECOND
got=$(get public "$ORVANE_AGENT_SECOND" 0)
case $got in *Timeout*) pass "SECOND drops the first request";; *) fail "SECOND answered the first request: $got";; esac
"$here/bench.sh" agent-reset SECOND
got=$(get public "$ORVANE_AGENT_SECOND" 1)
[ "$got" = "STRING: \"$ORVANE_DEVICEID_SECOND\"" ] && pass "SECOND answers the retry" || fail "SECOND with one retry: $got"
count=$("$here/bench.sh" agent-count SECOND)
[ "$count" = 2 ] && pass "SECOND counted 2 requests" || fail "SECOND counted $count requests, expected 2"

# --- a RAW job through Wine's spooler, to the default printer and to a named one
head -c 102400 /dev/urandom >"$work/job.bin"
for target in "$ORVANE_QUEUE_1:" "$ORVANE_QUEUE_2:$ORVANE_QUEUE_2"; do
  queue=${target%%:*} printer=${target#*:}
  "$here/jobs.sh" clear "$queue"
  if "$here/wine-run.sh" /usr/lib/wine/wine64 "$rawprint" "$(winpath "$work/job.bin")" ${printer:+"$printer"}; then
    if "$here/jobs.sh" wait "$queue" 1 60; then
      job=$("$here/jobs.sh" list "$queue" | head -n1)
      if cmp "$work/job.bin" "$job"; then
        pass "raw job to ${printer:-the default printer} arrived byte for byte at $queue"
      else
        fail "raw job to ${printer:-the default printer} differs at $queue"
      fi
    else
      fail "raw job to ${printer:-the default printer} never reached $queue"
    fi
  else
    fail "rawprint to ${printer:-the default printer} failed"
  fi
done

# --- debugrun: long ANSI and wide strings arrive whole, a first-chance exception
# goes back to the program's own handler, the exit code passes through
log=$work/ods.log
"$here/wine-run.sh" /usr/lib/wine/wine64 "$debugrun" "$(winpath "$log")" "$(winpath "$odsprobe")" 7
rc=$?
[ $rc = 7 ] && pass "debugrun returns the program's exit code" || fail "debugrun returned $rc, expected 7"
{
  echo "first line"
  for i in $(seq 0 699); do printf "\\x$(printf %x $((97 + i % 26)))"; done; echo
  printf '\xe9'; for i in $(seq 1 599); do printf "\\x$(printf %x $((65 + i % 26)))"; done; echo
  echo "last line"
} >"$work/ods.expected"
if cmp -s "$work/ods.expected" "$log"; then
  pass "debugrun logged 4 strings whole (700 ANSI, 600 wide characters, code page 1252)"
else
  fail "debugrun log differs:"; diff <(cut -c1-80 "$work/ods.expected") <(cut -c1-80 "$log"); wc -c "$log"
fi

# A debuggee that dies of an access violation: debugrun passes the exception on,
# keeps what was logged, returns (low byte of 0xC0000005 = 5) and does not hang.
log=$work/crash.log
timeout 60 "$here/wine-run.sh" /usr/lib/wine/wine64 "$debugrun" "$(winpath "$log")" "$(winpath "$odsprobe")" crash
rc=$?
if [ $rc = 5 ] && [ "$(cat "$log")" = "first line" ]; then
  pass "debugrun follows a crashing program to its end (exit code $rc)"
else
  fail "debugrun with a crashing program: exit code $rc, log [$(cat "$log" 2>/dev/null)]"
fi

if [ $failures -eq 0 ]; then echo "bench self-test passed"; exit 0; fi
echo "bench self-test: $failures failure(s)"
exit 1

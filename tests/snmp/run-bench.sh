#!/usr/bin/env bash
# Prints the SNMP figures against a running bench (tests/bench/bench.sh up):
#  - 1,000 device-ID reads from agent PDFJPEG with our library (native build) and
#    with net-snmp's snmpget, in the same run, with the median of each and the ratio;
#  - the same reads with our library's Windows build under Wine (Winsock);
#  - the whole check for a printer whose every source is silent, the median
#    check of one whose address answers while its other sources are silent, one
#    with IPP and no SNMP agent, and (on the default net, where a host name
#    reaches an agent) a silent address with an answering host name (Windows,
#    real registry); natively, the lookup's figures against scripted agents;
#  - the same two printers chosen in Orvex's printer list: how long the window is held;
#  - the check for printers on WSD and IPP ports and on a print server.
#   run-bench.sh [COUNT]      ORVANE_BUILD_ROOT: the build root (default build/)
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
root=${ORVANE_BUILD_ROOT:-$src/build}
count=${1:-1000}
DIR=${ORVANE_BENCH_DIR:-$root/bench}
[ -f "$DIR/env" ] || { echo "the bench is not up ($DIR)"; exit 1; }
# shellcheck source=/dev/null
. "$DIR/env"
cmake --build "$root/native" --target bench_snmp device_network_lookup_test >/dev/null
cmake --build "$root/win64" --target bench_snmp bench_worst_case bench_window bench_places >/dev/null

# The latency runs go straight to the agent PDFJPEG's snmpd, not through its
# counting relay: the relay adds a Python hop and keeps one upstream socket per
# client port, and every read of ours comes from a fresh port.
agent=$(python3 -c 'import json,sys
for a in json.load(open(sys.argv[1])):
    if a["name"] == "PDFJPEG": print("%s:%d" % tuple(a["forward"]))' "$DIR/agents/relays.json")
echo "== native: our library and snmpget, $count reads each from snmpd at $agent"
"$root/native/tests/snmp/bench_snmp" "$agent" public "$count" --snmpget
echo "== Windows build under Wine: our library, $count reads from $agent"
/usr/lib/wine/wine64 "$root/win64/tests/snmp/bench_snmp.exe" "$agent" public "$count" </dev/null
echo "== worst case: every source silent ($ORVANE_AGENT_SILENT); reachable: the address is $ORVANE_AGENT_PDFJPEG"
count_file="Z:$(echo "$DIR/agents/SILENT.count" | tr / '\\')"
host_name=""
[ -z "${ORVANE_AGENT_LOCAL:-}" ] || host_name=localhost
/usr/lib/wine/wine64 "$root/win64/tests/device/bench_worst_case.exe" "${ORVANE_AGENT_SILENT%:*}" "$count_file" \
  "${ORVANE_AGENT_PDFJPEG%:*}" 200 "${ORVANE_AGENT_IPPONLY%:*}" $host_name </dev/null
[ -n "$host_name" ] || echo "(silent address, host name answers: needs the default net 127.0.0; see the native figures)"
echo "== native lookup against scripted agents (all silent; a silent address with host name localhost; IPP only)"
"$root/native/tests/device/device_network_lookup_test" 2>&1 | grep '\[ figure'
echo "== through the window: Orvex's printer list, silent printer ($ORVANE_QUEUE_3) and answering one ($ORVANE_QUEUE_1)"
"$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$root/win64/tests/device/bench_window.exe" </dev/null
echo "== printers Windows set up by itself: WSD port ($ORVANE_AGENT_PDFJPEG), IPP ports ($ORVANE_AGENT_IPPEVE, TLS $ORVANE_IPP_TLS), print server"
"$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$root/win64/tests/device/bench_places.exe" 10 </dev/null

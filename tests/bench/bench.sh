#!/usr/bin/env bash
# The test bench: Xvfb, a private Wine prefix, a private cupsd with raw queues that
# end in capture listeners, and snmpd agents behind counting UDP relays.
#
#   bench.sh up | down | status
#   bench.sh queue-add NAME | queue-remove NAME
#   bench.sh agent-count NAME | agent-reset NAME
#
# Everything lives in $ORVANE_BENCH_DIR (default <repo>/build/bench); the agents
# bind to addresses of $ORVANE_BENCH_NET (default 127.0.0), so several benches
# can run side by side. Nothing of the machine's own configuration is read or
# written (no /etc/cups, /etc/snmp, printcap, ~/.wine).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src=$(cd "$here/../.." && pwd)
DIR=${ORVANE_BENCH_DIR:-$src/build/bench}
DIR=$(realpath -m "$DIR")
PY=/usr/bin/python3
[ -x "$PY" ] || PY=$(command -v python3)
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver
OID=1.3.6.1.4.1.47261.11.5.1.1.1.26.0
STANDARD_QUEUES=(OrvRaw1 OrvRaw2 OrvRaw3)

# Agents: name, host number in $ORVANE_BENCH_NET, relay mode, snmpd value (type value), community.
DEVID_PDFJPEG="MFG:Orvane;CMD:PJL,PDF,JPEG;MDL:Direct 100;CLS:PRINTER;"
DEVID_PDF="MFG:Orvane;CMD:PJL,PDF;MDL:Direct 100;CLS:PRINTER;"
DEVID_ALL="MFG:Orvane;CMD:PJL,PDF,JPEG,TIFF,PNG,BMP;MDL:Direct 100;CLS:PRINTER;"
DEVID_NONE="MFG:Orvane;CMD:PJL,PCL,POSTSCRIPT;MDL:Direct 100;CLS:PRINTER;"
DEVID_SECOND=$DEVID_PDFJPEG
DEVID_COMMUNITY=$DEVID_PDFJPEG
DEVID_LOCAL=$DEVID_ALL
INTEGER_VALUE=42
AGENTS=(PDFJPEG:2:normal PDF:3:normal ALL:4:normal NONE:5:normal SILENT:6:silent
        INTEGER:7:normal SECOND:8:second COMMUNITY:9:normal)
# Printers that publish their device ID only by a standard means: an agent with
# another object (SNMP_OID_/SNMP_VALUE_ replace the private object; an empty
# value leaves the agent with no device-ID object at all), or IPP on port 631.
OID_PWG=1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1
OID_OTHER=1.3.6.1.4.1.11.2.3.9.1.1.7.0
DEVID_PWG="MFG:Orvane;CMD:PJL,PDF,TIFF;MDL:Standard 200;CLS:PRINTER;"
DEVID_OTHER="MFG:Orvane;CMD:PJL,PDF;MDL:Standard 210;CLS:PRINTER;"
DEVID_OTHERLEN=$DEVID_OTHER
DEVID_IPPEVE="MFG:Orvane;MDL:Standard 300;CMD:PDF,JPEG;"
DEVID_IPPFORMATS="MFG:;MDL:;CMD:PDF,PNG,BMP;"
SNMP_OID_PWG=$OID_PWG SNMP_VALUE_PWG="octet_str \"$DEVID_PWG\""
SNMP_OID_OTHER=$OID_OTHER SNMP_VALUE_OTHER="octet_str \"$DEVID_OTHER\""
SNMP_OID_OTHERLEN=$OID_OTHER
SNMP_VALUE_OTHERLEN="octet_str 0x$(printf '%04x' ${#DEVID_OTHER})$(printf '%s' "$DEVID_OTHER" | od -An -tx1 | tr -d ' \n')"
SNMP_VALUE_IPPEVE="" SNMP_VALUE_IPPFORMATS=""
IPPFORMATS_TYPES=application/octet-stream,application/pdf,image/png,image/x-ms-bmp
AGENTS+=(PWG:10:normal OTHER:11:normal OTHERLEN:12:normal IPPEVE:13:normal IPPFORMATS:14:normal)
# IDs as real peers write them: the long key at the PWG object; the private
# object behind its 1284 length (counting its own two bytes); ippeveprinter
# behind a relay that holds each answer 1.3 s, with no SNMP agent (a printer
# waking up); and once more without the delay (an IPP-only printer).
DEVID_CMDSET="MANUFACTURER:Orvane;COMMAND SET:PJL,PDF,JPEG;MODEL:Standard 220;CLS:PRINTER;"
DEVID_PRIVLEN="MFG:Orvane;CMD:PJL,PDF,PNG;MDL:Direct 110;CLS:PRINTER;"
DEVID_IPPSLOW=$DEVID_IPPEVE
IPPSLOW_DELAY=1.3
SNMP_OID_CMDSET=$OID_PWG SNMP_VALUE_CMDSET="octet_str \"$DEVID_CMDSET\""
SNMP_VALUE_PRIVLEN="octet_str 0x$(printf '%04x' $((${#DEVID_PRIVLEN} + 2)))"
SNMP_VALUE_PRIVLEN+=$(printf '%s' "$DEVID_PRIVLEN" | od -An -tx1 | tr -d ' \n')
DEVID_IPPONLY=$DEVID_IPPEVE
AGENTS+=(CMDSET:20:normal PRIVLEN:21:normal IPPSLOW:22:silent IPPONLY:23:silent)
# A printer that wakes up: its relay holds every answer 1.3 s.
DEVID_SLOW=$DEVID_PDFJPEG
AGENTS+=(SLOW:24:late)
# A printer whose state a test changes while it runs: the device ID as usual,
# and the Host Resources / Printer MIB state objects served by net-snmp's
# pass_persist from a file the test writes (benchd.py state-pass). Its IPP
# twin, with no SNMP agent, answers printer-state* from another file.
DEVID_STATE=$DEVID_ALL
DEVID_IPPSTATE="MFG:Orvane;MDL:Standard 310;CMD:PDF,JPEG,PNG;"
STATE_READY=$'hrDeviceStatus 2\nhrPrinterStatus 3\nhrPrinterDetectedErrorState 0000\nprtMarkerLifeCount 1000'
IPPSTATE_READY=$'device-id '"$DEVID_IPPSTATE"$'\nprinter-state 3\nprinter-state-reasons none'
AGENTS+=(STATE:30:normal IPPSTATE:31:silent)

q() { local v=${1//\'/\'\\\'\'}; printf "'%s'" "$v"; }  # single-quoted for the env file
log() { echo "bench: $*" >&2; }
die() { echo "bench: $*" >&2; exit 1; }

net() {  # the network the bench was started with (or will be)
  if [ -f "$DIR/state/net" ]; then cat "$DIR/state/net"; else echo "${ORVANE_BENCH_NET:-127.0.0}"; fi
}

# wait_for <what> <timeout-s> <command...>: polls until the command succeeds.
# With WATCH=<process name>, gives up at once if that process has died.
wait_for() {
  local what=$1 timeout=$2; shift 2
  local deadline=$(( $(date +%s%N) / 1000000 + timeout * 1000 ))
  until "$@" >/dev/null 2>&1; do
    if [ -n "${WATCH:-}" ] && ! running "$WATCH"; then
      log "$WATCH exited while waiting for $what"
      return 1
    fi
    if [ $(( $(date +%s%N) / 1000000 )) -ge $deadline ]; then
      log "timed out after ${timeout}s waiting for $what"
      return 1
    fi
    sleep 0.05
  done
}

# ---- processes --------------------------------------------------------------
# close_fds [keep...]: closes every inherited descriptor above 2 (but the kept
# ones), so that no daemon holds the bench lock or a caller's pipe (CTest waits
# for its pipes to close).
close_fds() {
  local fd k keep=" $* "
  for fd in /proc/$BASHPID/fd/*; do
    fd=${fd##*/}
    [ "$fd" -gt 2 ] || continue
    [[ $keep == *" $fd "* ]] && continue
    eval "exec $fd>&-" 2>/dev/null || true
  done
}

# start <name> <expected comm> <command...>: starts a daemon in its own session,
# output to logs/<name>.log, and records "pid comm" in pids/<name>.
start() {
  local name=$1 comm=$2; shift 2
  mkdir -p "$DIR/pids" "$DIR/logs"
  ( close_fds; setsid "$@" </dev/null >>"$DIR/logs/$name.log" 2>&1 & echo "$! $comm" >"$DIR/pids/$name" )
}

alive_pid() {  # pid comm name: running (not a zombie) and still the program we started
  local pid=$1 comm=$2 name=$3 stat
  [ -r "/proc/$pid/stat" ] || return 1
  stat=$(cat "/proc/$pid/stat" 2>/dev/null) || return 1
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$comm" ] || return 1
  # Ours writes to our log: a reused pid is never mistaken for it.
  [ "$(readlink "/proc/$pid/fd/1" 2>/dev/null)" = "$DIR/logs/$name.log" ] || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

# running <name>: the process started under that name has not ended. Right after
# `start` it may still be the forked shell or setsid, not yet the program (its name
# and output differ until then; on a loaded machine for a while): waiting on it
# must not take that for an exit.
running() {
  local f=$DIR/pids/$1 pid comm stat
  [ -f "$f" ] || return 1
  read -r pid comm <"$f"
  stat=$(cat "/proc/$pid/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

alive() {  # name
  local f=$DIR/pids/$1 pid comm
  [ -f "$f" ] || return 1
  read -r pid comm <"$f"
  alive_pid "$pid" "$comm" "$1"
}

stop() {  # name: TERM, then KILL after 5 s; forgets the pid file
  local f=$DIR/pids/$1 pid comm
  [ -f "$f" ] || return 0
  read -r pid comm <"$f"
  if alive_pid "$pid" "$comm" "$1"; then
    kill -TERM "$pid" 2>/dev/null || true
    if ! wait_for "$1 to stop" 5 bash -c "! [ -d /proc/$pid ] || grep -q '^[0-9]* (.*) Z' /proc/$pid/stat"; then
      kill -KILL "$pid" 2>/dev/null || true
      wait_for "$1 to die" 5 bash -c "! [ -d /proc/$pid ] || grep -q '^[0-9]* (.*) Z' /proc/$pid/stat" || true
    fi
  fi
  rm -f "$f"
}

# ---- Xvfb --------------------------------------------------------------------
start_xvfb() {
  rm -f "$DIR/state/display" "$DIR/state/external-display"
  # The run command shows the program on the user's own display when there is one.
  if [ -n "${ORVANE_BENCH_DISPLAY:-}" ]; then
    echo "${ORVANE_BENCH_DISPLAY#:}" >"$DIR/state/display"
    touch "$DIR/state/external-display"
    return
  fi
  # -displayfd lets Xvfb pick a free display itself (no race with other benches).
  ( close_fds; exec 3>"$DIR/state/display"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
      </dev/null >>"$DIR/logs/xvfb.log" 2>&1 &
    echo "$! Xvfb" >"$DIR/pids/xvfb" )
  WATCH=xvfb wait_for "Xvfb" 20 grep -q '^[0-9]' "$DIR/state/display" || die "Xvfb did not start (see $DIR/logs/xvfb.log)"
}

display() {  # ":N", or a full display name such as "host:10.0" given from outside
  local d; d=$(head -n1 "$DIR/state/display")
  case $d in *:*) echo "$d" ;; *) echo ":$d" ;; esac
}

# ---- cupsd -------------------------------------------------------------------
cups_socket() {
  local s=$DIR/cups/cups.sock
  # A unix socket path must fit in sun_path (108 bytes).
  if [ ${#s} -gt 100 ]; then
    s=/tmp/orvane-bench-$(printf %s "$DIR" | md5sum | cut -c1-12).sock
  fi
  echo "$s"
}

start_cupsd() {
  local c=$DIR/cups sock
  sock=$(cups_socket)
  rm -rf "$c"; rm -f "$sock"
  mkdir -p "$c"/{etc,spool,tmp,cache,state,log,bin/backend}
  # Debian's cups-daemon has no socket backend: the bench brings its own, in its own ServerBin.
  for d in cgi-bin daemon driver filter monitor notifier; do
    [ -e "/usr/lib/cups/$d" ] && ln -s "/usr/lib/cups/$d" "$c/bin/$d"
  done
  install -m 0755 "$here/cups-socket-backend.py" "$c/bin/backend/socket"
  local user=""
  if [ "$(id -u)" -eq 0 ]; then
    user="User lp
Group lp"
  fi
  cat >"$c/etc/cups-files.conf" <<EOF
ServerRoot $c/etc
ServerBin $c/bin
RequestRoot $c/spool
TempDir $c/tmp
CacheDir $c/cache
StateDir $c/state
AccessLog $c/log/access_log
ErrorLog $c/log/error_log
PageLog $c/log/page_log
Printcap $c/etc/printcap
$user
SystemGroup root
CreateSelfSignedCerts no
EOF
  cat >"$c/etc/cupsd.conf" <<EOF
Listen $sock
Browsing No
PreserveJobFiles No
WebInterface No
LogLevel warn
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  start cupsd cupsd cupsd -f -c "$c/etc/cupsd.conf" -s "$c/etc/cups-files.conf"
  WATCH=cupsd wait_for "cupsd" 20 bash -c "[ -S '$sock' ] && lpstat -h '$sock' -r | grep -q 'is running'" \
    || die "cupsd did not start (see $c/log/error_log, $DIR/logs/cupsd.log)"
}

queue_add() {  # name
  local q=$1 sock port
  [[ $q =~ ^[A-Za-z0-9_-]+$ ]] || die "bad queue name: $q"
  sock=$(cups_socket)
  mkdir -p "$DIR/jobs/$q" "$DIR/queues"
  stop "capture-$q"
  rm -f "$DIR/queues/$q.port"
  start "capture-$q" python3 "$PY" "$here/benchd.py" capture "$DIR/jobs/$q" "$DIR/queues/$q.port"
  WATCH=capture-$q wait_for "capture listener of $q" 10 test -s "$DIR/queues/$q.port" || die "capture listener of $q did not start"
  port=$(cat "$DIR/queues/$q.port")
  # Debian's lpadmin warns that raw queues are deprecated; they still work.
  lpadmin -h "$sock" -p "$q" -E -v "socket://127.0.0.1:$port" -m raw \
      -o printer-error-policy=abort-job 2> >(grep -v 'deprecated' >&2) \
    || die "lpadmin could not add $q"
  wait_for "queue $q" 10 bash -c "lpstat -h '$sock' -p '$q' | grep -q enabled" || die "queue $q is not enabled"
}

queue_remove() {  # name
  local q=$1
  lpadmin -h "$(cups_socket)" -x "$q" 2>/dev/null || true
  stop "capture-$q"
  rm -rf "$DIR/queues/$q.port" "$DIR/jobs/$q"
}

# ---- snmpd agents --------------------------------------------------------------
freeport() { "$PY" "$here/benchd.py" freeport "$1" udp; }

start_snmpd() {  # name address port "type value" community [oid]: no value, no object
  local name=$1 addr=$2 port=$3 value=$4 community=$5 oid=${6:-$OID} a=$DIR/agents
  mkdir -p "$a/$name.persist"
  {
    echo "rocommunity $community default"
    [ -z "$value" ] || echo "override $oid $value"
    if [ "$name" = STATE ]; then
      # One registration per column, ahead (-p 1) of the agent's own Host
      # Resources tables, which would win over a shorter subtree.
      printf '%s\n' "$STATE_READY" >"$a/STATE.state"
      local column
      for column in .1.3.6.1.2.1.25.3.2.1.5 .1.3.6.1.2.1.25.3.5.1.1 .1.3.6.1.2.1.25.3.5.1.2 .1.3.6.1.2.1.43.10.2.1.4; do
        echo "pass_persist -p 1 $column $PY $here/benchd.py state-pass $a/STATE.state"
      done
    fi
    echo "dontLogTCPWrappersConnects yes"
  } >"$a/$name.conf"
  # -C: no configuration but ours; the persistent dir keeps /var/lib/snmp untouched;
  # smux off so that agents do not fight over TCP 199.
  start "snmpd-$name" snmpd env SNMP_PERSISTENT_DIR="$a/$name.persist" \
    snmpd -f -Lf "$a/$name.log" -C -c "$a/$name.conf" -p "$a/$name.pid" -I -smux "udp:$addr:$port"
}

snmpd_ready() {  # address port: a UDP socket bound there (from /proc: no iproute2 needed)
  local a b c d
  IFS=. read -r a b c d <<<"$1"
  grep -q "^ *[0-9]*: $(printf '%02X%02X%02X%02X:%04X' "$d" "$c" "$b" "$a" "$2") " /proc/net/udp
}

start_agents() {
  local n a name num mode devvar value community port relays=() entry json
  n=$(net)
  a=$DIR/agents
  rm -rf "$a"; mkdir -p "$a"
  local pending=()
  for entry in "${AGENTS[@]}" LOCAL:1:normal; do
    IFS=: read -r name num mode <<<"$entry"
    if [ "$name" = LOCAL ] && [ "$n" != 127.0.0 ]; then continue; fi
    local addr=$n.$num listen="\"$n.$num\""
    [ "$name" = LOCAL ] && listen='"127.0.0.1", "::1"'
    echo 0 >"$a/$name.count"
    if [ "$mode" = silent ]; then
      relays+=("{\"name\": \"$name\", \"listen\": [$listen], \"port\": 161, \"mode\": \"silent\", \"count_file\": \"$a/$name.count\"}")
      continue
    fi
    port=$(freeport "$addr")
    community=public
    [ "$name" = COMMUNITY ] && community=private
    local valuevar=SNMP_VALUE_$name oidvar=SNMP_OID_$name
    if [ -n "${!valuevar+set}" ]; then
      value=${!valuevar}
    elif [ "$name" = INTEGER ]; then
      value="integer $INTEGER_VALUE"
    else
      devvar=DEVID_$name
      value="octet_str \"${!devvar}\""
    fi
    start_snmpd "$name" "$addr" "$port" "$value" "$community" "${!oidvar:-}"
    pending+=("$name:$addr:$port")
    relays+=("{\"name\": \"$name\", \"listen\": [$listen], \"port\": 161, \"mode\": \"$mode\", \"count_file\": \"$a/$name.count\", \"forward\": [\"$addr\", $port]}")
  done
  json=$(IFS=,; echo "[${relays[*]}]")
  echo "$json" >"$a/relays.json"
  rm -f "$a/relays.status"
  start relay python3 "$PY" "$here/benchd.py" relay "$a/relays.json" "$a/relays.status"
  for entry in "${pending[@]}"; do
    IFS=: read -r name addr port <<<"$entry"
    WATCH=snmpd-$name wait_for "snmpd $name" 20 snmpd_ready "$addr" "$port" || die "snmpd $name did not start (see $a/$name.log)"
    # snmpd starts each pass_persist helper at its first question, one after
    # another: asked here, straight at snmpd (the relay's count stays 0), so that
    # a test's first check does not wait for four interpreters to start.
    if [ "$name" = STATE ]; then
      WATCH=snmpd-$name wait_for "the STATE agent's state objects" 20 env SNMP_PERSISTENT_DIR="$DIR/snmp-client" \
        snmpget -v1 -c public -t 2 -r 0 -On "$addr:$port" .1.3.6.1.2.1.25.3.2.1.5.1 .1.3.6.1.2.1.25.3.5.1.1.1 \
        .1.3.6.1.2.1.25.3.5.1.2.1 .1.3.6.1.2.1.43.10.2.1.4.1.1 || die "snmpd STATE did not answer its state objects"
    fi
  done
  WATCH=relay wait_for "SNMP relays" 10 test -s "$a/relays.status" || die "SNMP relays did not start"
  if grep -v '^LOCAL ' "$a/relays.status" | grep -q bind-failed; then
    die "SNMP relay could not bind: $(grep bind-failed "$a/relays.status" | tr '\n' ' ')"
  fi
}

# ---- IPP printers ----------------------------------------------------------------
# ippeveprinter refuses to start without DNS-SD, which needs the system D-Bus
# and avahi: started here only when not already running (and then stopped by down).
system_bus_ready() {
  dbus-send --system --dest=org.freedesktop.DBus --type=method_call --print-reply / org.freedesktop.DBus.GetId
}

tcp_listening() {  # address port, from /proc
  local a b c d
  IFS=. read -r a b c d <<<"$1"
  grep -q "^ *[0-9]*: $(printf '%02X%02X%02X%02X:%04X' "$d" "$c" "$b" "$a" "$2") 00000000:0000 0A" /proc/net/tcp
}

start_ipp() {
  local n port
  n=$(net)
  if ! system_bus_ready >/dev/null 2>&1; then
    mkdir -p /run/dbus
    start dbus dbus-daemon dbus-daemon --system --nofork --nopidfile
    WATCH=dbus wait_for "the system D-Bus" 10 system_bus_ready || die "dbus-daemon did not start"
  fi
  if ! avahi-daemon --check 2>/dev/null; then
    start avahi avahi-daemon avahi-daemon --no-drop-root --no-chroot
    WATCH=avahi wait_for "avahi-daemon" 10 avahi-daemon --check || die "avahi-daemon did not start"
  fi
  # It listens on localhost only (with an address it fails on the IPv6 listener):
  # a relay puts it on the bench's address. It advertises nothing (-r off): CUPS
  # clients, Wine among them, would list it as a printer of their own.
  port=$("$PY" "$here/benchd.py" freeport 127.0.0.1 tcp)
  mkdir -p "$DIR/ipp/spool"
  start ippeveprinter ippeveprinter ippeveprinter -n localhost -p "$port" -r off -d "$DIR/ipp/spool" -M Orvane \
    -m "Standard 300" -f application/pdf,image/jpeg "Orvane IPP $n"
  WATCH=ippeveprinter wait_for "ippeveprinter" 20 tcp_listening 127.0.0.1 "$port" || die "ippeveprinter did not start"
  start ipp-IPPEVE python3 "$PY" "$here/benchd.py" ipp "$n.13" forward "$port"
  start ipp-IPPFORMATS python3 "$PY" "$here/benchd.py" ipp "$n.14" formats "$IPPFORMATS_TYPES"
  start ipp-IPPSLOW python3 "$PY" "$here/benchd.py" ipp "$n.22" forward "$port" "$IPPSLOW_DELAY"
  start ipp-IPPONLY python3 "$PY" "$here/benchd.py" ipp "$n.23" forward "$port"
  WATCH=ipp-IPPEVE wait_for "IPP relay" 10 tcp_listening "$n.13" 631 || die "IPP relay did not start"
  WATCH=ipp-IPPSLOW wait_for "IPP relay" 10 tcp_listening "$n.22" 631 || die "delaying IPP relay did not start"
  WATCH=ipp-IPPONLY wait_for "IPP relay" 10 tcp_listening "$n.23" 631 || die "IPP relay did not start"
  WATCH=ipp-IPPFORMATS wait_for "IPP printer" 10 tcp_listening "$n.14" 631 || die "IPP printer did not start"
  printf '%s\n' "$IPPSTATE_READY" >"$DIR/ipp/IPPSTATE.state"
  start ipp-IPPSTATE python3 "$PY" "$here/benchd.py" ipp "$n.31" state "$DIR/ipp/IPPSTATE.state"
  WATCH=ipp-IPPSTATE wait_for "IPP printer" 10 tcp_listening "$n.31" 631 || die "IPP state printer did not start"
  # The same printer over TLS with a self-signed certificate, as printers serve it.
  openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Orvane bench printer" -days 7 \
    -keyout "$DIR/ipp/tls.key" -out "$DIR/ipp/tls.crt" >/dev/null 2>&1 || die "openssl could not make a certificate"
  start ipp-IPPTLS python3 "$PY" "$here/benchd.py" ipp "$n.15" tls "$port,$DIR/ipp/tls.crt,$DIR/ipp/tls.key"
  WATCH=ipp-IPPTLS wait_for "IPP TLS front" 10 tcp_listening "$n.15" 631 || die "IPP TLS front did not start"
}

# ---- Wine --------------------------------------------------------------------
wine_env() {
  export WINEPREFIX=$DIR/wineprefix WINEDEBUG=-all DISPLAY CUPS_SERVER
  DISPLAY=$(display)
  CUPS_SERVER=$(cups_socket)
  unset PRINTER LPDEST WINEARCH
}

prepare_prefix() {
  wine_env
  [ -f "$WINEPREFIX/.orvane-ready" ] && return 0
  log "creating the Wine prefix (once)"
  rm -rf "$WINEPREFIX"
  # No Mono/Gecko installer dialogs: nothing here needs them and nobody can click them.
  ( close_fds; WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE64" wineboot -i </dev/null >>"$DIR/logs/wineboot.log" 2>&1 ) \
    || die "wineboot failed (see $DIR/logs/wineboot.log)"
  # Without a window manager, managed windows make every hide/destroy wait ~2 s.
  "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >>"$DIR/logs/wineboot.log" 2>&1
  "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >>"$DIR/logs/wineboot.log" 2>&1
  "$WINESERVER" -w
  touch "$WINEPREFIX/.orvane-ready"
}

stop_wine() {
  [ -d "$DIR/wineprefix" ] || return 0
  WINEPREFIX=$DIR/wineprefix timeout 20 "$WINESERVER" -k 2>/dev/null || true
  WINEPREFIX=$DIR/wineprefix timeout 20 "$WINESERVER" -w 2>/dev/null || true
}

# ---- env file ----------------------------------------------------------------
write_env() {
  local n e name num mode devvar f=$DIR/env.tmp
  n=$(net)
  wine_env
  exp() { echo "export $1=$(q "$2")"; }
  {
    echo "# Written by tests/bench/bench.sh up; removed by down."
    exp ORVANE_BENCH_DIR "$DIR"
    exp ORVANE_BENCH_NET "$n"
    exp DISPLAY "$DISPLAY"
    exp WINEPREFIX "$WINEPREFIX"
    exp CUPS_SERVER "$CUPS_SERVER"
    exp WINEDEBUG -all
    exp ORVANE_JOBS_DIR "$DIR/jobs"
    # net-snmp's tools would otherwise write to /var/lib/snmp.
    exp SNMP_PERSISTENT_DIR "$DIR/snmp-client"
    echo "unset PRINTER LPDEST"
    local i=1
    for q in "${STANDARD_QUEUES[@]}"; do
      exp "ORVANE_QUEUE_$i" "$q"; i=$((i + 1))
    done
    for e in "${AGENTS[@]}"; do
      IFS=: read -r name num mode <<<"$e"
      exp "ORVANE_AGENT_$name" "$n.$num:161"
      devvar=DEVID_$name
      [ -n "${!devvar:-}" ] && exp "ORVANE_DEVICEID_$name" "${!devvar}"
    done
    exp ORVANE_IPP_TLS "$n.15:631"
    exp ORVANE_STATE_FILE "$DIR/agents/STATE.state"
    exp ORVANE_STATE_READY "$STATE_READY"
    exp ORVANE_IPPSTATE_FILE "$DIR/ipp/IPPSTATE.state"
    exp ORVANE_IPPSTATE_READY "$IPPSTATE_READY"
    exp ORVANE_AGENT_INTEGER_VALUE "$INTEGER_VALUE"
    exp ORVANE_AGENT_COMMUNITY_NAME private
    if grep -q '^LOCAL 127.0.0.1 ok' "$DIR/agents/relays.status" 2>/dev/null; then
      exp ORVANE_AGENT_LOCAL "127.0.0.1:161"
      if grep -q '^LOCAL ::1 ok' "$DIR/agents/relays.status"; then exp ORVANE_AGENT_LOCAL6 "[::1]:161"; fi
      exp ORVANE_DEVICEID_LOCAL "$DEVID_LOCAL"
    fi
  } >"$f"
  mv "$f" "$DIR/env"
}

# ---- commands ----------------------------------------------------------------
components() {  # names of every process the bench should have running
  [ -f "$DIR/state/external-display" ] || echo xvfb
  echo cupsd relay
  local f
  for f in "$DIR"/pids/*; do
    [ -e "$f" ] || continue
    case ${f##*/} in capture-*|snmpd-*|ipp-*|ippeveprinter|dbus|avahi) echo "${f##*/}";; esac
  done
}

all_alive() {
  [ -f "$DIR/state/up" ] || return 1
  local c
  for c in $(components); do alive "$c" || return 1; done
}

cmd_up() {
  if all_alive; then
    log "already up ($DIR)"
    return 0
  fi
  [ -d "$DIR/pids" ] && cmd_down_locked
  local t0=$SECONDS
  mkdir -p "$DIR/state" "$DIR/logs" "$DIR/pids" "$DIR/snmp-client/cert_indexes"
  echo "${ORVANE_BENCH_NET:-127.0.0}" >"$DIR/state/net"
  [[ $(net) =~ ^127\.[0-9]+\.[0-9]+$ ]] || die "ORVANE_BENCH_NET must be a loopback /24 such as 127.0.0"
  rm -rf "$DIR/jobs" "$DIR/queues"
  start_xvfb
  start_cupsd
  start_agents
  start_ipp
  for q in "${STANDARD_QUEUES[@]}"; do queue_add "$q"; done
  lpadmin -h "$(cups_socket)" -d "${STANDARD_QUEUES[0]}"
  prepare_prefix
  # A persistent wineserver spares every test its start-up.
  ( close_fds; "$WINESERVER" -p </dev/null >>"$DIR/logs/wineserver.log" 2>&1 )
  # Start Wine's services now, holding none of our caller's pipes: they stay
  # with the persistent server, so tests need not start them.
  ( close_fds; "$WINE64" cmd /c exit </dev/null >>"$DIR/logs/wineserver.log" 2>&1 ) || true
  # Every bench starts at 96 DPI: a scale tests/bench/with-dpi.sh put back just
  # before the last down may not have reached the disk (the server is killed).
  ( close_fds; "$WINE64" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null \
      >>"$DIR/logs/wineserver.log" 2>&1 ) || true
  # Programs follow no job after the send unless a test asks (FollowQEL, seconds):
  # what a test sees after Print stays what it saw before that feature.
  ( close_fds; "$WINE64" reg add 'HKLM\SOFTWARE\Corvath\QEL' /v FollowQEL /t REG_DWORD /d 0 /f </dev/null \
      >>"$DIR/logs/wineserver.log" 2>&1 ) || true
  write_env
  touch "$DIR/state/up"
  log "up in $((SECONDS - t0)) s: display $(display), CUPS $(cups_socket), agents on $(net).x; env in $DIR/env"
}

cmd_down_locked() {
  rm -f "$DIR/state/up" "$DIR/env"
  # Wine first: its processes talk to the display and the spooler.
  stop_wine
  local f
  for f in "$DIR"/pids/*; do
    [ -e "$f" ] || continue
    case ${f##*/} in xvfb|cupsd) ;; *) stop "${f##*/}";; esac
  done
  stop cupsd
  stop xvfb
  rm -f "$(cups_socket)" "$DIR/state/net" "$DIR/state/display" "$DIR/state/external-display"
}

cmd_status() {
  local rc=0 c n
  if [ -f "$DIR/state/up" ]; then echo "bench: up ($DIR)"; else echo "bench: down ($DIR)"; rc=1; fi
  for c in $(components); do
    if alive "$c"; then echo "  $c: running (pid $(cut -d' ' -f1 "$DIR/pids/$c"))"
    else echo "  $c: NOT running"; rc=1; fi
  done
  [ -f "$DIR/state/display" ] && echo "  display: $(display)"
  echo "  CUPS_SERVER: $(cups_socket)"
  for q in "$DIR"/queues/*.port; do
    [ -e "$q" ] || continue
    n=${q##*/}; n=${n%.port}
    echo "  queue $n -> socket://127.0.0.1:$(cat "$q") ($(ls "$DIR/jobs/$n" 2>/dev/null | grep -c '\.bin$') jobs)"
  done
  if [ -f "$DIR/agents/relays.status" ]; then
    while read -r name host state rest; do
      echo "  agent $name $host:161 $state${rest:+ ($rest)} requests=$(cat "$DIR/agents/$name.count" 2>/dev/null || echo 0)"
    done <"$DIR/agents/relays.status"
    if [ "$(net)" = 127.0.0 ] && ! grep -q '^LOCAL 127.0.0.1 ok' "$DIR/agents/relays.status"; then
      echo "  agent LOCAL: 127.0.0.1:161 is taken; ORVANE_AGENT_LOCAL is not set"
    fi
  fi
  if [ -f "$DIR/wineprefix/.orvane-ready" ]; then echo "  wine prefix: $DIR/wineprefix"; else echo "  wine prefix: not created"; fi
  return $rc
}

agent_file() {
  [[ $1 =~ ^[A-Z0-9_]+$ ]] || die "bad agent name: $1"
  [ -f "$DIR/agents/$1.count" ] || die "no agent $1 (is the bench up?)"
  echo "$DIR/agents/$1.count"
}

main() {
  local cmd=${1:-}
  case $cmd in
    up|down|queue-add|queue-remove)
      [ "$cmd" = up ] && mkdir -p "$DIR"
      [ -d "$DIR" ] || { log "no bench in $DIR"; return 0; }
      # One bench operation at a time per bench dir.
      exec 9>"$DIR/.bench-lock"
      flock -w 300 9 || die "bench is locked (another bench.sh is running on $DIR)"
      case $cmd in
        up)
          # A bench that fails half-way is taken down again: nothing is left running.
          if ! (cmd_up); then
            log "up failed; taking down what was started"
            cmd_down_locked
            exit 1
          fi ;;
        down) cmd_down_locked; log "down" ;;
        queue-add) [ $# -eq 2 ] || die "usage: bench.sh queue-add NAME"; all_alive || die "bench is not up"; queue_add "$2" ;;
        queue-remove) [ $# -eq 2 ] || die "usage: bench.sh queue-remove NAME"; queue_remove "$2" ;;
      esac ;;
    status) cmd_status ;;
    agent-count) [ $# -eq 2 ] || die "usage: bench.sh agent-count NAME"; local f; f=$(agent_file "$2"); cat "$f" ;;
    agent-reset)
      [ $# -eq 2 ] || die "usage: bench.sh agent-reset NAME"
      local f; f=$(agent_file "$2"); echo 0 >"$f.tmp"; mv "$f.tmp" "$f" ;;
    *) sed -n '2,12p' "$0" >&2; exit 2 ;;
  esac
}

main "$@"

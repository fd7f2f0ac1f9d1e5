#!/usr/bin/env python3
"""Small network helpers of the test bench (Python 3 standard library only).

  benchd.py capture <jobs-dir> <port-file>
      TCP listener on 127.0.0.1 (a free port, written to <port-file>): every
      connection's bytes become one job file, job-NNNN.bin, written as .part and
      renamed once the sender closes its side.
  benchd.py relay <config.json> <status-file>
      UDP relays in front of the snmpd agents. Each relay counts the requests for
      the private device-ID object it receives in <count-file> and forwards every
      request to its agent (or drops them); a "late" relay holds every answer
      LATE_SECONDS before passing it on, as a printer waking up.
  benchd.py ipp <address> forward <port> [<delay-s>]
  benchd.py ipp <address> tls <port>,<certificate>,<key>  (the same over TLS)
      TCP relay from <address>:631 to 127.0.0.1:<port> (ippeveprinter listens
      on localhost only); with a delay, each answer is held that long before
      its first byte goes back (a printer waking up).
  benchd.py ipp <address> formats <type,type...>
      A printer on <address>:631 that answers a POST to /ipp (and nothing else:
      404) with a Get-Printer-Attributes answer, chunked, holding
      document-format-supported and no printer-device-id.
  benchd.py ipp <address> state <state-file>
      An IPP printer on <address>:631 (at /ipp/print, /ipp and /) whose
      Get-Printer-Attributes answer carries printer-device-id and its state as
      <state-file> holds it at that moment (read at every request; missing
      keys are left out):
        device-id MFG:...;CMD:...;
        printer-state 3
        printer-state-reasons media-jam-error,toner-low-report
        printer-state-message Jam in tray 2
  benchd.py state-pass <state-file>
      net-snmp's pass_persist program for the printer-state agent: answers
      GETs of hrDeviceStatus, hrPrinterStatus, hrPrinterDetectedErrorState and
      prtMarkerLifeCount (instance 1) from <state-file>, read at every request,
      one "name value" line each (the error state as hex digits, "0400" =
      jammed); a missing file or line: no such object.
  benchd.py freeport <address> udp|tcp
      Prints a port that is free on <address> right now.
  benchd.py run <program> [args...]
      Runs a program, copies its output to ours and returns its exit code as
      soon as it exits, even while processes it started (Wine's explorer,
      services) still hold its output pipes: a caller such as CTest waits for
      its pipes to close, and those processes live on until the bench stops.
"""
import json
import os
import collections
import select
import selectors
import socket
import ssl
import sys
import threading
import time


def write_atomic(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write(text)
    os.replace(tmp, path)


# ---- capture listener -------------------------------------------------------

class JobNumbers:
    """Hands out job numbers; never reuses a name that is on disk."""

    def __init__(self, folder):
        self.folder = folder
        self.lock = threading.Lock()
        self.next = 1

    def take(self):
        with self.lock:
            while True:
                n = self.next
                self.next += 1
                name = os.path.join(self.folder, "job-%04d" % n)
                if not os.path.exists(name + ".bin") and not os.path.exists(name + ".part"):
                    return name


def receive_job(conn, numbers):
    base = numbers.take()
    part = base + ".part"
    with conn, open(part, "wb") as out:
        while True:
            data = conn.recv(65536)
            if not data:
                break
            out.write(data)
        out.flush()
        os.fsync(out.fileno())
    # The job only counts once it is whole.
    os.replace(part, base + ".bin")


def capture(folder, port_file):
    os.makedirs(folder, exist_ok=True)
    numbers = JobNumbers(folder)
    srv = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    srv.bind(("127.0.0.1", 0))
    srv.listen(16)
    write_atomic(port_file, "%d\n" % srv.getsockname()[1])
    while True:
        conn, _ = srv.accept()
        threading.Thread(target=receive_job, args=(conn, numbers), daemon=True).start()


# ---- SNMP relays ------------------------------------------------------------

def bump(count_file):
    """Adds one to the request counter on disk and returns the new value.
    The file is the only state, so 'agent-reset' (writing 0) takes effect at once."""
    try:
        with open(count_file) as f:
            n = int(f.read().strip() or "0")
    except (OSError, ValueError):
        n = 0
    n += 1
    write_atomic(count_file, "%d\n" % n)
    return n


MAX_UPSTREAM = 256
LATE_SECONDS = 1.3


def oid_content(dotted):
    arcs = [int(a) for a in dotted.split(".")]
    out = bytes([arcs[0] * 40 + arcs[1]])
    for arc in arcs[2:]:
        chunk = [arc & 0x7F]
        arc >>= 7
        while arc:
            chunk.insert(0, 0x80 | (arc & 0x7F))
            arc >>= 7
        out += bytes(chunk)
    return out


# The counts, and SECOND's odd/even cycle, are of requests for the private
# device-ID object; the standard objects a lookup asks beside it pass uncounted.
PRIVATE_OBJECT = oid_content("1.3.6.1.4.1.47261.11.5.1.1.1.26.0")


def relay(config_file, status_file):
    with open(config_file) as f:
        agents = json.load(f)
    fronts = {}      # socket -> agent
    backs = {}       # socket -> (front socket, client address)
    upstream = collections.OrderedDict()  # (agent name, client address) -> socket
    status = []
    for agent in agents:
        bound = []
        for host in agent["listen"]:
            family = socket.AF_INET6 if ":" in host else socket.AF_INET
            try:
                s = socket.socket(family, socket.SOCK_DGRAM)
            except OSError as e:  # no IPv6 on this machine
                status.append("%s %s bind-failed %s" % (agent["name"], host, e.strerror))
                continue
            try:
                s.bind((host, agent["port"]))
            except OSError as e:
                status.append("%s %s bind-failed %s" % (agent["name"], host, e.strerror))
                s.close()
                continue
            fronts[s] = agent
            bound.append(host)
            status.append("%s %s ok" % (agent["name"], host))
    write_atomic(status_file, "\n".join(status) + "\n")

    # Clients open a fresh socket for every request, so upstream sockets are kept
    # only for the most recent clients; select() would fail past 1024 descriptors.
    sel = selectors.DefaultSelector()
    for s in fronts:
        sel.register(s, selectors.EVENT_READ)
    held = []  # (due, front socket, answer, client) of "late" relays, oldest first
    while True:
        now = time.monotonic()
        while held and held[0][0] <= now:
            _, front, data, client = held.pop(0)
            front.sendto(data, client)
        for ready, _ in sel.select(held[0][0] - now if held else None):
            s = ready.fileobj
            if s in fronts:
                agent = fronts[s]
                data, client = s.recvfrom(65535)
                private = PRIVATE_OBJECT in data
                n = bump(agent["count_file"]) if private else 0
                mode = agent["mode"]
                if mode == "silent" or (mode == "second" and n % 2 == 1):
                    continue
                key = (agent["name"], client)
                up = upstream.pop(key, None)
                if up is None:
                    back_host, back_port = agent["forward"]
                    up = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                    up.connect((back_host, back_port))
                    backs[up] = (s, client)
                    sel.register(up, selectors.EVENT_READ)
                upstream[key] = up  # most recently used last
                while len(upstream) > MAX_UPSTREAM:
                    _, old = upstream.popitem(last=False)
                    sel.unregister(old)
                    del backs[old]
                    old.close()
                try:
                    up.send(data)
                except OSError:
                    pass  # the agent is gone: the request goes unanswered, as on a network
            else:
                front, client = backs[s]
                try:
                    data = s.recv(65535)
                except OSError:
                    continue
                if fronts[front]["mode"] == "late":
                    held.append((time.monotonic() + LATE_SECONDS, front, data, client))
                else:
                    front.sendto(data, client)


# ---- IPP on port 631 -------------------------------------------------------------

def ipp_formats_answer(formats, request_id):
    def attr(tag, name, value):
        return (bytes([tag]) + len(name).to_bytes(2, "big") + name.encode() +
                len(value).to_bytes(2, "big") + value.encode())
    body = bytes([2, 0, 0, 0]) + request_id + b"\x01" + attr(0x47, "attributes-charset", "utf-8")
    body += attr(0x48, "attributes-natural-language", "en") + b"\x04"
    for i, f in enumerate(formats):
        body += attr(0x49, "" if i else "document-format-supported", f)
    body += b"\x03"
    out = b"HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nTransfer-Encoding: chunked\r\n\r\n"
    for i in range(0, len(body), 32):
        out += b"%x\r\n" % len(body[i:i + 32]) + body[i:i + 32] + b"\r\n"
    return out + b"0\r\n\r\n"


def ipp_serve(address, mode, arg, delay=0.0):
    listener = socket.create_server((address, 631), reuse_port=False)
    tls = None
    if mode == "tls":   # arg: <port>,<certificate>,<key>: TLS in front of the printer on that port
        arg, certificate, key = arg.split(",")
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(certificate, key)

    def pipe(a, b, hold=0.0):
        try:
            while True:
                data = a.recv(65536)
                if not data:
                    break
                if hold:
                    time.sleep(hold)
                    hold = 0.0
                b.sendall(data)
        except OSError:
            pass
        for s in (a, b):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def client(conn):
        if tls is not None:
            try:
                conn.settimeout(10)
                conn = tls.wrap_socket(conn, server_side=True)
                conn.settimeout(None)
            except (OSError, ssl.SSLError):
                conn.close()
                return
        with conn:
            if mode not in ("formats", "state"):
                with socket.create_connection(("127.0.0.1", int(arg))) as up:
                    t = threading.Thread(target=pipe, args=(up, conn, delay), daemon=True)
                    t.start()
                    pipe(conn, up)
                    t.join()
                return
            # The request is small: on loopback it comes in one piece. The
            # answer echoes its request-id, as a printer must.
            request = conn.recv(65536)
            ipp = request[request.find(b"\r\n\r\n") + 4:]
            if mode == "state":
                conn.sendall(ipp_state_answer(arg, ipp[0:2], ipp[4:8]))
                return
            conn.sendall(ipp_formats_answer(arg.split(","), ipp[4:8]) if request.startswith(b"POST /ipp ") else
                         b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")

    while True:
        conn, _ = listener.accept()
        threading.Thread(target=client, args=(conn,), daemon=True).start()


def read_state(path):
    state = {}
    try:
        with open(path) as f:
            for line in f:
                key, _, value = line.rstrip("\n").partition(" ")
                if key:
                    state[key] = value
    except OSError:
        pass
    return state


STATE_OBJECTS = {   # the instance each serves, its pass type, how the file's text becomes the value
    ".1.3.6.1.2.1.25.3.2.1.5.1": ("hrDeviceStatus", "integer", str),
    ".1.3.6.1.2.1.25.3.5.1.1.1": ("hrPrinterStatus", "integer", str),
    ".1.3.6.1.2.1.25.3.5.1.2.1": ("hrPrinterDetectedErrorState", "octet",
                                  lambda v: " ".join(v[i:i + 2] for i in range(0, len(v), 2))),
    ".1.3.6.1.2.1.43.10.2.1.4.1.1": ("prtMarkerLifeCount", "counter", str),
}


def state_pass(path):
    """pass_persist: PING -> PONG; get <oid> -> oid, type, value or NONE."""
    def out(text):
        sys.stdout.write(text)
        sys.stdout.flush()
    while True:
        line = sys.stdin.readline()
        if not line:
            return
        command = line.strip()
        if command == "PING":
            out("PONG\n")
            continue
        oid = sys.stdin.readline().strip()
        if command == "set":
            sys.stdin.readline()
            out("not-writable\n")
            continue
        known = STATE_OBJECTS.get(oid) if command == "get" else None
        value = read_state(path).get(known[0]) if known else None
        if value is None:
            out("NONE\n")
        else:
            out("%s\n%s\n%s\n" % (oid, known[1], known[2](value)))


def ipp_state_answer(path, version, request_id):
    def attr(tag, name, value):
        value = value.encode() if isinstance(value, str) else value
        return (bytes([tag]) + len(name).to_bytes(2, "big") + name.encode() +
                len(value).to_bytes(2, "big") + value)
    state = read_state(path)
    body = version + bytes([0, 0]) + request_id + b"\x01" + attr(0x47, "attributes-charset", "utf-8")
    body += attr(0x48, "attributes-natural-language", "en") + b"\x04"
    if "device-id" in state:
        body += attr(0x41, "printer-device-id", state["device-id"])
    if "printer-state" in state:
        body += attr(0x23, "printer-state", int(state["printer-state"]).to_bytes(4, "big"))
    if "printer-state-reasons" in state:
        for i, reason in enumerate(state["printer-state-reasons"].split(",")):
            body += attr(0x44, "" if i else "printer-state-reasons", reason)
    if "printer-state-message" in state:
        body += attr(0x41, "printer-state-message", state["printer-state-message"])
    body += b"\x03"
    return (b"HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: %d\r\n\r\n" % len(body)) + body


def freeport(host, kind):
    family = socket.AF_INET6 if ":" in host else socket.AF_INET
    s = socket.socket(family, socket.SOCK_DGRAM if kind == "udp" else socket.SOCK_STREAM)
    s.bind((host, 0))
    print(s.getsockname()[1])
    s.close()


def run(args):
    import fcntl
    import subprocess
    proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, close_fds=True)
    routes = {proc.stdout.fileno(): sys.stdout.buffer, proc.stderr.fileno(): sys.stderr.buffer}
    for fd in routes:
        fcntl.fcntl(fd, fcntl.F_SETFL, fcntl.fcntl(fd, fcntl.F_GETFL) | os.O_NONBLOCK)

    def pump(fds):
        for fd in fds:
            while True:
                try:
                    data = os.read(fd, 65536)
                except BlockingIOError:
                    break
                if not data:
                    routes.pop(fd, None)
                    break
                routes[fd].write(data)
                routes[fd].flush()

    try:
        pidfd = os.pidfd_open(proc.pid)
    except (AttributeError, OSError):
        pidfd = None
    while proc.poll() is None:
        watch = list(routes) + ([pidfd] if pidfd is not None else [])
        readable, _, _ = select.select(watch, [], [], 0.05 if pidfd is None else None)
        pump([fd for fd in readable if fd in routes])
    # The program has exited: take what it left in the pipes, not more.
    pump(list(routes))
    code = proc.returncode
    return code if code >= 0 else 128 - code


def main(argv):
    if len(argv) >= 3 and argv[1] == "run":
        return run(argv[2:])
    elif len(argv) == 4 and argv[1] == "capture":
        capture(argv[2], argv[3])
    elif len(argv) == 4 and argv[1] == "relay":
        relay(argv[2], argv[3])
    elif len(argv) == 3 and argv[1] == "state-pass":
        state_pass(argv[2])
    elif len(argv) == 5 and argv[1] == "ipp" and argv[3] in ("forward", "formats", "tls", "state"):
        ipp_serve(argv[2], argv[3], argv[4])
    elif len(argv) == 6 and argv[1] == "ipp" and argv[3] == "forward":
        ipp_serve(argv[2], argv[3], argv[4], float(argv[5]))
    elif len(argv) == 4 and argv[1] == "freeport":
        freeport(argv[2], argv[3])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

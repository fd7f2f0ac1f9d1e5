#!/usr/bin/env python3
"""Small network helpers of the test bench (Python 3 standard library only).

  benchd.py capture <jobs-dir> <port-file>
      TCP listener on 127.0.0.1 (a free port, written to <port-file>): every
      connection's bytes become one job file, job-NNNN.bin, written as .part and
      renamed once the sender closes its side.
  benchd.py relay <config.json> <status-file>
      UDP relays in front of the snmpd agents. Each relay counts the requests for
      the private device-ID object it receives in <count-file> and forwards every
      request to its agent (or drops them).
  benchd.py ipp <address> forward <port> [<delay-s>]
  benchd.py ipp <address> tls <port>,<certificate>,<key>  (the same over TLS)
      TCP relay from <address>:631 to 127.0.0.1:<port> (ippeveprinter listens
      on localhost only); with a delay, each answer is held that long before
      its first byte goes back (a printer waking up).
  benchd.py ipp <address> formats <type,type...>
      A printer on <address>:631 that answers a POST to /ipp (and nothing else:
      404) with a Get-Printer-Attributes answer, chunked, holding
      document-format-supported and no printer-device-id.
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
    while True:
        for ready, _ in sel.select():
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
                front.sendto(data, client)


# ---- IPP on port 631 -------------------------------------------------------------

def ipp_formats_answer(formats):
    def attr(tag, name, value):
        return (bytes([tag]) + len(name).to_bytes(2, "big") + name.encode() +
                len(value).to_bytes(2, "big") + value.encode())
    body = bytes([2, 0, 0, 0, 0, 0, 0, 1, 1]) + attr(0x47, "attributes-charset", "utf-8")
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
    answer = ipp_formats_answer(arg.split(",")) if mode == "formats" else None
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
            if answer is None:
                with socket.create_connection(("127.0.0.1", int(arg))) as up:
                    t = threading.Thread(target=pipe, args=(up, conn, delay), daemon=True)
                    t.start()
                    pipe(conn, up)
                    t.join()
                return
            # The request is small: on loopback it comes in one piece.
            request = conn.recv(65536)
            conn.sendall(answer if request.startswith(b"POST /ipp ") else
                         b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")

    while True:
        conn, _ = listener.accept()
        threading.Thread(target=client, args=(conn,), daemon=True).start()


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
    elif len(argv) == 5 and argv[1] == "ipp" and argv[3] in ("forward", "formats", "tls"):
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

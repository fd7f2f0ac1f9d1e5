#!/usr/bin/python3
# CUPS backend for socket://HOST:PORT device URIs, installed into the bench's own
# ServerBin (Debian's cups-daemon ships only the ipp backend). It sends the job
# as it is and waits for the receiver to close, as an AppSocket printer would.
import os
import socket
import sys
import time
from urllib.parse import urlsplit

if len(sys.argv) == 1:
    print('network socket "Unknown" "Bench AppSocket"')
    sys.exit(0)
if len(sys.argv) not in (6, 7):
    sys.stderr.write("Usage: socket job-id user title copies options [file]\n")
    sys.exit(1)

uri = urlsplit(os.environ.get("DEVICE_URI", ""))
data = open(sys.argv[6], "rb").read() if len(sys.argv) == 7 else sys.stdin.buffer.read()

deadline = time.monotonic() + 10
while True:
    try:
        conn = socket.create_connection((uri.hostname, uri.port or 9100), timeout=30)
        break
    except OSError as e:
        if time.monotonic() > deadline:
            sys.stderr.write("ERROR: cannot connect to %s:%s: %s\n" % (uri.hostname, uri.port, e))
            sys.exit(1)  # CUPS_BACKEND_FAILED
        time.sleep(0.2)
with conn:
    conn.sendall(data)
    conn.shutdown(socket.SHUT_WR)
    while conn.recv(4096):
        pass
sys.exit(0)

#!/usr/bin/env python3
"""Records real SNMP datagrams for the decoder's fuzz corpus.

Relays UDP between clients and one agent and writes every datagram that passes,
in both directions, to OUTDIR as <n>-<req|resp>.bin. Loopback only.
    capture-seeds.py LISTEN_HOST LISTEN_PORT AGENT_HOST AGENT_PORT OUTDIR SECONDS
"""
import os
import select
import socket
import sys
import time


def main():
    listen_host, listen_port, agent_host, agent_port, outdir, seconds = sys.argv[1:7]
    os.makedirs(outdir, exist_ok=True)
    family = socket.AF_INET6 if ":" in agent_host else socket.AF_INET
    front = socket.socket(socket.AF_INET6 if ":" in listen_host else socket.AF_INET, socket.SOCK_DGRAM)
    front.bind((listen_host, int(listen_port)))
    back = socket.socket(family, socket.SOCK_DGRAM)
    client = None
    n = 0
    end = time.time() + float(seconds)
    while time.time() < end:
        ready, _, _ = select.select([front, back], [], [], 0.2)
        for s in ready:
            data, peer = s.recvfrom(65535)
            kind = "req" if s is front else "resp"
            with open(os.path.join(outdir, "%03d-%s.bin" % (n, kind)), "wb") as f:
                f.write(data)
            n += 1
            if s is front:
                client = peer
                back.sendto(data, (agent_host, int(agent_port)))
            elif client:
                front.sendto(data, client)
    print("captured %d datagrams" % n)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Exit 0 when this machine's kernel runs i386 programs, 1 when it refuses them.

Writes the smallest i386 ELF program (it only exits) and starts it, so the answer
needs no 32-bit package: the install step and the 32-bit test runner ask it
before they treat missing 32-bit Wine as a fault.
"""
import errno
import os
import struct
import subprocess
import sys
import tempfile

BASE = 0x08048000
CODE = bytes.fromhex("b801000000" "31db" "cd80")  # exit(0)


def program():
    header_size, segment_size = 52, 32
    entry = BASE + header_size + segment_size
    ident = b"\x7fELF" + bytes([1, 1, 1]) + bytes(9)
    elf = ident + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, entry, header_size, 0, 0,
                              header_size, segment_size, 1, 0, 0, 0)
    size = header_size + segment_size + len(CODE)
    segment = struct.pack("<IIIIIIII", 1, 0, BASE, BASE, size, size, 5, 0x1000)
    return elf + segment + CODE


def main():
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "probe")
        with open(path, "wb") as f:
            f.write(program())
        os.chmod(path, 0o755)
        try:
            return 0 if subprocess.run([path]).returncode == 0 else 1
        except OSError as e:
            if e.errno == errno.ENOEXEC:
                return 1
            raise


if __name__ == "__main__":
    sys.exit(main())

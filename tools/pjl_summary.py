#!/usr/bin/env python3
"""Summarises direct-print jobs: one line per job with its PJL options and payload size.

  pjl_summary.py FILE...          summarise the given job files
  pjl_summary.py --watch DIR      print a line for every job that appears in DIR (Ctrl-C ends)
"""
import os
import re
import sys
import time

UEL = b"\x1b%-12345X"
SET = re.compile(rb'^@PJL SET (\w+)=(.*)$')
ATTR = re.compile(rb'^"@(\w+)=(.*)"$')
ENTER = re.compile(rb'^@PJL ENTER LANGUAGE=(\w+)$')


def parse(job: bytes):
    """Returns (options dict, payload length) or raises ValueError for a job without a PJL header."""
    if not job.startswith(UEL + b"@PJL\r\n"):
        raise ValueError("no PJL header")
    pos = len(UEL) + len(b"@PJL\r\n")
    options = {}
    while job.startswith(b"@PJL", pos):
        end = job.find(b"\r\n", pos)
        if end < 0:
            raise ValueError("unterminated PJL line")
        line = job[pos:end]
        pos = end + 2
        m = ENTER.match(line)
        if m:
            options["LANGUAGE"] = m.group(1).decode("ascii", "replace")
            break  # the payload follows the language switch
        m = SET.match(line)
        if not m:
            continue
        name, value = m.group(1).decode("ascii", "replace"), m.group(2)
        a = ATTR.match(value)
        if name == "JOBATTR" and a:
            options[a.group(1).decode("ascii", "replace")] = a.group(2).decode("latin-1")
        else:
            options[name] = value.decode("latin-1")
    end = len(job) - len(UEL) if job.endswith(UEL) else len(job)
    return options, max(0, end - pos)


def summary(path: str) -> str:
    with open(path, "rb") as f:
        job = f.read()
    name = os.path.basename(path)
    try:
        o, payload = parse(job)
    except ValueError as e:
        return f"{name}: {len(job)} bytes, not a PJL job ({e})"
    pages = "all" if o.get("FSTP", "0") == "0" else f"{o.get('FSTP')}-{o.get('LSTP')}"
    zoom = "fit" if o.get("ZOOM") == "0" else f"{o.get('ZOOM', '?')}%"
    return (f"{name}: {o.get('LANGUAGE', 'no language line')}, {o.get('COPIES', '?')} copies, "
            f"pages {pages}, {o.get('ORIENTATION', '?').lower()}, paper {o.get('PAPER', '?')}, "
            f"media {o.get('PAPERTYPE', '?')}, {o.get('COLORMODE', '?').lower()}, "
            f"{o.get('PRINTQUALITY', '?').lower()}, zoom {zoom}; payload {payload} bytes "
            f"(FILESIZE {o.get('FILESIZE', '?')})")


def watch(folder: str) -> None:
    seen = set()
    os.makedirs(folder, exist_ok=True)
    while True:
        for entry in sorted(os.listdir(folder)):
            if entry.endswith(".bin") and entry not in seen:
                seen.add(entry)
                print("[virtual printer] " + summary(os.path.join(folder, entry)), flush=True)
        time.sleep(0.5)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--watch":
        try:
            watch(sys.argv[2])
        except KeyboardInterrupt:
            pass
    elif len(sys.argv) >= 2 and not sys.argv[1].startswith("-"):
        for p in sys.argv[1:]:
            print(summary(p))
    else:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)

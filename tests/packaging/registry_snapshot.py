#!/usr/bin/env python3
"""registry_snapshot.py <command> ...: the product's part of a Wine prefix's system.reg.

  product <system.reg>           its keys and values, one sorted line each
  new-keys <before> <after>      keys that are in <after> and not in <before>
  as-32-bit <system.reg>         a .reg file that writes the product's 64-bit class
                                 registration again for the 32-bit module (for
                                 `reg import /reg:32` where 32-bit regsvr32 cannot run)
Key and value names compare case-insensitively, as Windows compares them.
"""
import re
import sys

PRODUCT = re.compile(r"9061a1f6|1cf1c09f|bcd94199|tilmar\.|orvanemenuext", re.I)
SECTION = re.compile(r"^\[(.*)\] \d+$")
VALUE = re.compile(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$')


def read(path):
    """{key: [(name, data)]} in file order."""
    keys, current = {}, None
    for line in open(path, encoding="utf-8", errors="replace"):
        line = line.rstrip("\n")
        m = SECTION.match(line)
        if m:
            current = keys.setdefault(m.group(1), [])
            continue
        m = VALUE.match(line)
        if m and current is not None:
            current.append((m.group(1), m.group(2)))
    return keys


def product(keys):
    lines = []
    for key, values in keys.items():
        if PRODUCT.search(key):
            lines.append("[%s]" % key.lower())
        # A folder is the same with or without its closing backslash (the package's
        # folder properties end with one, RegisterTypeLib's help folder does not).
        lines += ["[%s] %s=%s" % (key.lower(), name.lower(), re.sub(r'\\\\"$', '"', data)) for name, data in values
                  if PRODUCT.search(key) or PRODUCT.search(name)]
    return sorted(lines)


def as_32_bit(keys):
    out = ["REGEDIT4", ""]
    for key, values in keys.items():
        if "wow6432node" in key.lower() or not key.lower().startswith("software\\\\"):
            continue
        mine = values if PRODUCT.search(key) else [(n, d) for n, d in values if PRODUCT.search(n)]
        if PRODUCT.search(key) or mine:
            out.append("[HKEY_LOCAL_MACHINE\\%s]" % key.replace("\\\\", "\\"))
            out += ["%s=%s" % (name, data.replace("Tilmar64.dll", "Tilmar.dll")) for name, data in mine]
            out.append("")
    return "\n".join(out).replace("\\win64]", "\\win32]") + "\n"


def main(argv):
    if argv[:1] == ["product"] and len(argv) == 2:
        print("\n".join(product(read(argv[1]))))
    elif argv[:1] == ["new-keys"] and len(argv) == 3:
        before = {key.lower() for key in read(argv[1])}
        print("\n".join(sorted(key for key in read(argv[2]) if key.lower() not in before)))
    elif argv[:1] == ["as-32-bit"] and len(argv) == 2:
        sys.stdout.write(as_32_bit(read(argv[1])))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])

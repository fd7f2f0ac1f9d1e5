#!/usr/bin/env python3
"""registry_snapshot.py product|as-32-bit <system.reg>: the product's part of a Wine prefix's registry,
as one sorted line per key (names in lower case), or as a .reg file that writes the 64-bit
registration again for Tilmar.dll (`reg import /reg:32` where 32-bit regsvr32 cannot run)."""
import re
import sys

PRODUCT = re.compile(r"9061a1f6|1cf1c09f|bcd94199|tilmar\.|orvanemenuext", re.I)


def read(path):
    """{key: [(name, data)]} in file order."""
    keys, current = {}, []
    for line in open(path, encoding="utf-8", errors="replace"):
        section = re.match(r"^\[(.*)\] \d+$", line)
        value = re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line.rstrip("\n"))
        if section:
            current = keys.setdefault(section.group(1), [])
        elif value:
            current.append(value.groups())
    return keys


def mine(keys):
    """(key, its values of the product) for the product's keys and the values it names."""
    for key, values in keys.items():
        ours = values if PRODUCT.search(key) else [(n, d) for n, d in values if PRODUCT.search(n)]
        if PRODUCT.search(key) or ours:
            yield key, ours


def main(command, path):
    keys = read(path)
    if command == "product":
        # A folder is the same with or without its closing backslash (the package's
        # folder properties end with one, RegisterTypeLib's help folder does not).
        print("\n".join(sorted("[%s] %s" % (key.lower(), " ".join(sorted(
            "%s=%s" % (n.lower(), re.sub(r'\\\\"$', '"', d)) for n, d in values))) for key, values in mine(keys))))
    elif command == "as-32-bit":
        print("REGEDIT4")
        for key, values in mine(keys):
            # ProgIDs and file-type handlers are one key for both views on 64-bit Windows,
            # and 32-bit regsvr32 writes them there: only the redirected keys get a 32-bit copy.
            classes = re.match(r"software\\\\classes\\\\([^\\]+)", key.lower())
            if classes and classes.group(1) not in ("clsid", "interface", "typelib"):
                continue
            if key.lower().startswith("software\\\\") and "wow6432node" not in key.lower():
                print("\n[HKEY_LOCAL_MACHINE\\%s]" % key.replace("\\\\", "\\").replace("\\win64", "\\win32"))
                print("\n".join("%s=%s" % (n, d.replace("Tilmar64.dll", "Tilmar.dll")) for n, d in values))


if __name__ == "__main__":
    main(*sys.argv[1:])

#!/usr/bin/env python3
"""Checks the ARM64 shell extension from its bytes (no Wine here can load it):
the machine is ARM64, and ordinals 1 to 4 are the four server entry points by
name. Zig's static unwinder marks its own functions for export; any further
export must be one of those."""
import struct
import sys

ENTRY_POINTS = ["DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"]
UNWINDER_PREFIXES = ("_Unwind_", "unw_", "_GCC_specific_handler")
IMAGE_FILE_MACHINE_ARM64 = 0xAA64


def exports(data):
    """(machine, ordinal base, [(ordinal, name)]) read from the PE headers."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x20B:
        raise ValueError("not PE32+")
    export_rva = struct.unpack_from("<I", data, optional + 112)[0]
    table = [struct.unpack_from("<IIIII", data, optional + optional_size + 40 * i + 8) for i in range(sections)]

    def offset(rva):
        for size, address, raw_size, raw, _ in table:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("RVA %#x outside the sections" % rva)

    directory = offset(export_rva)
    base, _, names, functions_rva, names_rva, ordinals_rva = struct.unpack_from("<IIIIII", data, directory + 16)
    result = []
    for i in range(names):
        name_at = offset(struct.unpack_from("<I", data, offset(names_rva) + 4 * i)[0])
        name = data[name_at:data.index(b"\0", name_at)].decode("ascii")
        result.append((base + struct.unpack_from("<H", data, offset(ordinals_rva) + 2 * i)[0], name))
    return machine, base, sorted(result)


def main(path):
    machine, base, named = exports(open(path, "rb").read())
    problems = []
    if machine != IMAGE_FILE_MACHINE_ARM64:
        problems.append("machine %#06x, not ARM64" % machine)
    if base != 1 or named[:4] != list(enumerate(ENTRY_POINTS, 1)):
        problems.append("ordinals 1-4 are %s" % named[:4])
    problems += ["unexpected export %s" % name for _, name in named[4:] if not name.startswith(UNWINDER_PREFIXES)]
    for problem in problems:
        print("FAIL", problem)
    if not problems:
        print("%s: ARM64, ordinals 1-4 %s, %d export(s) of the unwinder"
              % (path, " ".join(ENTRY_POINTS), len(named) - 4))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

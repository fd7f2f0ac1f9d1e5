#!/usr/bin/env python3
"""Fails when a room includes a header from a room above it.

The rooms stand on floors: app on top, then ui and contextmenu side by side,
ui/skin under ui, job, device, device/lookup under device, then spooler, snmp and settings side by side,
base, and resources (identifiers only) at the bottom. A room may include its
own headers and those of any lower floor, never a higher one or a neighbour on
its own floor. Prints every arrow between rooms and each upward one.

    check_includes.py [SOURCE_ROOT]
"""
import pathlib
import re
import sys

FLOORS = {
    "resources": 0,
    "base": 1,
    "spooler": 2, "snmp": 2, "settings": 2,
    "device/lookup": 3,
    "device": 4,
    "job": 5,
    "ui/skin": 6,
    "ui": 7, "contextmenu": 7,
    "app": 8,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def room_of(path):
    """The room a source-relative path belongs to, or None outside the rooms."""
    parts = pathlib.PurePosixPath(path).parts
    if len(parts) < 2:
        return None
    if parts[0] == "ui" and len(parts) > 2 and parts[1] == "skin":
        return "ui/skin"
    if parts[0] == "device" and len(parts) > 2 and parts[1] == "lookup":
        return "device/lookup"
    return parts[0] if parts[0] in FLOORS else None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    arrows = {}
    for room in FLOORS:
        folder = root / room
        for source in sorted(folder.rglob("*")) if folder.is_dir() else []:
            if source.suffix not in (".h", ".cpp", ".c", ".rc"):
                continue
            relative = source.relative_to(root).as_posix()
            if room_of(relative) != room:
                continue  # ui/skin and device/lookup files are walked as their own rooms
            for number, line in enumerate(source.read_text(errors="replace").splitlines(), 1):
                match = INCLUDE.match(line)
                target = room_of(match.group(1)) if match else None
                if target and target != room:
                    arrows.setdefault((room, target), []).append(f"{relative}:{number}: {match.group(1)}")
    upward = [(a, b) for (a, b) in arrows if FLOORS[b] >= FLOORS[a]]
    print(f"{len(arrows)} arrows between rooms, {len(upward)} against the floors")
    for a, b in sorted(arrows):
        mark = "  UPWARD" if (a, b) in upward else ""
        print(f"  {a} -> {b}{mark}")
    for a, b in sorted(upward):
        for where in arrows[(a, b)]:
            print(f"upward include: {where}", file=sys.stderr)
    return 1 if upward else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks the built help files: check_help.py <folder with HELP*.chm> <source root>

Unpacks each CHM (extract_chmLib) and checks that it has its default topic, that
the help viewer's language is the language of the file, and that every context-help
topic id resolves through cshelp.h to a name with a non-empty popup in cshelp.txt
(decoded in the language's code page), and through the compiled map (#IVB,
#STRINGS) to a page inside the file. The topic ids
are those of help/topics.txt plus any topic id the window code uses (ui/), so a map
entry added there without its popup is caught.

Every message the programs show (the keys of [ERROR_MSG] in lang/EN.ini, the other
message keys, and any message key the code names with its default text) must have
its section, a page under messages/ that says more than the message, listed in the
index; a section whose key is none of these is an error too.
"""
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import orvane_i18n as i18n  # noqa: E402
import make_help  # noqa: E402

SKIP = 77


def topic_ids_in_code(root):
    """Help topic ids (0x2xxxx) written in the window code, with the file that has them."""
    found = {}
    for path in glob.glob(os.path.join(root, "ui", "**", "*.*"), recursive=True):
        if not path.endswith((".cpp", ".h")):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            for m in re.finditer(r"\b0[xX](2[0-9A-Fa-f]{4})\b", f.read()):
                value = int(m.group(1), 16)
                if value != 0x20000:
                    found.setdefault(value, os.path.relpath(path, root))
    return found


def message_keys(root):
    """The keys of every message the programs can show: the English file's and the code's."""
    keys = set(i18n.message_texts(i18n.read_source(os.path.join(root, "lang", "EN.ini"))[1]))
    for top in sorted(os.listdir(root)):
        if top in ("tests", "build") or top.startswith(".") or not os.path.isdir(os.path.join(root, top)):
            continue
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in (n for n in names if n.endswith((".cpp", ".h"))):
                with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                    keys.update(re.findall(r'"(IDL_MESSAGE_\w+)"', f.read()))
    return keys


def message_problems(out, keys):
    pages = {os.path.splitext(n)[0] for n in os.listdir(os.path.join(out, "messages"))} \
        if os.path.isdir(os.path.join(out, "messages")) else set()
    with open(os.path.join(out, "index.hhk"), "rb") as f:
        index = f.read().decode("latin-1")
    problems = ["no section for message %s" % k for k in sorted(keys - pages)]
    problems += ["section for %s, which no program shows" % k for k in sorted(pages - keys)]
    for key in sorted(keys & pages):
        with open(os.path.join(out, "messages", key + ".html"), "rb") as f:
            if f.read().count(b"<p>") == 0:
                problems.append("section %s says nothing beyond the message" % key)
        if 'value="messages/%s.html"' % key not in index:
            problems.append("message %s is not in the index" % key)
    return problems


def read_map(folder):
    """The compiled topic map: {topic id: name}."""
    with open(os.path.join(folder, "#IVB"), "rb") as f:
        ivb = f.read()
    with open(os.path.join(folder, "#STRINGS"), "rb") as f:
        strings = f.read()
    size = struct.unpack_from("<I", ivb, 0)[0]
    result = {}
    for offset in range(4, 4 + size, 8):
        topic, name_at = struct.unpack_from("<II", ivb, offset)
        result[topic] = strings[name_at:strings.index(b"\0", name_at)].decode("ascii")
    return result


def read_header(path):
    """cshelp.h: {topic id: name}."""
    result = {}
    with open(path, encoding="ascii") as f:
        for m in re.finditer(r"#define\s+(\w+)\s+(0[xX][0-9A-Fa-f]+|\d+)", f.read()):
            result[int(m.group(2), 0)] = m.group(1)
    return result


def read_lcid(folder):
    with open(os.path.join(folder, "#SYSTEM"), "rb") as f:
        data = f.read()
    at = 4
    while at + 4 <= len(data):
        code, length = struct.unpack_from("<HH", data, at)
        if code == 4:
            return struct.unpack_from("<I", data, at + 4)[0]
        at += 4 + length
    return None


def read_popups(path, code_page):
    with open(path, "rb") as f:
        text = f.read().decode(code_page)
    popups, current = {}, None
    for line in text.splitlines():
        if line.startswith(".topic "):
            current = line.split()[1]
            popups[current] = ""
        elif current is not None and line.strip():
            popups[current] = (popups[current] + " " + line.strip()).strip()
    return popups


def check(code, chm, topics, keys, work):
    problems = []
    out = os.path.join(work, code)
    os.makedirs(out)
    subprocess.run(["extract_chmLib", chm, out], stdout=subprocess.DEVNULL, check=True)
    index = os.path.join(out, "index.html")
    if not os.path.exists(index) or os.path.getsize(index) < 200:
        problems.append("no default topic")
    lcid = read_lcid(out)
    if lcid != i18n.LCID[code]:
        problems.append("language id %s, expected 0x%04x" % (lcid and hex(lcid), i18n.LCID[code]))
    compiled = read_map(out)
    header = os.path.join(out, "cshelp.h")
    names = read_header(header) if os.path.exists(header) else {}
    if not names:
        problems.append("cshelp.h missing or empty")
    popups = read_popups(os.path.join(out, "cshelp.txt"), i18n.CODE_PAGE[code])
    for topic in sorted(topics):
        name = names.get(topic)
        if name is None:
            problems.append("topic 0x%X is not in cshelp.h" % topic)
        elif not popups.get(name):
            problems.append("topic 0x%X (%s) has no popup text" % (topic, name))
        target = compiled.get(topic)
        # chmcmd records the page with the path it was compiled from; its name counts.
        if target is None:
            problems.append("topic 0x%X is not in the compiled topic map" % topic)
        elif not os.path.exists(os.path.join(out, target.replace("\\", "/").split("/")[-1])):
            problems.append("topic 0x%X maps to %s, which is not in the file" % (topic, target))
    return problems + message_problems(out, keys)


def main(argv):
    folder, root = argv[1], argv[2]
    if not shutil.which("extract_chmLib"):
        print("SKIP: extract_chmLib (Debian package libchm-bin) is not installed")
        return SKIP
    listed = dict((number, name) for name, number in make_help.read_topics(os.path.join(root, "help", "topics.txt")))
    in_code = topic_ids_in_code(root)
    failures = 0
    for topic, where in sorted(in_code.items()):
        if topic not in listed:
            print("topic 0x%X used in %s is not in help/topics.txt" % (topic, where))
            failures += 1
    topics = set(listed) | set(in_code)
    print("%d topic ids (%d listed, %d seen in ui/)" % (len(topics), len(listed), len(in_code)))
    keys = message_keys(root)
    work = tempfile.mkdtemp(prefix="orvane-chm-")
    try:
        for code, _, _, _ in i18n.LANGUAGES:
            chm = os.path.join(folder, i18n.chm_name(code))
            if not os.path.exists(chm):
                print("%s: missing" % i18n.chm_name(code))
                failures += 1
                continue
            problems = check(code, chm, topics, keys, work)
            if problems:
                failures += 1
                print("%s: FAILED" % i18n.chm_name(code))
                for p in problems:
                    print("  " + p)
            else:
                print("%s: default topic, %d popups, %d message sections, ok"
                      % (i18n.chm_name(code), len(topics), len(keys)))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

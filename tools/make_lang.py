#!/usr/bin/env python3
"""Writes the localized text files LOCAL.dat and LOCAL_<code>.dat from lang/*.ini.

    tools/make_lang.py <lang source dir> <output dir>

lang/EN.ini holds every section and key with the English texts. Each other source
holds only the texts people read; values that programs or printers read (PJL names,
dimensions, file names) are taken from EN.ini so that they cannot drift. Output is
INI text with CR LF line ends in the language's ANSI code page.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import orvane_i18n as i18n  # noqa: E402


def merge(code, english, translated):
    problems = []
    merged = []
    for section, entries in english.items():
        theirs = translated.get(section, {})
        out = []
        for key, value in entries.items():
            if i18n.is_machine_key(section, key):
                if key in theirs:
                    problems.append("[%s] %s is taken from EN.ini; remove it" % (section, key))
                out.append((key, value))
            elif key in theirs:
                out.append((key, theirs[key]))
            else:
                problems.append("[%s] %s has no translation" % (section, key))
        merged.append((section, out))
    for section, entries in translated.items():
        for key in entries:
            if key not in english.get(section, {}):
                problems.append("[%s] %s is not in EN.ini" % (section, key))
    if problems:
        raise i18n.SourceError("%s.ini:\n  " % code + "\n  ".join(problems))
    return merged


def render(merged):
    lines = []
    for section, entries in merged:
        if lines:
            lines.append("")
        lines.append("[%s]" % section)
        lines.extend("%s=%s" % kv for kv in entries)
    return "\r\n".join(lines) + "\r\n"


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    src, out = argv[1], argv[2]
    os.makedirs(out, exist_ok=True)
    _, english = i18n.read_source(os.path.join(src, "EN.ini"))
    for code, code_page, _, _ in i18n.LANGUAGES:
        declared, texts = i18n.read_source(os.path.join(src, code + ".ini"))
        if declared and declared.lower() != code_page:
            raise i18n.SourceError("%s.ini declares %s, the language uses %s" % (code, declared, code_page))
        if code == "EN":
            merged = [(s, list(e.items())) for s, e in english.items()]
        else:
            merged = merge(code, english, texts)
        try:
            data = render(merged).encode(code_page)
        except UnicodeEncodeError as e:
            raise i18n.SourceError("%s.ini: %r has no place in %s" % (code, e.object[e.start:e.end], code_page))
        write(os.path.join(out, i18n.dat_name(code)), data)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except i18n.SourceError as e:
        sys.stderr.write("make_lang: %s\n" % e)
        sys.exit(1)

"""The languages Orvane ships and the reader for the UTF-8 text sources in lang/.

Shared by make_lang.py (LOCAL*.dat), make_help.py (HELP*.chm) and the packaging tests.
"""
import collections
import os
import re

# code, ANSI code page of the language, Windows language id, English name
LANGUAGES = [
    ("EN", "cp1252", 0x0409, "English"),
    ("GR", "cp1252", 0x0407, "German"),
    ("FN", "cp1252", 0x040C, "French"),
    ("SP", "cp1252", 0x0C0A, "Spanish"),
    ("IT", "cp1252", 0x0410, "Italian"),
    ("DT", "cp1252", 0x0413, "Dutch"),
    ("PO", "cp1250", 0x0415, "Polish"),
    ("BP", "cp1252", 0x0416, "Portuguese (Brazil)"),
    ("JP", "cp932", 0x0411, "Japanese"),
]
CODE_PAGE = {code: cp for code, cp, _, _ in LANGUAGES}
LCID = {code: lcid for code, _, lcid, _ in LANGUAGES}


def dat_name(code):
    """File name of a language's text file; English is the fallback file."""
    return "LOCAL.dat" if code == "EN" else "LOCAL_%s.dat" % code


def chm_name(code):
    return "HELP.chm" if code == "EN" else "HELP_%s.chm" % code


def is_machine_key(section, key):
    """Values read by programs or printers rather than people: never translated."""
    if section.startswith("PAPER_INFO_"):
        return key in ("PJLCMD", "WIDTH_MM", "HEIGHT_MM", "WIDTH_INCH", "HEIGHT_INCH")
    if section.startswith("PAPERTYPE_INFO_"):
        return key == "PJLCMD"
    if section == "TILMAR_MENU":
        return key in ("MENUICON", "COMMAND1")
    return False


# A printf placeholder in a text (the programs fill them in before showing it).
PLACEHOLDER = re.compile(r"%[-+ #0]*(?:\d+|\*)?(?:\.(?:\d+|\*))?(?:hh|h|ll|l|L|I64)?[diouxXeEfFgGcspn%]")

# Messages shown in a message box that live outside [ERROR_MSG]: the shell extension's.
OTHER_MESSAGES = [("TILMAR_MENU", "LIMITEDSELECTEDFILES")]


def message_texts(sections):
    """{key: text} of every message the programs show, from one language's sections."""
    texts = collections.OrderedDict(sections.get("ERROR_MSG", {}))
    for section, key in OTHER_MESSAGES:
        if key in sections.get(section, {}):
            texts[key] = sections[section][key]
    return texts


class SourceError(Exception):
    pass


_SECTION = re.compile(r"^\[([A-Za-z0-9_]+)\]$")
_ENTRY = re.compile(r"^([A-Za-z0-9_]+)=(.*)$")


def read_source(path):
    """Reads a UTF-8 source: sections of KEY=value lines, ';' comment lines.

    Returns (declared encoding or None, OrderedDict section -> OrderedDict key -> value).
    Refuses what the INI lookup would read differently from what the author meant:
    duplicates, entries outside a section, blanks around a value, enclosing quotes.
    """
    sections = collections.OrderedDict()
    encoding = None
    current = None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\r\n")
            where = "%s:%d" % (os.path.basename(path), number)
            if not line.strip():
                continue
            if line.startswith(";"):
                m = re.match(r";\s*encoding:\s*(\S+)", line)
                if m:
                    encoding = m.group(1)
                continue
            m = _SECTION.match(line)
            if m:
                current = m.group(1)
                if current in sections:
                    raise SourceError("%s: section [%s] repeated" % (where, current))
                sections[current] = collections.OrderedDict()
                continue
            m = _ENTRY.match(line)
            if not m:
                raise SourceError("%s: not a section or KEY=value line" % where)
            if current is None:
                raise SourceError("%s: entry before the first section" % where)
            key, value = m.groups()
            if key in sections[current]:
                raise SourceError("%s: key %s repeated in [%s]" % (where, key, current))
            if value != value.strip():
                raise SourceError("%s: blanks around the value of %s would be dropped" % (where, key))
            if len(value) >= 2 and value[0] == value[-1] == '"':
                raise SourceError("%s: enclosing quotes of %s would be dropped" % (where, key))
            sections[current][key] = value
    return encoding, sections

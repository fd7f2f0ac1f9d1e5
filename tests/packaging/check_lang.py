#!/usr/bin/env python3
"""Checks the built localized text files: check_lang.py <folder with LOCAL*.dat>

Reads each file as the programs do (INI lookup: names without regard to case, the
value behind the first '='), decoded in the language's code page, and compares it
with LOCAL.dat: same sections and keys, same printf placeholders, machine-read
values unchanged, every text within the lookup buffers, no stray mnemonic '&', and
labels that fit their controls (estimated from typical glyph widths).
"""
import collections
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import orvane_i18n as i18n  # noqa: E402

# GetExString of the shell extension reads into 255 bytes with an empty default,
# so 254 bytes is the longest value every reader returns whole.
MAX_VALUE_BYTES = 254
PLACEHOLDER = i18n.PLACEHOLDER

# Labels with their control: kind and width in dialog units (tab and sheet buttons
# in pixels at 96 dpi, converted). Radio buttons and check boxes lose their box,
# buttons and group boxes a margin.
DLU_PX = 1.5
CONTROLS = {
    ("UI_SHEET", "IDD_BASICDLG"): ("tab", 91 / DLU_PX),
    ("UI_SHEET", "IDD_ADVANCEDDLG"): ("tab", 91 / DLU_PX),
    ("UI_SHEET", "IDL_PRINT"): ("button", 90 / DLU_PX),
    ("UI_SHEET", "IDL_CANCEL"): ("button", 90 / DLU_PX),
    ("UI_SHEET", "IDL_HELP"): ("button", 90 / DLU_PX),
    ("UI_BASIC_TAB", "IDC_STATIC_SELECTPRINTER"): ("group", 249),
    ("UI_BASIC_TAB", "IDC_STATIC_SELECTFILES"): ("group", 249),
    ("UI_BASIC_TAB", "IDC_BUTTON_REMOVE"): ("button", 57),
    ("UI_BASIC_TAB", "IDC_BUTTON_BROWSE"): ("button", 81),
    ("UI_BASIC_TAB", "IDC_STATIC_PRINTRANGE"): ("group", 148),
    ("UI_BASIC_TAB", "IDC_RADIO_PRINTRANGE_ALL"): ("radio", 123),
    ("UI_BASIC_TAB", "IDC_RADIO_PRINTRANGE_PAGES"): ("radio", 122),
    ("UI_BASIC_TAB", "IDC_STATIC_PRINTRANGE_FROM"): ("static", 31),
    ("UI_BASIC_TAB", "IDC_STATIC_PRINTRANGE_TO"): ("static", 25),
    ("UI_BASIC_TAB", "IDC_STATIC_PRINTERSTATE_CHECKING"): ("static", 230),
    ("UI_BASIC_TAB", "IDL_STATE_READY"): ("static", 230),
    ("UI_BASIC_TAB", "IDL_STATE_PRINTING"): ("static", 230),
    ("UI_BASIC_TAB", "IDL_STATE_OUTOFPAPER"): ("static", 230),
    ("UI_BASIC_TAB", "IDL_STATE_PAPERJAM"): ("static", 230),
    ("UI_BASIC_TAB", "IDL_STATE_DOOROPEN"): ("static", 230),
    ("UI_BASIC_TAB", "IDL_STATE_TONEREMPTY"): ("static", 230),
    ("UI_BASIC_TAB", "IDL_STATE_TONERLOW"): ("static", 230),
    ("UI_BASIC_TAB", "IDL_STATE_OFFLINE"): ("static", 230),
    ("UI_BASIC_TAB", "IDC_STATIC_COPIES"): ("group", 96),
    ("UI_BASIC_TAB", "IDC_STATIC_ORIENTATION"): ("group", 123),
    ("UI_BASIC_TAB", "IDC_RADIO_ORIENTATION_PORTRAIT"): ("radio", 63),
    ("UI_BASIC_TAB", "IDC_RADIO_ORIENTATION_LANDSCAPE"): ("radio", 64),
    ("UI_BASIC_TAB", "IDC_BUTTON_DEFAULT"): ("button", 123),
    ("UI_ADVANCED_TAB", "IDC_STATIC_PAPAEROPTION"): ("group", 249),
    ("UI_ADVANCED_TAB", "IDC_STATIC_PAPERSIZE"): ("static", 44),
    ("UI_ADVANCED_TAB", "IDC_STATIC_PAPERTYPE"): ("static", 44),
    ("UI_ADVANCED_TAB", "IDC_STATIC_RESOLUTION"): ("group", 249),
    ("UI_ADVANCED_TAB", "IDC_RADIO_RESOLUTION_DRAFT"): ("radio", 153),
    ("UI_ADVANCED_TAB", "IDC_RADIO_RESOLUTION_NORMAL"): ("radio", 153),
    ("UI_ADVANCED_TAB", "IDC_STATIC_COLORMODE"): ("group", 249),
    ("UI_ADVANCED_TAB", "IDC_RADIO_COLORMODE_AUTO"): ("radio", 145),
    ("UI_ADVANCED_TAB", "IDC_RADIO_COLORMODE_BW"): ("radio", 145),
    ("UI_ADVANCED_TAB", "IDC_STATIC_REDUCEENLARGE"): ("group", 249),
    ("UI_ADVANCED_TAB", "IDC_CHECK_ZOOM_FIT"): ("check", 130),
    ("UI_ADVANCED_TAB", "IDC_STATIC_CUSTOM"): ("static", 56),
    ("UI_ADVANCED_TAB", "IDC_BUTTON_ADV_DEFAULT"): ("button", 123),
}
MARGIN = {"tab": 8, "button": 6, "group": 10, "radio": 10, "check": 10, "static": 0}

# Approximate advance widths in pixels of an 8-point dialog font.
_NARROW = set("iljI.,:;'!|")
_SMALL = set("frt /()[]-")
_WIDE = set("mwMW")


def text_width_dlu(text):
    px = 0
    for ch in text:
        if ord(ch) >= 0x2E80:       # CJK and kana: full width
            px += 12
        elif ch in _NARROW:
            px += 3
        elif ch in _SMALL:
            px += 4
        elif ch in _WIDE:
            px += 9
        elif ch.isupper():
            px += 7
        else:
            px += 6
    return px / DLU_PX


def read_ini(path, code_page):
    """Decodes strictly and reads like the private-profile lookup. Returns
    (OrderedDict upper(section) -> OrderedDict upper(key) -> value, problems)."""
    problems = []
    with open(path, "rb") as f:
        raw = f.read()
    try:
        text = raw.decode(code_page, errors="strict")
    except UnicodeDecodeError as e:
        return None, ["does not decode as %s at byte %d" % (code_page, e.start)]
    sections = collections.OrderedDict()
    current = None
    for line in text.splitlines():
        stripped = line.strip()
        if not stripped or stripped.startswith(";"):
            continue
        if stripped.startswith("[") and stripped.endswith("]"):
            current = stripped[1:-1].strip().upper()
            if current in sections:
                problems.append("section [%s] repeated" % current)
            sections.setdefault(current, collections.OrderedDict())
            continue
        if "=" not in stripped or current is None:
            problems.append("stray line %r" % stripped)
            continue
        key, value = stripped.split("=", 1)
        key = key.strip().upper()
        value = value.strip()
        if len(value) >= 2 and value[0] == value[-1] == '"':
            value = value[1:-1]
        if key in sections[current]:
            problems.append("[%s] %s repeated" % (current, key))
        sections[current][key] = value
    return sections, problems


def check_language(code, path, english):
    code_page = i18n.CODE_PAGE[code]
    texts, problems = read_ini(path, code_page)
    if texts is None:
        return problems
    for section, entries in english.items():
        if section not in texts:
            problems.append("section [%s] missing" % section)
            continue
        for key, en_value in entries.items():
            if key not in texts[section]:
                problems.append("[%s] %s missing" % (section, key))
                continue
            value = texts[section][key]
            where = "[%s] %s" % (section, key)
            if not value:
                problems.append("%s is empty" % where)
            if sorted(PLACEHOLDER.findall(value)) != sorted(PLACEHOLDER.findall(en_value)):
                problems.append("%s: placeholders %s, English has %s"
                                % (where, PLACEHOLDER.findall(value), PLACEHOLDER.findall(en_value)))
            if i18n.is_machine_key(section, key) and value != en_value:
                problems.append("%s: %r is read by the printer or program and must stay %r"
                                % (where, value, en_value))
            size = len(value.encode(code_page))
            if size > MAX_VALUE_BYTES:
                problems.append("%s: %d bytes, the lookup keeps %d" % (where, size, MAX_VALUE_BYTES))
            if "&" in value and (section, key) != ("UI_ADVANCED_TAB", "IDC_RADIO_COLORMODE_BW"):
                problems.append("%s: '&' would be taken as a mnemonic marker" % where)
            control = CONTROLS.get((section, key))
            if control:
                kind, width = control
                need = text_width_dlu(value) + MARGIN[kind]
                if need > width:
                    problems.append("%s: %r needs about %d dialog units, the %s has %d"
                                    % (where, value, need, kind, width))
    for section, entries in texts.items():
        for key in entries:
            if key not in english.get(section, {}):
                problems.append("[%s] %s is not in LOCAL.dat" % (section, key))
    return problems


def main(argv):
    folder = argv[1]
    english, problems = read_ini(os.path.join(folder, "LOCAL.dat"), "cp1252")
    failures = 0
    if english is None or problems:
        print("LOCAL.dat: " + "; ".join(problems))
        return 1
    for code, _, _, _ in i18n.LANGUAGES:
        path = os.path.join(folder, i18n.dat_name(code))
        if not os.path.exists(path):
            print("%s: missing" % i18n.dat_name(code))
            failures += 1
            continue
        problems = check_language(code, path, english)
        keys = sum(len(e) for e in english.values())
        if problems:
            failures += 1
            print("%s: FAILED" % i18n.dat_name(code))
            for p in problems:
                print("  " + p)
        else:
            print("%s: %d sections, %d keys, ok" % (i18n.dat_name(code), len(english), keys))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

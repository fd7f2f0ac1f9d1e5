#!/usr/bin/env python3
"""Checks the built localized text files:
    check_lang.py <folder with LOCAL*.dat> <the program's .rc with the tab templates>

Reads each file as the programs do (INI lookup: names without regard to case, the
value behind the first '='), decoded in the language's code page, and compares it
with LOCAL.dat: same sections and keys, same printf placeholders, machine-read
values unchanged, every text within the lookup buffers, labels that fit their
controls (estimated from typical glyph widths), and access keys: every labelled
button, radio button and check box, and the label or group caption just before each
edit, combo box and list in the tab's template, has one '&' marker ("(&X)" after a
Japanese label), unique on its tab together with the sheet's buttons; '&' nowhere else.
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
    ("UI_BASIC_TAB", "IDC_STATIC_PRINTRANGE_TO"): ("static", 28),
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


# Texts whose ampersands are shown as characters: no access key.
SHOWN_AMPERSANDS = {("UI_ADVANCED_TAB", "IDC_RADIO_COLORMODE_BW")}
SHEET_BUTTONS = [("UI_SHEET", "IDL_PRINT"), ("UI_SHEET", "IDL_CANCEL"), ("UI_SHEET", "IDL_HELP")]
TABS = {"IDD_BASICDLG": "UI_BASIC_TAB", "IDD_ADVANCEDDLG": "UI_ADVANCED_TAB"}
_LABELLED = re.compile(r"PUSHBUTTON|DEFPUSHBUTTON|BS_AUTORADIOBUTTON|BS_RADIOBUTTON|BS_AUTOCHECKBOX|BS_CHECKBOX")
_NAMED_BY_LABEL = re.compile(r"^(COMBOBOX|EDITTEXT)\b|\"SysListView32\"")
_LABEL = re.compile(r"^(GROUPBOX|LTEXT|RTEXT)\b")


def tab_controls(rc_path):
    """Per tab section, [(control identifier, statement)] in template (Z) order; a
    statement's continuation lines are indented further."""
    tabs, current = {}, None
    with open(rc_path, encoding="utf-8") as f:
        for line in f:
            head = re.match(r"(\w+)\s+DIALOGEX\b", line)
            if head or line.strip() == "END":
                current = TABS.get(head.group(1)) if head else None
            elif current and line.startswith(" " * 20):
                ident, statement = tabs[current][-1]
                tabs[current][-1] = (ident, statement + " " + line.strip())
            elif current and re.search(r"\bIDC_\w+", line):
                tabs.setdefault(current, []).append((re.search(r"\b(IDC_\w+)", line).group(1), line.strip()))
    return tabs


def keyed_labels(tabs):
    """Per tab section, the keys whose label must carry an access key."""
    out = {}
    for section, rows in tabs.items():
        keys = []
        for i, (ident, statement) in enumerate(rows):
            if _LABELLED.search(statement) and (section, ident) in SHOWN_AMPERSANDS:
                # Reached through its group's caption instead.
                caption = [r[0] for r in rows[:i] if r[1].startswith("GROUPBOX")][-1:]
                keys.extend((section, c) for c in caption)
            elif _LABELLED.search(statement):
                keys.append((section, ident))
            elif _NAMED_BY_LABEL.search(statement) and i and _LABEL.match(rows[i - 1][1]):
                keys.append((section, rows[i - 1][0]))
        out[section] = SHEET_BUTTONS + keys
    return out


def access_key(code, value):
    """(letter or None, problem or None) of a label's marker."""
    plain = value.replace("&&", "")
    if code == "JP":
        found = re.findall(r"\(&([0-9A-Za-z])\)", plain)
        if len(found) != 1 or plain.count("&") != 1:
            return None, "needs one marker of the form (&X)"
        return found[0].lower(), None
    if plain.count("&") != 1:
        return None, "needs one '&' marker"
    letter = plain[plain.index("&") + 1:plain.index("&") + 2]
    if not letter.isalnum():
        return None, "'&' is not before a letter"
    return letter.lower(), None


def check_access_keys(code, texts, pages):
    problems = []
    marked = set()
    for section, keys in pages.items():
        letters = {}
        for sec, key in keys:
            value = texts.get(sec, {}).get(key, "")
            marked.add((sec, key))
            letter, problem = access_key(code, value)
            if problem:
                problems.append("[%s] %s %r: %s" % (sec, key, value, problem))
            elif letter in letters:
                problems.append("%s: Alt+%s is both %r and %r" % (section, letter.upper(), letters[letter], value))
            else:
                letters[letter] = value
    for section, entries in texts.items():
        for key, value in entries.items():
            if "&" in value and (section, key) not in marked and (section, key) not in SHOWN_AMPERSANDS:
                problems.append("[%s] %s: '&' would be taken as an access-key marker" % (section, key))
    return problems


def check_language(code, path, english, pages):
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
            control = CONTROLS.get((section, key))
            if control:
                kind, width = control
                need = text_width_dlu(value.replace("&", "")) + MARGIN[kind]
                if need > width:
                    problems.append("%s: %r needs about %d dialog units, the %s has %d"
                                    % (where, value, need, kind, width))
    for section, entries in texts.items():
        for key in entries:
            if key not in english.get(section, {}):
                problems.append("[%s] %s is not in LOCAL.dat" % (section, key))
    return problems + check_access_keys(code, texts, pages)


def main(argv):
    folder = argv[1]
    pages = keyed_labels(tab_controls(argv[2]))
    if sorted(pages) != sorted(TABS.values()) or min(len(k) for k in pages.values()) < 10:
        print("%s: the tab templates were not found" % argv[2])
        return 1
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
        problems = check_language(code, path, english, pages)
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

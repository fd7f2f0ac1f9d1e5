#!/usr/bin/env python3
"""Compiles the help files HELP.chm and HELP_<code>.chm from help/<code>.txt with chmcmd.

    tools/make_help.py <help source dir> <output dir> [<work dir>]

A source holds the title (.title), the default topic as an HTML fragment (.index)
and one popup text per context-help topic (.topic NAME) for every topic listed in
help/topics.txt. Each help file gets the default topic, the popups in cshelp.txt
(in the language's ANSI code page, as the help viewer reads it), one small page per
topic (chmcmd keys its alias table by file, so each topic needs its own page), and
the topic map that turns topic ids into names (cshelp.h, and the compiled map
from [MAP]).
"""
import html
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import orvane_i18n as i18n  # noqa: E402

HTML_CHARSET = {"cp1252": "windows-1252", "cp1250": "windows-1250", "cp932": "shift_jis"}


def read_topics(path):
    topics = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith(";"):
                continue
            name, number = line.split()[:2]
            topics.append((name, int(number, 16)))
    return topics


def read_help_source(path):
    """Returns (declared encoding, title, index fragment, {topic name: popup text})."""
    encoding, title, index, popups = None, None, [], {}
    target = None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\r\n")
            if line.startswith(";"):
                if "encoding:" in line:
                    encoding = line.split("encoding:")[1].strip()
                continue
            if line.startswith(".title "):
                title = line[len(".title "):].strip()
            elif line == ".index":
                target = index
            elif line.startswith(".topic "):
                name = line.split()[1]
                if name in popups:
                    raise i18n.SourceError("%s:%d: topic %s repeated" % (path, number, name))
                popups[name] = []
                target = popups[name]
            elif target is not None:
                target.append(line)
            elif line.strip():
                raise i18n.SourceError("%s:%d: text outside .index or .topic" % (path, number))
    popups = {k: " ".join(l.strip() for l in v if l.strip()) for k, v in popups.items()}
    return encoding, title, "\n".join(index).strip(), popups


def page(title, body, code_page):
    text = ('<html><head><meta http-equiv="Content-Type" content="text/html; charset=%s">'
            "<title>%s</title></head><body>\r\n%s\r\n</body></html>\r\n"
            % (HTML_CHARSET[code_page], html.escape(title), body))
    return text.encode(code_page)


def build(code, code_page, lcid, topics, src, work, out):
    encoding, title, index, popups = read_help_source(os.path.join(src, code + ".txt"))
    where = code + ".txt"
    if encoding and encoding.lower() != code_page:
        raise i18n.SourceError("%s declares %s, the language uses %s" % (where, encoding, code_page))
    if not title or not index:
        raise i18n.SourceError("%s needs a .title and an .index" % where)
    names = [n for n, _ in topics]
    missing = [n for n in names if not popups.get(n)]
    unknown = [n for n in popups if n not in names]
    if missing or unknown:
        raise i18n.SourceError("%s: topics without a popup: %s; unknown topics: %s"
                               % (where, " ".join(missing) or "none", " ".join(unknown) or "none"))

    d = os.path.join(work, code)
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    chm = i18n.chm_name(code)
    try:
        with open(os.path.join(d, "index.html"), "wb") as f:
            f.write(page(title, index, code_page))
        for name in names:
            with open(os.path.join(d, name + ".html"), "wb") as f:
                f.write(page(title, "<p>%s</p>" % html.escape(popups[name]), code_page))
        defines = ["#define %s 0x%05X" % (n, t) for n, t in topics]
        # The viewer maps a topic id to its .topic name through this header, which
        # must therefore travel inside the help file beside cshelp.txt.
        with open(os.path.join(d, "cshelp.h"), "wb") as f:
            f.write(("\r\n".join(defines) + "\r\n").encode("ascii"))
        with open(os.path.join(d, "cshelp.txt"), "wb") as f:
            f.write("".join(".topic %s\r\n%s\r\n\r\n" % (n, popups[n]) for n in names).encode(code_page))
        project = ["[OPTIONS]", "Compatibility=1.1 or later", "Compiled file=" + chm,
                   "Default topic=index.html", "Display compile progress=No",
                   "Language=0x%04x" % lcid, "Title=" + title, "",
                   "[FILES]", "index.html", "cshelp.txt", "cshelp.h"] + [n + ".html" for n in names]
        project += ["", "[ALIAS]"] + ["%s=%s.html" % (n, n) for n in names]
        project += ["", "[MAP]"] + defines + [""]
        with open(os.path.join(d, "help.hhp"), "wb") as f:
            f.write("\r\n".join(project).encode(code_page))
    except UnicodeEncodeError as e:
        raise i18n.SourceError("%s: %r has no place in %s" % (where, e.object[e.start:e.end], code_page))

    run = subprocess.run(["chmcmd", "--no-html-scan", "help.hhp"], cwd=d,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    built = os.path.join(d, chm)
    if run.returncode != 0 or not os.path.exists(built):
        raise i18n.SourceError("chmcmd failed for %s:\n%s" % (chm, run.stdout))
    shutil.copyfile(built, os.path.join(out, chm))


def main(argv):
    if len(argv) not in (3, 4):
        sys.stderr.write(__doc__)
        return 2
    src, out = argv[1], argv[2]
    work = argv[3] if len(argv) == 4 else os.path.join(out, "help-work")
    os.makedirs(out, exist_ok=True)
    topics = read_topics(os.path.join(src, "topics.txt"))
    for code, code_page, lcid, _ in i18n.LANGUAGES:
        build(code, code_page, lcid, topics, src, work, out)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except i18n.SourceError as e:
        sys.stderr.write("make_help: %s\n" % e)
        sys.exit(1)

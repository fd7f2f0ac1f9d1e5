#!/usr/bin/env python3
"""Compiles the help files HELP.chm and HELP_<code>.chm from help/<code>.txt with chmcmd.

    tools/make_help.py <help source dir> <output dir> [<work dir>]

A source holds the title (.title), the default topic as an HTML fragment (.index
LABEL, the label in the contents), further pages (.page NAME LABEL), one section
per message the programs show (.message KEY: what it means and what to check),
index keywords for the page or section they stand in (.keywords A; B) and
one popup text per context-help topic (.topic NAME) for every topic listed in
help/topics.txt. Each help file gets the default topic, the popups in cshelp.txt
(in the language's ANSI code page, as the help viewer reads it), one small page per
topic (chmcmd keys its alias table by file, so each topic needs its own page), and
the topic map that turns topic ids into names (cshelp.h, and the compiled map
from [MAP]).

A message's section is the page messages/KEY.html, headed by the message as the
program shows it in that language (from lang/<code>.ini beside the help sources),
listed in the contents under the page "messages" and in the index under its text,
so that a user who types the first words of a message finds what to do.
"""
import collections
import html
import os
import shutil
import subprocess
import sys
import unicodedata

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


class HelpSource:
    def __init__(self):
        self.encoding, self.title, self.index_label = None, None, None
        self.index = []
        self.pages = collections.OrderedDict()     # name -> (label, lines)
        self.messages = collections.OrderedDict()  # key -> lines
        self.popups = {}                           # topic name -> lines
        self.keywords = []                         # (index keyword, page file)


def read_help_source(path):
    """Reads a help source into a HelpSource with its fragments joined."""
    h = HelpSource()
    target, target_file = None, None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\r\n")
            if line.startswith(";"):
                if "encoding:" in line:
                    h.encoding = line.split("encoding:")[1].strip()
                continue
            directive, _, rest = line.partition(" ")
            if directive == ".title":
                h.title = rest.strip()
            elif directive == ".index":
                h.index_label = rest.strip() or None
                target, target_file = h.index, "index.html"
            elif directive == ".keywords":
                if target_file is None:
                    raise i18n.SourceError("%s:%d: .keywords outside .index, .page or .message" % (path, number))
                h.keywords += [(k.strip(), target_file) for k in rest.split(";") if k.strip()]
            elif directive in (".page", ".message", ".topic"):
                name, _, label = rest.strip().partition(" ")
                table = {".page": h.pages, ".message": h.messages, ".topic": h.popups}[directive]
                if not name or name in table:
                    raise i18n.SourceError("%s:%d: %s %s missing or repeated" % (path, number, directive, name))
                if directive == ".page":
                    table[name] = (label.strip(), [])
                    target, target_file = table[name][1], name + ".html"
                else:
                    table[name] = target = []
                    target_file = "%s/%s.html" % (MESSAGES_PAGE, name) if directive == ".message" else None
            elif target is not None:
                target.append(line)
            elif line.strip():
                raise i18n.SourceError("%s:%d: text outside .index, .page, .message or .topic" % (path, number))
    h.index = "\n".join(h.index).strip()
    h.pages = collections.OrderedDict((k, (label, "\n".join(v).strip())) for k, (label, v) in h.pages.items())
    h.messages = collections.OrderedDict((k, "\n".join(v).strip()) for k, v in h.messages.items())
    h.popups = {k: " ".join(l.strip() for l in v if l.strip()) for k, v in h.popups.items()}
    return h


def page(title, body, code_page):
    text = ('<html><head><meta http-equiv="Content-Type" content="text/html; charset=%s">'
            "<title>%s</title></head><body>\r\n%s\r\n</body></html>\r\n"
            % (HTML_CHARSET[code_page], html.escape(title), body))
    return text.encode(code_page)


MESSAGES_PAGE = "messages"  # the page under which every message's section is listed


def shown(text, markup):
    """A message as a reader sees it: the program's placeholders as n, m, k (in italics)."""
    text = html.escape(text) if markup else text
    letters = iter("nmkpqrst")
    return i18n.PLACEHOLDER.sub(lambda m: ("<i>%s</i>" if markup else "%s") % next(letters, "x"), text)


def sitemap(entries):
    """A contents or index file: (name, target, children) entries, nested."""
    def items(level):
        out = []
        for name, target, children in level:
            out.append('<LI><OBJECT type="text/sitemap"><param name="Name" value="%s">'
                       '<param name="Local" value="%s"></OBJECT>' % (html.escape(name), target))
            if children:
                out += ["<UL>"] + items(children) + ["</UL>"]
        return out
    return "\r\n".join(['<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">', "<HTML><HEAD></HEAD><BODY>",
                         '<OBJECT type="text/site properties"></OBJECT>', "<UL>"] + items(entries)
                        + ["</UL>", "</BODY></HTML>", ""])


def write_files(h, code_page, topics, texts, chm, lcid):
    """Every file of the help project: {name: bytes}."""
    names = [n for n, _ in topics]
    files = {"index.html": page(h.title, h.index, code_page)}
    sections = []
    for key, body in h.messages.items():
        # A key no program knows any more keeps its page, headed by the key, for the check to find.
        text = texts.get(key, key)
        target = "%s/%s.html" % (MESSAGES_PAGE, key)
        files[target] = page(h.title, "<h1>%s</h1>\r\n%s" % (shown(text, True), body), code_page)
        sections.append((shown(text, False), target, None))
    contents = [(h.index_label or h.title, "index.html", None)]
    for name, (label, body) in h.pages.items():
        children = sections if name == MESSAGES_PAGE else None
        if children:
            body += "\r\n<ul>%s</ul>" % "".join('<li><a href="%s">%s</a></li>' % (t, html.escape(n))
                                               for n, t, _ in children)
        files[name + ".html"] = page(label, "<h1>%s</h1>\r\n%s" % (html.escape(label), body), code_page)
        contents.append((label, name + ".html", children))
    for name in names:
        files[name + ".html"] = page(h.title, "<p>%s</p>" % html.escape(h.popups[name]), code_page)
    # Letters with accents sort beside their base letters, as a reader looks for them.
    keywords = sorted([(label, target, None) for label, target, _ in contents] + sections
                      + [(word, target, None) for word, target in h.keywords],
                      key=lambda entry: unicodedata.normalize("NFKD", entry[0]).lower())
    files["contents.hhc"] = sitemap(contents).encode(code_page)
    files["index.hhk"] = sitemap(keywords).encode(code_page)
    defines = ["#define %s 0x%05X" % (n, t) for n, t in topics]
    # The viewer maps a topic id to its .topic name through this header, which
    # must therefore travel inside the help file beside cshelp.txt.
    files["cshelp.h"] = ("\r\n".join(defines) + "\r\n").encode("ascii")
    files["cshelp.txt"] = "".join(".topic %s\r\n%s\r\n\r\n" % (n, h.popups[n]) for n in names).encode(code_page)
    project = ["[OPTIONS]", "Compatibility=1.1 or later", "Compiled file=" + chm,
               "Contents file=contents.hhc", "Index file=index.hhk",
               "Default topic=index.html", "Default Window=main", "Display compile progress=No",
               "Language=0x%04x" % lcid, "Title=" + h.title, "",
               # The viewer's window: contents and index tabs; toolbar Hide, Back, Options, Print.
               "[WINDOWS]",
               'main="%s","contents.hhc","index.hhk","index.html","index.html",,,,,0x2120,400,0x3006,[60,40,1060,740],,,,0,,,0'
               % h.title.replace('"', "'"), "",
               "[FILES]"] + sorted(files)
    project += ["", "[ALIAS]"] + ["%s=%s.html" % (n, n) for n in names]
    project += ["", "[MAP]"] + defines + [""]
    files["help.hhp"] = "\r\n".join(project).encode(code_page)
    return files


def build(code, code_page, lcid, topics, src, lang, work, out):
    h = read_help_source(os.path.join(src, code + ".txt"))
    where = code + ".txt"
    if h.encoding and h.encoding.lower() != code_page:
        raise i18n.SourceError("%s declares %s, the language uses %s" % (where, h.encoding, code_page))
    if not h.title or not h.index:
        raise i18n.SourceError("%s needs a .title and an .index" % where)
    names = [n for n, _ in topics]
    missing = [n for n in names if not h.popups.get(n)]
    unknown = [n for n in h.popups if n not in names]
    if missing or unknown:
        raise i18n.SourceError("%s: topics without a popup: %s; unknown topics: %s"
                               % (where, " ".join(missing) or "none", " ".join(unknown) or "none"))
    if h.messages and MESSAGES_PAGE not in h.pages:
        raise i18n.SourceError("%s: .message sections need a .page %s to stand under" % (where, MESSAGES_PAGE))
    # The text the program shows; a key the language lacks shows the English, as the program does.
    texts = i18n.message_texts(i18n.read_source(os.path.join(lang, "EN.ini"))[1])
    texts.update(i18n.message_texts(i18n.read_source(os.path.join(lang, code + ".ini"))[1]))

    d = os.path.join(work, code)
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(os.path.join(d, MESSAGES_PAGE))
    chm = i18n.chm_name(code)
    try:
        files = write_files(h, code_page, topics, texts, chm, lcid)
    except UnicodeEncodeError as e:
        raise i18n.SourceError("%s: %r has no place in %s" % (where, e.object[e.start:e.end], code_page))
    for name, data in files.items():
        with open(os.path.join(d, name), "wb") as f:
            f.write(data)

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
    lang = os.path.join(src, "..", "lang")
    for code, code_page, lcid, _ in i18n.LANGUAGES:
        build(code, code_page, lcid, topics, src, lang, work, out)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except i18n.SourceError as e:
        sys.stderr.write("make_help: %s\n" % e)
        sys.exit(1)

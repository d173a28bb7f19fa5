"""Hostile pages written through both XML formats and read by real readers: every document must
pass xmllint, and every feed must come out of feedparser with the entries, titles and dates it
was written with.

    real_readers.py --tool XML_FORMAT_TOOL --work DIR
"""
import argparse
import os
import subprocess
import sys
import time

import feedparser

REPLACEMENT = "\ufffd"


def units16(text):
    units = []
    for unit in text:
        code = ord(unit)
        if code > 0xFFFF:
            code -= 0x10000
            units += [0xD800 + (code >> 10), 0xDC00 + (code & 0x3FF)]
        else:
            units.append(code)
    return units


def hex16(text):
    """A string as the tool's page file writes it: UTF-16 code units, four hex digits each."""
    return "".join("%04x" % unit for unit in units16(text)) or "-"


def readable(text):
    """What a reader must get back: what XML 1.0 cannot hold replaced (surrogates in pairs)."""
    units = units16(text)
    out = []
    i = 0
    while i < len(units):
        code = units[i]
        if 0xD800 <= code <= 0xDBFF and i + 1 < len(units) and 0xDC00 <= units[i + 1] <= 0xDFFF:
            out.append(chr(0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00)))
            i += 2
            continue
        bad = (code < 0x20 and code not in (9, 10, 13)) or 0xD800 <= code <= 0xDFFF or code in (
            0xFFFE, 0xFFFF)
        out.append(REPLACEMENT if bad else chr(code))
        i += 1
    return "".join(out)


MAX32 = 2**31 - 1
MIN32 = -(2**31)
HOSTILE = "a&b <c> \"d\" 'e' &amp; ]]> \x01\x1f\x00 \ud800 \udc00 \U0001F600 \ufffe"

# name: (document name, settings, pages); a page is (index, width, height, items), an item
# (x0, y0, x1, y1, text, font).
TABLE = {
    "ampersands": ("Q&A", {"link": "http://h/?a=1&b=2", "author": "Ann & Bob"},
                   [(0, 2480, 3508, [(100, 100, 200, 120, "Tom & Jerry", "Arial"),
                                     (300, 100, 400, 120, "&amp; &#38; &", "A&B")])]),
    "quotes and brackets": ("\"<draft>\"", {"description": "<b>bold</b> \"q\" 'a'"},
                            [(0, 100, 100, [(0, 0, 50, 20, "<tag attr=\"v\">", "F\"o'nt<>")])]),
    "control characters": ("doc\x01\x07\x1b", {"author": "tab\there\x0cff"},
                           [(0, 100, 100, [(0, 0, 50, 20, "bell\x07nul\x00cr\rlf\n", "F\x02")])]),
    "surrogates": ("\ud83d\ude00 lone \ud800", {"link": "http://h/\udfff"},
                   [(0, 100, 100, [(0, 0, 50, 20, "pair \U0001F600 high \ud83d low \ude00",
                                    "\udc00font")])]),
    "everything": (HOSTILE, {"link": HOSTILE, "description": HOSTILE, "author": HOSTILE},
                   [(0, 100, 100, [(0, 0, 50, 20, HOSTILE, HOSTILE),
                                   (60, 0, 110, 20, HOSTILE, HOSTILE)])]),
    "empty pages": ("", {}, [(0, 0, 0, []), (1, 0, 0, []),
                             (2, 100, 100, [(0, 0, 0, 0, "", "")])]),
    "no pages": ("Nothing", {}, []),
    "huge coordinates": ("Huge", {}, [(MAX32, MIN32, MAX32,
                                       [(MIN32, MIN32, MAX32, MAX32, "corner", "Arial"),
                                        (MAX32, MAX32, MIN32, MIN32, "reversed", "Arial"),
                                        (0, MIN32, 10, MAX32, "tall", "Arial"),
                                        (0, 0, 10, 20, "small", "Arial")])]),
}

DATE = time.struct_time((2026, 1, 31, 14, 5, 9, 5, 31, 0))


def write_page_file(path, doc, settings, pages):
    with open(path, "w", encoding="ascii") as out:
        out.write("doc %s\n" % hex16(doc))
        for key in ("link", "description", "author"):
            out.write("%s %s\n" % (key, hex16(settings.get(key, ""))))
        for index, width, height, items in pages:
            out.write("page %d %d %d\n" % (index, width, height))
            for x0, y0, x1, y1, text, font in items:
                out.write("item %d %d %d %d %s %s\n" % (x0, y0, x1, y1, hex16(text), hex16(font)))


def xmllint(path):
    run = subprocess.run(["xmllint", "--noout", path], capture_output=True, text=True)
    return run.returncode, run.stderr


def check_feed(name, path, doc, settings, pages, atom, failures):
    parsed = feedparser.parse(path)
    where = "%s (%s)" % (name, path)
    if parsed.bozo:
        failures.append("%s: feedparser: %s" % (where, parsed.bozo_exception))
        return
    expected_title = readable(doc).strip()
    if parsed.feed.get("title", "").strip() != expected_title:
        failures.append("%s: feed title %r, expected %r" % (where, parsed.feed.get("title"),
                                                             expected_title))
    if len(parsed.entries) != len(pages):
        failures.append("%s: %d entries, expected %d" % (where, len(parsed.entries), len(pages)))
        return
    if atom:
        if parsed.feed.get("updated_parsed") != DATE:
            failures.append("%s: feed date %r" % (where, parsed.feed.get("updated")))
        for entry, page in zip(parsed.entries, pages):
            title = "%s, page %d" % (readable(doc), page[0] + 1)
            if entry.get("title", "").strip() != title.strip():
                failures.append("%s: entry title %r, expected %r" % (where, entry.get("title"),
                                                                     title))
            if entry.get("updated_parsed") != DATE:
                failures.append("%s: entry date %r" % (where, entry.get("updated")))
    if settings.get("author") and not atom:
        author = readable(settings["author"]).strip()
        for entry in parsed.entries:
            if entry.get("author", "").strip() != author:
                failures.append("%s: item author %r, expected %r" % (where, entry.get("author"),
                                                                     author))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    failures = []
    documents = 0
    for number, (name, (doc, settings, pages)) in enumerate(TABLE.items()):
        page_file = os.path.join(args.work, "page%d.txt" % number)
        write_page_file(page_file, doc, settings, pages)
        variants = [([], False)]
        variants += [(["--optimize"], False), (["--atom"], True), (["--atom", "--br"], True),
                     (["--br"], False), (["--optimize", "--space", "0"], False)]
        for options, atom in variants:
            stem = os.path.join(args.work, "page%d%s" % (number, "".join(options)))
            xml_out, feed_out = stem + ".xml", stem + ".feed.xml"
            run = subprocess.run([args.tool, page_file, xml_out, feed_out] + options)
            if run.returncode != 0:
                failures.append("%s %s: the tool failed (%d)" % (name, options, run.returncode))
                continue
            for path in (xml_out, feed_out):
                documents += 1
                code, errors = xmllint(path)
                if code != 0:
                    failures.append("%s: xmllint: %s" % (path, errors.strip()))
            check_feed(name, feed_out, doc, settings, pages, atom, failures)
    for failure in failures:
        print(failure)
    print("%d documents read, %d failures" % (documents, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

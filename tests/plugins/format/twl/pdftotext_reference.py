"""Compares the text-with-layout layout with pdftotext -layout on the same pages.

Each reference page (twl_pages.py) is drawn into a PDF and written as a page file; the layout
(page_tool) and `pdftotext -layout` each turn it into text. Spacing and blank lines may differ;
the words of each line, the order of the lines and the order of the words in a line must not.

    pdftotext_reference.py --tool PAGE_TOOL --work FOLDER
"""
import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import twl_pages  # noqa: E402


def lines_of_words(text):
    lines = (line.split() for line in text.replace("\r", "").split("\n"))
    return [words for words in lines if words]


def compare(name, ours, reference):
    """The differences as readable lines; empty when the pages agree."""
    problems = []
    for n in range(max(len(ours), len(reference))):
        mine = ours[n] if n < len(ours) else None
        theirs = reference[n] if n < len(reference) else None
        if mine != theirs:
            problems.append("%s line %d:\n  layout:    %s\n  pdftotext: %s" % (
                name, n + 1, " ".join(mine or ["<none>"]), " ".join(theirs or ["<none>"])))
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    problems = []
    for name, make in twl_pages.REFERENCE_PAGES.items():
        page = make()
        pdf = os.path.join(args.work, name + ".pdf")
        page_file = os.path.join(args.work, name + ".page")
        page.write_pdf(pdf)
        page.write_page_file(page_file)
        ours = subprocess.run([args.tool, page_file], check=True, capture_output=True,
                              timeout=60).stdout.decode("utf-8")
        reference = subprocess.run(["pdftotext", "-layout", "-enc", "UTF-8", pdf, "-"],
                                   check=True, capture_output=True,
                                   timeout=60).stdout.decode("utf-8")
        with open(os.path.join(args.work, name + ".txt"), "w", encoding="utf-8") as out:
            out.write(ours)
        with open(os.path.join(args.work, name + ".pdftotext.txt"), "w",
                  encoding="utf-8") as out:
            out.write(reference)
        found = compare(name, lines_of_words(ours), lines_of_words(reference))
        print("%s: %d lines, %s" % (name, len(lines_of_words(ours)),
                                    "agrees" if not found else "%d differ" % len(found)))
        problems += found
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

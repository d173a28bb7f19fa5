"""Pages of text runs for the text-with-layout layout's reference test and benchmark.

A page is a list of runs (text, font, size, x, baseline in points from the page's top-left
corner). The same page is drawn into a PDF with reportlab, for pdftotext, and written as a page
file of device-pixel boxes (see page_tool.cpp) for the layout.
"""
import random

from reportlab.pdfbase.pdfmetrics import getAscentDescent, stringWidth
from reportlab.pdfgen import canvas

DPI = 600
LETTER = (612, 792)


class Page:
    def __init__(self, width=LETTER[0], height=LETTER[1]):
        self.width = width
        self.height = height
        self.runs = []

    def text(self, x, baseline, text, size=10, font="Helvetica"):
        self.runs.append((text, font, size, x, baseline))

    def right(self, x_right, baseline, text, size=10, font="Helvetica"):
        self.text(x_right - stringWidth(text, font, size), baseline, text, size, font)

    def write_pdf(self, path):
        pdf = canvas.Canvas(path, pagesize=(self.width, self.height))
        for text, font, size, x, baseline in self.runs:
            pdf.setFont(font, size)
            pdf.drawString(x, self.height - baseline, text)
        pdf.showPage()
        pdf.save()

    def write_page_file(self, path):
        scale = DPI / 72.0
        with open(path, "w", encoding="utf-8") as out:
            out.write("page %d %d\n" % (round(self.width * scale), round(self.height * scale)))
            for text, font, size, x, baseline in self.runs:
                ascent, descent = getAscentDescent(font, size)
                width = stringWidth(text, font, size)
                out.write("%d %d %d %d %s\n" % (
                    round(x * scale), round((baseline - ascent) * scale),
                    round((x + width) * scale), round((baseline - descent) * scale), text))


def letter():
    page = Page()
    y = 72
    for line in ["Northwind Supplies Ltd", "14 Harbour Road", "Bristol BS1 4QA"]:
        page.right(540, y, line)
        y += 13
    page.right(540, y + 13, "12 March 2024")
    y += 52
    for line in ["Ms Jane Carter", "Carter & Sons", "8 Mill Lane", "Bath BA2 3DE"]:
        page.text(72, y, line)
        y += 13
    y += 26
    page.text(72, y, "Dear Ms Carter,")
    y += 26
    paragraph = [
        "Thank you for your order of 4 March. We are pleased to confirm that all",
        "twelve items are in stock and will be sent by courier on Monday. The",
        "invoice is enclosed; payment is due within thirty days of delivery.",
        "",
        "Should you have any questions, please call our office on 0117 496 0000.",
    ]
    for line in paragraph:
        if line:
            page.text(72, y, line)
        y += 13
    y += 26
    page.text(72, y, "Yours sincerely,")
    page.text(72, y + 52, "Thomas Reed", font="Helvetica-Bold")
    page.text(72, y + 65, "Sales Manager", size=9)
    return page


def invoice():
    page = Page()
    page.text(72, 72, "INVOICE", size=18, font="Helvetica-Bold")
    page.right(540, 72, "No. 2024-0317")
    page.right(540, 86, "Date: 12 March 2024")
    columns = [(72, "Item", False), (330, "Qty", True), (430, "Price", True), (540, "Total", True)]
    y = 140
    for x, title, right in columns:
        (page.right if right else page.text)(x, y, title, font="Helvetica-Bold")
    rows = [
        ("Copier paper A4", 10, 4.50),
        ("Stapler, heavy duty", 2, 12.99),
        ("Toner cartridge", 3, 64.00),
        ("Ring binders, blue", 24, 1.75),
        ("Desk lamp", 1, 29.95),
    ]
    total = 0
    for name, qty, price in rows:
        y += 16
        cells = [name, str(qty), "%.2f" % price, "%.2f" % (qty * price)]
        total += qty * price
        for (x, _, right), cell in zip(columns, cells):
            (page.right if right else page.text)(x, y, cell)
    y += 26
    page.right(430, y, "Subtotal", font="Helvetica-Bold")
    page.right(540, y, "%.2f" % total)
    page.right(430, y + 16, "VAT 20%", font="Helvetica-Bold")
    page.right(540, y + 16, "%.2f" % (total * 0.2))
    page.right(430, y + 32, "Amount due", font="Helvetica-Bold")
    page.right(540, y + 32, "%.2f" % (total * 1.2))
    return page


def two_columns():
    page = Page()
    page.text(72, 60, "The Harbour Gazette", size=16, font="Times-Bold")
    words = ("the tide came in early on the quay where fishing boats rest and gulls "
             "circled above the market stalls selling bread cheese and apples while "
             "children ran along the old stone wall towards the lighthouse").split()
    rng = random.Random(3)
    for column, x in enumerate((72, 320)):
        y = 100
        for line in range(30):
            count = rng.randint(5, 7)
            start = rng.randrange(len(words) - count)
            text = " ".join(words[start:start + count])
            if column == 0 and line == 0:
                text = "Left column starts here"
            if column == 1 and line == 0:
                text = "Right column starts here"
            page.text(x, y, text, size=9, font="Times-Roman")
            y += 12
    return page


REFERENCE_PAGES = {"letter": letter, "invoice": invoice, "two_columns": two_columns}


def dense(items, columns=4, words_per_column=5):
    """A tall page of items one word each: short words in several columns per line."""
    rng = random.Random(items)
    per_line = columns * words_per_column
    lines = -(-items // per_line)
    page = Page(LETTER[0], 72 + lines * 10)
    letters = "abcdefghijklmnopqrstuvwxyz"
    for n in range(items):
        line, place = divmod(n, per_line)
        column, word = divmod(place, words_per_column)
        text = "".join(rng.choice(letters) for _ in range(rng.randint(2, 5)))
        page.text(36 + column * 140 + word * 26, 48 + line * 10, text, size=7)
    return page


if __name__ == "__main__":
    # twl_pages.py dense ITEMS PAGE_FILE PDF: the benchmark's page, both ways.
    import sys
    if len(sys.argv) != 5 or sys.argv[1] != "dense":
        sys.exit("usage: twl_pages.py dense ITEMS PAGE_FILE PDF")
    page = dense(int(sys.argv[2]))
    page.write_page_file(sys.argv[3])
    page.write_pdf(sys.argv[4])

# Right-to-left lines drawn as PDF writers leave them: glyphs left to right as
# they show (words and letters in visual order), Arabic as presentation
# forms. Page 1: Hebrew, then Hebrew with a number and a Latin word; page 2:
# Arabic. Prints each page's words in logical order with their drawn left
# and right, as JSON. Usage: make_rtl_pages.py OUT.pdf FONT.ttf
import json, sys
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.pdfgen import canvas

pdfmetrics.registerFont(TTFont("F", sys.argv[2]))
c = canvas.Canvas(sys.argv[1], pagesize=(420, 300))
c.setFont("F", 18)
LINES = [  # logical words, page, height
    (["ספר", "לדוגמה", "—", "עמוד", "1"], 0, 240),
    (["גרסה", "12", "של", "Leafweaver", "כאן"], 0, 200),
    # "فهرست مطالب" in initial, medial and final forms
    (["\ufed3\ufeec\ufeae\ufeb3\ufe96", "\ufee3\ufec4\ufe8e\ufedf\ufe90"], 1, 240),
]
pages = [[], []]
for words, page, y in LINES:
    if page == 1 and not pages[1]:
        c.showPage()
        c.setFont("F", 18)
    # Drawn from the right: a right-to-left word reversed, Latin and digits as they are.
    x, placed = 40.0, {}
    for w in reversed(words):
        drawn = w if w.isascii() else w[::-1]
        c.drawString(x, y, drawn)
        width = pdfmetrics.stringWidth(drawn, "F", 18)
        placed[w] = (x, x + width)
        x += width + pdfmetrics.stringWidth(" ", "F", 18)
    plain = {"\ufed3\ufeec\ufeae\ufeb3\ufe96": "فهرست", "\ufee3\ufec4\ufe8e\ufedf\ufe90": "مطالب"}
    pages[page] += [[plain.get(w, w), *placed[w]] for w in words]
c.showPage()
c.save()
print(json.dumps(pages, ensure_ascii=False))

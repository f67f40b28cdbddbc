# A PDF of right-to-left lines as PDF writers leave them: glyphs drawn left
# to right as they show, so each line's text in the file is in visual order
# (the words' letters and the words reversed), Arabic as presentation forms.
# Page 1: a Hebrew line and a Hebrew line with a number and a Latin word;
# page 2: an Arabic line. Prints, as JSON, each page's words in logical order
# with the left and right (points from the page's left) of each as drawn.
# Usage: /usr/bin/python3 make_rtl_pages.py OUT.pdf FONT.ttf
import json
import sys

from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.pdfgen import canvas

out, font = sys.argv[1], sys.argv[2]
pdfmetrics.registerFont(TTFont("F", font))
SIZE, LEFT = 18, 40
c = canvas.Canvas(out, pagesize=(420, 300))

# Each line as drawn, left to right: (word as drawn, word in logical order).
def he(word):
    return (word[::-1], word)

# "ספר לדוגמה — עמוד 1"
HEBREW = [("1", "1"), he("עמוד"), ("—", "—"), he("לדוגמה"), he("ספר")]
# "גרסה 12 של Leafweaver כאן"
MIXED = [he("כאן"), ("Leafweaver", "Leafweaver"), he("של"), ("12", "12"), he("גרסה")]
# "فهرست مطالب": initial, medial and final forms, as a shaping writer leaves them.
FEHREST = "\ufed3\ufeec\ufeae\ufeb3\ufe96"
MATALEB = "\ufee3\ufec4\ufe8e\ufedf\ufe90"
ARABIC = [(MATALEB[::-1], "مطالب"), (FEHREST[::-1], "فهرست")]

def draw(y, line):
    x, words = LEFT, []
    space = pdfmetrics.stringWidth(" ", "F", SIZE)
    for drawn, logical in line:
        width = pdfmetrics.stringWidth(drawn, "F", SIZE)
        c.setFont("F", SIZE)
        c.drawString(x, y, drawn)
        words.append((logical, x, x + width))
        x += width + space
    return words

pages = []
first = draw(240, HEBREW)
second = draw(200, MIXED)
c.showPage()
arabic = draw(240, ARABIC)
c.showPage()
c.save()
# Logical order: a right-to-left line is read from its right end, a run of
# numbers and Latin words inside it left to right.
order = lambda words, logical: [next(w for w in words if w[0] == t) for t in logical]
pages.append(order(first, ["ספר", "לדוגמה", "—", "עמוד", "1"]) +
             order(second, ["גרסה", "12", "של", "Leafweaver", "כאן"]))
pages.append(order(arabic, ["فهرست", "مطالب"]))
print(json.dumps(pages, ensure_ascii=False))

#!/usr/bin/python3
"""Build the notation font Qelto (TrueType) from outlines drawn in code.

Run with the system python that has the fontforge module:
    /usr/bin/python3 make_qelto.py OUTPUT.ttf

Units and boxes
---------------
1000 units to the em. The text box of every glyph runs from y = 937 (top) to
y = -235 (bottom), 1172 units: the same box, in ems, as the note-digit font
("黑体", here WenQuanYi Micro Hei), so a glyph printed at the same print
position and size as a digit lines up with it. In that box a note digit stands
from y = 0 (its baseline) to y = 714, x = 64 to 495; the digit cell is
D = 551 units wide and H = 1172 units high.

The typesetter prints every glyph with its text box's top-left corner at the
print position, and builds lines and arcs from pieces printed side by side
every D (or D/2, D/5) units, so the pieces below share their heights and
reach a little past their own advance, which makes neighbours overlap.

Glyph        role                                             advance
-----        ----                                             -------
space        blank before printed numbers (narrow, so a        60
             printed " 3" stays over the fraction bar)
"0".."9"     time-signature digits, drawn low in the box       551
             so that numerator, "_" and denominator stack
"t" "r" "s"  sharp, flat, natural before a digit (upper left   160
             of the digit, printed D/4 left of it, ink left of that)
"a"          blank before the dot of a dotted quarter          400
"b"          blank before the dot of a dotted eighth           150
"m"          augmentation dot at the digit's middle height     220
"l"          octave dot (above or below the digit)             551
"_"          duration underline / fraction bar                 551
"c"          underline piece joining cells (every D/2)         276
"W"          left end of a slur or tuplet arc                  551
"X"          middle of an arc, every D                         551
"Z"          arc fill, every D/5                               110
"Y"          right end of an arc                               551
"M"          tuplet figure, a small 3 centred on x = 0         100
"H"          extension line, first piece                       551
"I"          extension line, further piece, every D            551
"n" "o"      ornament arc: left end and middle piece           300
"|"          bar line, one per row; join column (every H)     250
"z"          thick stroke beside an independent top row        250
"v" "u" "w"  bracket joining rows: top end, body (every H/2),  400
             bottom end; "w" also sets the bracket room
"x"          closing double bar of the score                   350
"h" "i" "j"  start repeat, end repeat, double bar (all rows)   400
"q"          tempo note (a quarter note)                       380
"p"          dynamics p (printed below the note)               380
"(" ")"      parentheses around notes                          220
"{" "}"      chord brackets                                    220
others       symbols placed above a note (zone y -220..460):
  "#" sharp, "$" segno, "%" coda, "&" turn, "'" breath tick,
  "*" pedal release, "+" stopped note, "," breath comma,
  "-" tenuto, "." staccato, "/" caesura, ":" repeat dots,
  ";" staccatissimo, "<" crescendo, "=" tremolo, ">" accent,
  "?" short fermata, "@" fermata, "A" marcato, "B" down-bow,
  "C" common time, "D" cut time, "E" mordent, "F" ff, "G" inverted
  mordent, "J" trill "tr", "K" trill wave, "L" arpeggio, "N" natural,
  "O" harmonic, "P" pp, "Q" fp, "R" rf, "S" sfz, "T" open bracket,
  "U" fermata below, "V" closed bracket, "[" "]" volta ends,
  "\" glissando, "^" up-bow, "`" grace slash, "d" mp, "e" mf,
  "f" f, "g" sf, "k" pedal "Ped", "y" flat                        551
"""

import math
import os
import sys

import fontforge
import psMat

D = 551          # digit cell width
H = 1172         # digit cell height
TOP = 937        # top of the text box
BOTTOM = -235    # bottom of the text box

font = fontforge.font()
font.encoding = "UnicodeBmp"
font.em = 1000
font.ascent = 800
font.descent = 200
font.fontname = "Qelto"
font.familyname = "Qelto"
font.fullname = "Qelto"
font.weight = "Regular"
font.version = "1.0"
font.copyright = "Notation font of the choir rehearsal program."
font.os2_winascent = TOP
font.os2_windescent = -BOTTOM
font.os2_winascent_add = False
font.os2_windescent_add = False
font.hhea_ascent = TOP
font.hhea_descent = BOTTOM
font.hhea_ascent_add = False
font.hhea_descent_add = False
font.hhea_linegap = 0
font.os2_typoascent = TOP
font.os2_typodescent = BOTTOM
font.os2_typoascent_add = False
font.os2_typodescent_add = False
font.os2_typolinegap = 0
font.os2_use_typo_metrics = True


# ---------------------------------------------------------------- drawing kit

class Glyph:
    """Collects filled shapes and stroked paths for one character."""

    def __init__(self, ch, width):
        self.g = font.createChar(ord(ch), glyph_name(ch))
        self.g.width = width
        self.layer = fontforge.layer()

    def fill(self, points):
        c = fontforge.contour()
        c.moveTo(*points[0])
        for p in points[1:]:
            c.lineTo(*p)
        c.closed = True
        self.layer += c

    def rect(self, x0, y0, x1, y1):
        self.fill([(x0, y0), (x1, y0), (x1, y1), (x0, y1)])

    def ellipse(self, cx, cy, rx, ry, angle=0.0):
        k = 0.5523
        pts = []
        c = fontforge.contour()
        # four quarter arcs, counter-clockwise from the right
        quarter = [((1, 0), (1, k), (k, 1), (0, 1)),
                   ((0, 1), (-k, 1), (-1, k), (-1, 0)),
                   ((-1, 0), (-1, -k), (-k, -1), (0, -1)),
                   ((0, -1), (k, -1), (1, -k), (1, 0))]
        ca, sa = math.cos(angle), math.sin(angle)

        def tr(u, v):
            x, y = u * rx, v * ry
            return (cx + x * ca - y * sa, cy + x * sa + y * ca)
        c.moveTo(*tr(*quarter[0][0]))
        for q in quarter:
            c.cubicTo(tr(*q[1]), tr(*q[2]), tr(*q[3]))
        c.closed = True
        self.layer += c

    def dot(self, cx, cy, r):
        self.ellipse(cx, cy, r, r)

    def path(self, cmds, width, cap="round", join="round", closed=False):
        """Stroke a path: cmds is a list of points and ('c', p1, p2, p3) curves."""
        c = fontforge.contour()
        c.moveTo(*cmds[0])
        for cmd in cmds[1:]:
            if cmd[0] == "c":
                c.cubicTo(cmd[1], cmd[2], cmd[3])
            else:
                c.lineTo(*cmd)
        c.closed = closed
        lay = fontforge.layer()
        lay += c
        lay.stroke("circular", width, cap, join)
        self.layer += lay

    def ring(self, cx, cy, rx, ry, width):
        k = 0.5523
        self.path([(cx + rx, cy),
                   ("c", (cx + rx, cy + ry * k), (cx + rx * k, cy + ry), (cx, cy + ry)),
                   ("c", (cx - rx * k, cy + ry), (cx - rx, cy + ry * k), (cx - rx, cy)),
                   ("c", (cx - rx, cy - ry * k), (cx - rx * k, cy - ry), (cx, cy - ry)),
                   ("c", (cx + rx * k, cy - ry), (cx + rx, cy - ry * k), (cx + rx, cy))],
                  width, closed=True)

    def add(self, other_layer, dx=0, dy=0):
        lay = other_layer.dup()
        lay.transform(psMat.translate(dx, dy))
        self.layer += lay

    def done(self):
        lay = self.layer
        lay.removeOverlap()
        lay.correctDirection()
        lay.round()
        self.g.foreground = lay


def glyph_name(ch):
    n = fontforge.nameFromUnicode(ord(ch))
    return n if n else "uni%04X" % ord(ch)


def blank(ch, width):
    g = font.createChar(ord(ch), glyph_name(ch))
    g.width = width


# --------------------------------------------------------- shape helpers

def digit_skeleton(d):
    """Centre lines of a numbered-notation digit in a 0..400 x 0..700 frame."""
    if d == "0":
        return [("ring", 200, 350, 160, 330)]
    if d == "1":
        return [[(120, 560), (230, 680), (230, 0)]]
    if d == "2":
        return [[(50, 540), ("c", (70, 680), (330, 720), (350, 530)),
                 ("c", (360, 400), (120, 250), (40, 0)), (370, 0)]]
    if d == "3":
        return [[(50, 620), ("c", (120, 710), (350, 700), (340, 540)),
                 ("c", (330, 420), (220, 390), (160, 390))],
                [(160, 390), ("c", (300, 390), (370, 320), (360, 190)),
                 ("c", (350, 40), (120, -20), (40, 90))]]
    if d == "4":
        return [[(280, 0), (280, 690), (30, 200), (380, 200)]]
    if d == "5":
        return [[(340, 680), (90, 680), (70, 390),
                 ("c", (160, 450), (360, 450), (360, 230)),
                 ("c", (360, 20), (120, -30), (40, 80))]]
    if d == "6":
        return [[(320, 660), ("c", (150, 700), (40, 520), (40, 280))],
                ("ring", 200, 200, 160, 190)]
    if d == "7":
        return [[(40, 680), (370, 680), (150, 0)]]
    if d == "8":
        return [("ring", 200, 530, 130, 150), ("ring", 200, 190, 160, 190)]
    if d == "9":
        return [("ring", 200, 490, 160, 190),
                [(360, 420), ("c", (360, 180), (250, 0), (80, 20))]]
    raise ValueError(d)


def draw_skeleton(gl, parts, width, sx=1.0, sy=1.0, dx=0.0, dy=0.0, slant=0.0):
    def tp(p):
        x, y = p
        x, y = x * sx, y * sy
        return (x + y * slant + dx, y + dy)
    for part in parts:
        if isinstance(part, tuple) and part[0] == "ring":
            _, cx, cy, rx, ry = part
            k = 0.5523
            pts = [(cx + rx, cy),
                   ("c", (cx + rx, cy + ry * k), (cx + rx * k, cy + ry), (cx, cy + ry)),
                   ("c", (cx - rx * k, cy + ry), (cx - rx, cy + ry * k), (cx - rx, cy)),
                   ("c", (cx - rx, cy - ry * k), (cx - rx * k, cy - ry), (cx, cy - ry)),
                   ("c", (cx + rx * k, cy - ry), (cx + rx, cy - ry * k), (cx + rx, cy))]
            closed = True
        else:
            pts = part
            closed = False
        out = []
        for p in pts:
            if p[0] == "c":
                out.append(("c", tp(p[1]), tp(p[2]), tp(p[3])))
            else:
                out.append(tp(p))
        gl.path(out, width, closed=closed)


# Letters of the dynamics marks, centre lines in an x-height of 420.
LETTERS = {
    "p": (300, [[(70, 420), (70, -230)], ("ring", 200, 210, 130, 200)]),
    "f": (260, [[(330, 640), ("c", (290, 720), (190, 710), (170, 560)),
                 (110, -100), ("c", (90, -220), (10, -230), (-30, -170))],
                [(40, 400), (280, 400)]]),
    "m": (420, [[(40, 0), (40, 420)],
                [(40, 290), ("c", (80, 440), (200, 440), (200, 300)), (200, 0)],
                [(200, 290), ("c", (240, 440), (360, 440), (360, 300)), (360, 0)]]),
    "z": (300, [[(30, 420), (260, 420), (30, 0), (270, 0)]]),
    "s": (280, [[(250, 370), ("c", (200, 440), (40, 440), (50, 320)),
                 ("c", (60, 220), (250, 220), (250, 100)),
                 ("c", (250, -20), (60, -20), (20, 50))]]),
    "r": (270, [[(40, 0), (40, 420)],
                [(40, 280), ("c", (90, 420), (200, 440), (260, 390))]]),
    "t": (230, [[(110, 600), (110, 60), ("c", (110, -20), (170, -20), (220, 30))],
                [(20, 420), (220, 420)]]),
    "P": (300, [[(70, 650), (70, 0)],
                [(70, 650), (190, 650), ("c", (330, 650), (330, 360), (190, 360)), (70, 360)]]),
    "e": (280, [[(40, 210), (250, 210), ("c", (260, 380), (40, 440), (40, 210)),
                 ("c", (40, -20), (200, -20), (250, 60))]]),
    "d": (320, [("ring", 150, 210, 120, 200), [(270, 680), (270, 0)]]),
}


def word(gl, text, x, y, scale=1.0, weight=78, slant=0.25):
    """Write a dynamics word; returns the x after it."""
    for ch in text:
        adv, parts = LETTERS[ch]
        draw_skeleton(gl, parts, weight, scale, scale, x, y, slant)
        x += (adv + 40) * scale
    return x


def word_width(text, scale=1.0):
    return sum((LETTERS[ch][0] + 40) * scale for ch in text) - 40 * scale


def dynamics(ch, text, base=-150, scale=0.78):
    w = word_width(text, scale)
    gl = Glyph(ch, max(D, int(w + 120)))
    word(gl, text, max(40, (D - w) / 2), base, scale)
    gl.done()


# -------------------------------------------------------- the role glyphs

blank(" ", 60)
blank("a", 400)
blank("b", 150)

# Digits of time signatures: 0.6 H tall, low in the box (y -288..415) so that a
# numerator printed H/2 higher and a denominator H/2 lower clear the bar "_".
for d in "0123456789":
    gl = Glyph(d, D)
    draw_skeleton(gl, digit_skeleton(d), 80, 0.95, 0.95, 70, -275)
    gl.done()

# Accidentals in the upper left of a digit, drawn left of their print position
# (which lies W/4 left of the digit) so that they end clear of the digit's ink;
# strokes of 70 units and more, 1.5 px and more at the default 18 pt.
gl = Glyph("t", 160)      # sharp
gl.rect(-200, 360, -130, 860)
gl.rect(-80, 330, -10, 830)
gl.fill([(-230, 520), (20, 575), (20, 665), (-230, 610)])
gl.fill([(-230, 690), (20, 745), (20, 835), (-230, 780)])
gl.done()

gl = Glyph("r", 160)      # flat
gl.rect(-200, 360, -130, 900)
gl.path([(-165, 400), ("c", (-80, 440), (-20, 520), (-45, 600)),
         ("c", (-70, 670), (-130, 660), (-165, 580))], 75)
gl.done()

gl = Glyph("s", 160)      # natural
gl.rect(-200, 440, -130, 900)
gl.rect(-80, 330, -10, 790)
gl.fill([(-200, 640), (-10, 680), (-10, 770), (-200, 730)])
gl.fill([(-200, 450), (-10, 490), (-10, 580), (-200, 540)])
gl.done()

gl = Glyph("m", 220)      # augmentation dot
gl.dot(110, 357, 58)
gl.done()

# Octave dot, low in the box: printed 0.87 H above a digit's top it clears the
# digit's ink; printed 0.48 H below, it lies a pixel under the digit's baseline,
# under a quarter with a white row to spare above the syllable for two dots,
# and under the first underline (one H/6 lower) clear of it.
gl = Glyph("l", D)
gl.dot(275, -104, 48)
gl.done()

# Underline: the first one, printed H/8 below the digit's top, lies just under
# the digit's baseline; each further one is printed H/8 lower.
UL0, UL1 = 40, 88
gl = Glyph("_", D)
gl.rect(15, UL0, D - 15, UL1)
gl.done()

gl = Glyph("c", D // 2)
gl.rect(-8, UL0, D // 2 + 18, UL1)
gl.done()

# Arc pieces. The arc's flat middle runs at y ARC0..ARC1; its ends come down
# towards the digit tops (the arc box is printed 0.9 H above the digits).
ARC0, ARC1 = 150, 200
gl = Glyph("W", D)
c = fontforge.contour()
c.moveTo(170, -80)
c.cubicTo((240, 60), (360, ARC1), (520, ARC1))
c.lineTo(D + 12, ARC1)
c.lineTo(D + 12, ARC0)
c.lineTo(520, ARC0)
c.cubicTo((380, ARC0), (270, 60), (170, -80))
c.closed = True
gl.layer += c
gl.done()

gl = Glyph("X", D)
gl.rect(-10, ARC0, D + 10, ARC1)
gl.done()

gl = Glyph("Z", D // 5)
gl.rect(-8, ARC0, D // 5 + 20, ARC1)
gl.done()

gl = Glyph("Y", D)
c = fontforge.contour()
c.moveTo(-12, ARC1)
c.lineTo(30, ARC1)
c.cubicTo((190, ARC1), (310, 60), (380, -80))
c.cubicTo((280, 60), (170, ARC0), (30, ARC0))
c.lineTo(-12, ARC0)
c.closed = True
gl.layer += c
gl.done()

gl = Glyph("M", 100)      # small 3 above the arc, centred on x = 0
draw_skeleton(gl, digit_skeleton("3"), 55, 0.5, 0.45, -100, 270)
gl.done()

# Extension line.
EXT0, EXT1 = 300, 336
gl = Glyph("H", D)
gl.rect(20, EXT0, D + 12, EXT1)
gl.rect(20, EXT0 - 90, 56, EXT1 + 90)
gl.done()
gl = Glyph("I", D)
gl.rect(-10, EXT0, D + 10, EXT1)
gl.done()

# Ornament arc, just above the digit top, under the small grace digits.
gl = Glyph("o", 300)
gl.rect(-10, 780, 310, 815)
gl.done()
gl = Glyph("n", 300)
c = fontforge.contour()
c.moveTo(40, 700)
c.cubicTo((90, 790), (170, 815), (260, 815))
c.lineTo(310, 815)
c.lineTo(310, 780)
c.lineTo(260, 780)
c.cubicTo((180, 780), (110, 765), (40, 700))
c.closed = True
gl.layer += c
gl.done()

# Bar line and join column: the whole box high, so a column printed every H joins.
# Their sides fall on whole pixels at the usual digit size (PX units to the pixel),
# so where copies overlap no antialiased edge gets darker (the column would look
# dashed).
PX = 1000 / 24
gl = Glyph("|", 250)
gl.rect(3 * PX, BOTTOM - 12, 5 * PX, TOP + 12)
gl.done()
gl = Glyph("z", 250)
gl.rect(2 * PX, BOTTOM - 12, 4 * PX, TOP + 12)
gl.done()

# Bracket: "v" from the top of the first row down past half a row, "u" half a
# row high (printed every H/2), "w" from the top of the last row to its bottom,
# reaching half a row above it: the column of "u" stops up to H/2 short of the
# last row wherever the row pitch is no multiple of H/2.
BR = 3 * PX
HALF = H // 2 + 24
gl = Glyph("v", 400)
gl.rect(0, TOP - HALF, BR, TOP)
c = fontforge.contour()
c.moveTo(0, TOP)
c.cubicTo((120, TOP + 10), (260, TOP + 40), (340, TOP + 120))
c.cubicTo((270, TOP - 10), (170, TOP - 80), (BR, TOP - 90))
c.lineTo(0, TOP - 90)
c.closed = True
gl.layer += c
gl.done()
gl = Glyph("u", 400)
gl.rect(0, TOP - HALF, BR, TOP + 12)
gl.done()
gl = Glyph("w", 400)
gl.rect(0, BOTTOM + 60, BR, TOP + 560)
c = fontforge.contour()
c.moveTo(0, BOTTOM + 60)
c.lineTo(BR, BOTTOM + 150)
c.cubicTo((170, BOTTOM + 140), (270, BOTTOM + 70), (340, BOTTOM - 60))
c.cubicTo((260, BOTTOM + 20), (120, BOTTOM + 50), (0, BOTTOM + 60))
c.closed = True
gl.layer += c
gl.done()

# Bars drawn through every row of a system.
FULL0, FULL1 = BOTTOM - 12, TOP + 12
gl = Glyph("x", 350)      # closing double bar
gl.rect(60, FULL0, 105, FULL1)
gl.rect(180, FULL0, 300, FULL1)
gl.done()
gl = Glyph("h", 400)      # start repeat
gl.rect(0, FULL0, 110, FULL1)
gl.rect(180, FULL0, 225, FULL1)
gl.dot(320, 220, 50)
gl.dot(320, 500, 50)
gl.done()
gl = Glyph("i", 400)      # end repeat
gl.dot(70, 220, 50)
gl.dot(70, 500, 50)
gl.rect(165, FULL0, 210, FULL1)
gl.rect(280, FULL0, 390, FULL1)
gl.done()
gl = Glyph("j", 400)      # double bar
gl.rect(60, FULL0, 105, FULL1)
gl.rect(190, FULL0, 235, FULL1)
gl.done()

# Tempo note: a quarter note in the upper half of the box.
gl = Glyph("q", 380)
gl.ellipse(165, 420, 135, 95, math.radians(25))
gl.rect(262, 430, 300, 900)
gl.done()

# Dynamics p, printed half a row below the digits.
dynamics("p", "p", base=-10, scale=0.9)

# Parentheses and chord brackets.
gl = Glyph("(", 220)
gl.path([(170, 800), ("c", (40, 620), (40, 120), (170, -80))], 50)
gl.done()
gl = Glyph(")", 220)
gl.path([(50, 800), ("c", (180, 620), (180, 120), (50, -80))], 50)
gl.done()
gl = Glyph("{", 220)
gl.path([(190, 1020), ("c", (80, 1010), (110, 700), (100, 500)),
         ("c", (95, 420), (60, 380), (20, 360)),
         ("c", (60, 340), (95, 300), (100, 220)),
         ("c", (110, 20), (80, -290), (190, -300))], 45)
gl.done()
gl = Glyph("}", 220)
gl.path([(30, 1020), ("c", (140, 1010), (110, 700), (120, 500)),
         ("c", (125, 420), (160, 380), (200, 360)),
         ("c", (160, 340), (125, 300), (120, 220)),
         ("c", (110, 20), (140, -290), (30, -300))], 45)
gl.done()

# ----------------------------------------------- symbols placed above a note
# Drawn in the lower part of the box, which stands 0.9 H above the digits,
# centred over the digit at x = CX.
CX = 275

gl = Glyph("#", D)        # sharp
gl.rect(CX - 75, -200, CX - 35, 380)
gl.rect(CX + 35, -170, CX + 75, 410)
gl.fill([(CX - 170, -40), (CX + 170, 40), (CX + 170, 110), (CX - 170, 30)])
gl.fill([(CX - 170, 160), (CX + 170, 240), (CX + 170, 310), (CX - 170, 230)])
gl.done()

gl = Glyph("y", D)        # flat
gl.rect(CX - 110, -150, CX - 70, 460)
gl.path([(CX - 90, -120), ("c", (CX + 80, -40), (CX + 150, 90), (CX + 100, 170)),
         ("c", (CX + 50, 240), (CX - 40, 200), (CX - 90, 110))], 50)
gl.done()

gl = Glyph("N", D)        # natural
gl.rect(CX - 90, -60, CX - 52, 460)
gl.rect(CX + 52, -220, CX + 90, 300)
gl.fill([(CX - 90, 160), (CX + 90, 210), (CX + 90, 270), (CX - 90, 220)])
gl.fill([(CX - 90, -20), (CX + 90, 30), (CX + 90, 90), (CX - 90, 40)])
gl.done()

gl = Glyph("$", D)        # segno
gl.path([(CX + 120, 300), ("c", (CX + 60, 420), (CX - 160, 400), (CX - 150, 270)),
         ("c", (CX - 140, 150), (CX + 150, 140), (CX + 150, 10)),
         ("c", (CX + 160, -120), (CX - 60, -140), (CX - 120, -20))], 55)
gl.path([(CX - 170, -140), (CX + 170, 440)], 34)
gl.dot(CX - 140, 140, 38)
gl.dot(CX + 140, 160, 38)
gl.done()

gl = Glyph("%", D)        # coda
gl.ring(CX, 120, 150, 190, 50)
gl.rect(CX - 18, -180, CX + 18, 420)
gl.rect(CX - 230, 102, CX + 230, 138)
gl.done()

gl = Glyph("&", D)        # turn
gl.path([(CX - 60, 120), ("c", (CX - 120, 260), (CX - 250, 200), (CX - 230, 90)),
         ("c", (CX - 210, -10), (CX - 100, 0), (CX, 110)),
         ("c", (CX + 100, 220), (CX + 210, 230), (CX + 230, 130)),
         ("c", (CX + 250, 20), (CX + 120, -40), (CX + 60, 100))], 48)
gl.done()

gl = Glyph("'", D)        # breath mark, a tick
gl.path([(CX - 90, 260), (CX - 10, 20), (CX + 110, 360)], 45)
gl.done()

gl = Glyph(",", D)        # breath mark, a comma
gl.dot(CX, 230, 62)
gl.path([(CX + 50, 220), ("c", (CX + 60, 120), (CX + 10, 40), (CX - 50, 10))], 40)
gl.done()

gl = Glyph("*", D)        # pedal release
for i in range(8):
    a = math.pi * i / 4
    gl.path([(CX + 60 * math.cos(a), 100 + 60 * math.sin(a)),
             (CX + 170 * math.cos(a), 100 + 170 * math.sin(a))], 45)
gl.ring(CX, 100, 60, 60, 30)
gl.done()

gl = Glyph("+", D)        # stopped note
gl.rect(CX - 22, -100, CX + 22, 260)
gl.rect(CX - 180, 58, CX + 180, 102)
gl.done()

gl = Glyph("-", D)        # tenuto
gl.rect(CX - 170, 40, CX + 170, 90)
gl.done()

gl = Glyph(".", D)        # staccato
gl.dot(CX, 40, 55)
gl.done()

gl = Glyph("/", D)        # caesura
gl.path([(CX - 170, -100), (CX - 20, 360)], 50)
gl.path([(CX + 10, -100), (CX + 160, 360)], 50)
gl.done()

gl = Glyph(":", D)        # repeat dots
gl.dot(CX, -20, 52)
gl.dot(CX, 260, 52)
gl.done()

gl = Glyph(";", D)        # staccatissimo wedge
gl.fill([(CX - 55, 260), (CX + 55, 260), (CX, -60)])
gl.done()

gl = Glyph("<", D)        # crescendo
gl.path([(CX + 240, 230), (CX - 240, 100), (CX + 240, -30)], 36, join="miter")
gl.done()

gl = Glyph(">", D)        # accent
gl.path([(CX - 180, 230), (CX + 180, 100), (CX - 180, -30)], 48, join="miter")
gl.done()

gl = Glyph("=", D)        # tremolo strokes
for k in range(3):
    y = -40 + k * 130
    gl.fill([(CX - 150, y), (CX + 150, y + 70), (CX + 150, y + 130), (CX - 150, y + 60)])
gl.done()


def fermata(gl, flip=False, square=False):
    s = -1 if flip else 1
    base = 0 if not flip else 250
    if square:
        gl.path([(CX - 200, base), (CX - 200, base + s * 250),
                 (CX + 200, base + s * 250), (CX + 200, base)], 45, join="miter")
    else:
        gl.path([(CX - 220, base), ("c", (CX - 210, base + s * 330),
                                    (CX + 210, base + s * 330), (CX + 220, base))], 48)
    gl.dot(CX, base + s * 70, 48)


gl = Glyph("@", D)        # fermata
fermata(gl)
gl.done()
gl = Glyph("U", D)        # fermata below the note (drawn upside down)
fermata(gl, flip=True)
gl.done()
gl = Glyph("?", D)        # short fermata
gl.path([(CX - 200, -20), (CX, 300), (CX + 200, -20)], 45, join="miter")
gl.dot(CX, 70, 45)
gl.done()

gl = Glyph("A", D)        # marcato
gl.fill([(CX - 150, -60), (CX, 330), (CX + 150, -60), (CX + 75, -60), (CX, 150), (CX - 75, -60)])
gl.done()

gl = Glyph("B", D)        # down-bow
gl.rect(CX - 170, 220, CX + 170, 300)
gl.rect(CX - 170, -60, CX - 130, 300)
gl.rect(CX + 130, -60, CX + 170, 300)
gl.done()

gl = Glyph("^", D)        # up-bow
gl.path([(CX - 130, 330), (CX, -60), (CX + 130, 330)], 38, join="miter")
gl.done()

gl = Glyph("C", D)        # common time
gl.path([(CX + 150, 320), ("c", (CX + 60, 440), (CX - 190, 400), (CX - 190, 110)),
         ("c", (CX - 190, -180), (CX + 60, -220), (CX + 160, -90))], 60)
gl.done()
gl = Glyph("D", D)        # cut time
gl.path([(CX + 150, 320), ("c", (CX + 60, 440), (CX - 190, 400), (CX - 190, 110)),
         ("c", (CX - 190, -180), (CX + 60, -220), (CX + 160, -90))], 60)
gl.rect(CX - 20, -230, CX + 20, 460)
gl.done()


def zigzag(gl, x0, y0, n, step, amp, width):
    pts = [(x0, y0)]
    for i in range(n):
        pts.append((x0 + step * (2 * i + 1), y0 + amp))
        pts.append((x0 + step * (2 * i + 2), y0))
    gl.path(pts, width)


gl = Glyph("E", D)        # mordent
zigzag(gl, CX - 200, 40, 2, 100, 160, 45)
gl.done()
gl = Glyph("G", D)        # inverted mordent
zigzag(gl, CX - 200, 40, 2, 100, 160, 45)
gl.rect(CX - 18, -80, CX + 18, 320)
gl.done()

gl = Glyph("J", D)        # trill
word(gl, "tr", CX - 210, -60, 0.75, 70, 0.2)
gl.done()


def wave(gl, x0, x1, y, amp, width):
    n = int((x1 - x0) / 120)
    pts = [(x0, y)]
    for i in range(n):
        xa = x0 + i * 120
        pts.append(("c", (xa + 30, y + amp), (xa + 60, y + amp), (xa + 60, y)))
        pts.append(("c", (xa + 90, y - amp), (xa + 120, y - amp), (xa + 120, y)))
    gl.path(pts, width)


gl = Glyph("K", D)        # trill wave, joins when repeated every D
wave(gl, 0, D, 100, 70, 40)
gl.done()

gl = Glyph("L", D)        # arpeggio, a vertical wave
pts = [(CX, -220)]
for i in range(5):
    y = -220 + i * 130
    pts.append(("c", (CX + 60, y + 30), (CX + 60, y + 60), (CX, y + 65)))
    pts.append(("c", (CX - 60, y + 70), (CX - 60, y + 100), (CX, y + 130)))
gl.path(pts, 40)
gl.done()

gl = Glyph("O", D)        # harmonic
gl.ring(CX, 90, 95, 95, 40)
gl.done()

gl = Glyph("T", D)        # bracket line with an open end
gl.path([(CX - 240, -60), (CX - 240, 250), (CX + 250, 250)], 38, cap="butt", join="miter")
gl.done()
gl = Glyph("V", D)        # bracket line closed at both ends
gl.path([(CX - 240, -60), (CX - 240, 250), (CX + 240, 250), (CX + 240, -60)], 38,
        cap="butt", join="miter")
gl.done()
gl = Glyph("[", D)        # volta bracket, start
gl.path([(CX - 200, -180), (CX - 200, 380), (CX + 280, 380)], 40, cap="butt", join="miter")
gl.done()
gl = Glyph("]", D)        # volta bracket, end
gl.path([(CX - 280, 380), (CX + 200, 380), (CX + 200, -180)], 40, cap="butt", join="miter")
gl.done()

gl = Glyph("\\", D)       # glissando line
gl.path([(CX - 230, 350), (CX + 230, -150)], 45)
gl.done()

gl = Glyph("`", D)        # slash of a short grace note
gl.path([(CX - 160, -140), (CX + 160, 360)], 42)
gl.done()

gl = Glyph("k", D)        # pedal
xk = word(gl, "P", CX - 230, -80, 0.5, 55, 0.2)
xk = word(gl, "e", xk, -80, 0.5, 55, 0.2)
word(gl, "d", xk, -80, 0.5, 55, 0.2)
gl.dot(CX + 230, -70, 30)
gl.done()

dynamics("f", "f")
dynamics("F", "ff")
dynamics("P", "pp")
dynamics("Q", "fp")
dynamics("R", "rf")
dynamics("S", "sfz", scale=0.62)
dynamics("d", "mp", scale=0.66)
dynamics("e", "mf", scale=0.66)
dynamics("g", "sf")

# Every character from "#" to "}" must have a glyph: the symbol list offers them all.
present = {glyph.unicode for glyph in font.glyphs()}
missing = [chr(c) for c in range(35, 126) if c not in present]
if missing:
    sys.exit("missing glyphs: " + "".join(missing))

out = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "Qelto.ttf")
os.makedirs(os.path.dirname(out), exist_ok=True)
font.generate(out)

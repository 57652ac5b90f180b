#!/usr/bin/env python3
"""Draws the demo product's pictures, icons and license texts.

    python3 demo/tools/make_assets.py

Writes, below demo/:
  setup/header.png, setup/header_dark.png      640 x 53, the wizard's header band
  setup/wizard_light.png, setup/wizard_dark.png 188 x 435, the side picture of the
                                                welcome and finish pages
  setup/addons.png                             96 x 96, the add-ons page picture
  setup/License_en.rtf, _ru.rtf, _de.rtf       the license texts
  product/Icons/media.ico, standins/zivr.ico   the player's icon
and replaces the "Icon=" line of every setup/*.lng with that language's flag
(a 16 x 16 ICO file written as hexadecimal text).

Only the standard library is used (zlib and struct write the PNG files), so
the output is the same on every machine; the files are committed and this
script is run again only when a picture or text changes.
"""

import math
import os
import re
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.dirname(HERE)

# The wizard's palette: accent colours of the light and dark modes.
ACCENT_LIGHT = (0xDE, 0x8C, 0x33)
ACCENT_DARK = (0xAC, 0x67, 0x1C)


# ---------------------------------------------------------------- canvas


class Canvas:
    """RGBA floating-point pixels; shapes are painted with 4 x 4 supersampling."""

    def __init__(self, w, h, fill=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[list(fill) for _ in range(w)] for _ in range(h)]

    def gradient(self, top, bottom, left_tint=None):
        for y in range(self.h):
            t = y / max(1, self.h - 1)
            for x in range(self.w):
                c = [top[i] + (bottom[i] - top[i]) * t for i in range(3)]
                if left_tint is not None:
                    s = 1 - x / max(1, self.w - 1)
                    c = [c[i] + (left_tint[i] - c[i]) * 0.18 * s for i in range(3)]
                self.px[y][x] = c + [255]

    def paint(self, inside, colour, alpha=1.0, box=None):
        """Blends colour over every pixel in proportion to the part of it that
        inside(x, y) covers (pixel centres at half units)."""
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        n = 4
        offs = [(i + 0.5) / n for i in range(n)]
        for y in range(y0, y1):
            row = self.px[y]
            for x in range(x0, x1):
                hits = sum(1 for dy in offs for dx in offs if inside(x + dx, y + dy))
                if not hits:
                    continue
                a = alpha * hits / (n * n)
                p = row[x]
                src_a = a
                dst_a = p[3] / 255.0
                out_a = src_a + dst_a * (1 - src_a)
                for i in range(3):
                    p[i] = (colour[i] * src_a + p[i] * dst_a * (1 - src_a)) / out_a if out_a else 0
                p[3] = out_a * 255

    def rows(self):
        for row in self.px:
            yield [tuple(int(round(max(0, min(255, v)))) for v in p) for p in row]


# ---------------------------------------------------------------- shapes


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in, start=None, end=None):
    """A ring; with start and end (degrees, 0 = east, counter-clockwise with y
    pointing down) only that arc."""

    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        if not (r_in * r_in <= d <= r_out * r_out):
            return False
        if start is None:
            return True
        a = math.degrees(math.atan2(cy - y, x - cx)) % 360
        return start <= a <= end

    return inside


def polygon(points):
    def inside(x, y):
        c = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c

    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def play_button(cx, cy, r):
    """The player's mark: a disc with a triangle cut out of it."""
    tri = polygon([(cx - 0.32 * r, cy - 0.48 * r), (cx - 0.32 * r, cy + 0.48 * r),
                   (cx + 0.52 * r, cy)])
    return disc(cx, cy, r), tri


def wordmark(x0, y0, h):
    """"ZIVR" in block letters h pixels high; returns (shape, width)."""
    u = h / 7.0  # the letters are drawn on a 7-unit-high grid
    glyphs = []
    x = 0.0

    def place(pts):
        return [(x0 + (x + px) * u, y0 + py * u) for px, py in pts]

    # Z
    glyphs.append(polygon(place([(0, 0), (5, 0), (5, 1.3), (1.9, 5.7), (5, 5.7), (5, 7),
                                 (0, 7), (0, 5.7), (3.1, 1.3), (0, 1.3)])))
    x += 6.2
    # I
    glyphs.append(polygon(place([(0, 0), (1.4, 0), (1.4, 7), (0, 7)])))
    x += 2.6
    # V
    glyphs.append(polygon(place([(0, 0), (1.5, 0), (2.6, 5.0), (3.7, 0), (5.2, 0),
                                 (3.3, 7), (1.9, 7)])))
    x += 6.4
    # R: stem, bowl and leg
    bx = x0 + (x + 3.0) * u
    by = y0 + 2.0 * u
    glyphs.append(polygon(place([(0, 0), (1.4, 0), (1.4, 7), (0, 7)])))
    glyphs.append(polygon(place([(1.4, 0), (3.0, 0), (3.0, 1.3), (1.4, 1.3)])))
    glyphs.append(polygon(place([(1.4, 2.7), (3.0, 2.7), (3.0, 4.0), (1.4, 4.0)])))
    glyphs.append(ring(bx, by, 2.0 * u, 0.7 * u, -90, 90))
    half = ring(bx, by, 2.0 * u, 0.7 * u)
    glyphs.append(lambda px, py, half=half, bx=bx: px >= bx and half(px, py))
    glyphs.append(polygon(place([(2.0, 4.0), (3.5, 4.0), (5.1, 7), (3.6, 7)])))
    x += 5.1
    return union(*glyphs), x * u


# ---------------------------------------------------------------- PNG


def write_png(path, canvas, alpha=False):
    raw = bytearray()
    prev = None
    bpp = 4 if alpha else 3
    for row in canvas.rows():
        line = bytearray()
        for p in row:
            line += bytes(p[:bpp])
        # Adaptive filtering: the filter with the smallest sum of magnitudes.
        best = None
        for ftype in range(5):
            f = png_filter(ftype, line, prev, bpp)
            score = sum(b if b < 128 else 256 - b for b in f)
            if best is None or score < best[0]:
                best = (score, ftype, f)
        raw.append(best[1])
        raw += best[2]
        prev = line

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    colour_type = 6 if alpha else 2
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", canvas.w, canvas.h, 8, colour_type, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def png_filter(ftype, line, prev, bpp):
    out = bytearray(len(line))
    for i, v in enumerate(line):
        a = line[i - bpp] if i >= bpp else 0
        b = prev[i] if prev is not None else 0
        c = prev[i - bpp] if prev is not None and i >= bpp else 0
        if ftype == 0:
            pred = 0
        elif ftype == 1:
            pred = a
        elif ftype == 2:
            pred = b
        elif ftype == 3:
            pred = (a + b) // 2
        else:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
        out[i] = (v - pred) & 0xFF
    return out


# ---------------------------------------------------------------- ICO


def ico_bytes(images):
    """An ICO file of 32-bit images; images: list of Canvas (square)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    entries = b""
    blobs = b""
    offset = 6 + 16 * len(images)
    for cv in images:
        n = cv.w
        rows = list(cv.rows())
        xor = b""
        for row in reversed(rows):  # bottom-up
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((n + 31) // 32) * 4
        mask = b""
        for row in reversed(rows):
            line = bytearray(mask_stride)
            for x, p in enumerate(row):
                if p[3] == 0:
                    line[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(line)
        bih = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = bih + xor + mask
        entries += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return header + entries + blobs


def flag(stripes=None, painter=None):
    """A 16 x 16 icon holding a 16 x 12 flag with a thin dark frame."""
    cv = Canvas(16, 16)
    top, h = 2, 12
    if stripes:
        band = h / len(stripes)
        for i, col in enumerate(stripes):
            cv.paint(rect(0, top + i * band, 16, top + (i + 1) * band), col)
    if painter:
        painter(cv, top, h)
    frame = union(rect(0, top, 16, top + 0.6), rect(0, top + h - 0.6, 16, top + h),
                  rect(0, top, 0.6, top + h), rect(15.4, top, 16, top + h))
    cv.paint(frame, (40, 40, 40), 0.55)
    return cv


def english_flag(cv, top, h):
    # A simplified union flag: blue field, white and red saltires and crosses.
    cx, cy = 8, top + h / 2
    cv.paint(rect(0, top, 16, top + h), (0x1F, 0x3F, 0x8F))

    def diag(width):
        k = h / 16.0
        return lambda x, y: abs((y - top) - x * k) < width or abs((y - top) - (16 - x) * k) < width

    cv.paint(lambda x, y: top <= y < top + h and diag(1.6)(x, y), (255, 255, 255))
    cv.paint(lambda x, y: top <= y < top + h and diag(0.6)(x, y), (0xC8, 0x10, 0x2E))
    cv.paint(union(rect(0, cy - 2, 16, cy + 2), rect(cx - 2.2, top, cx + 2.2, top + h)),
             (255, 255, 255))
    cv.paint(union(rect(0, cy - 1.1, 16, cy + 1.1), rect(cx - 1.2, top, cx + 1.2, top + h)),
             (0xC8, 0x10, 0x2E))


def app_icon(n, accent):
    cv = Canvas(n, n)
    d, tri = play_button(n / 2, n / 2, n / 2 - 0.5)
    cv.paint(d, accent)
    cv.paint(tri, (255, 255, 255))
    return cv


# ---------------------------------------------------------------- pictures


def side_picture(dark):
    w, h = 188, 435
    cv = Canvas(w, h)
    if dark:
        cv.gradient((0x3B, 0x2A, 0x1A), (0x1C, 0x1C, 0x1C))
        mark, cut, text = ACCENT_DARK, (0x26, 0x26, 0x26), (0xF0, 0xF0, 0xF0)
        waves = (0xAC, 0x67, 0x1C)
    else:
        cv.gradient((0xF0, 0xA3, 0x52), (0xC4, 0x6A, 0x17))
        mark, cut, text = (255, 255, 255), ACCENT_LIGHT, (255, 255, 255)
        waves = (255, 255, 255)
    # Sound waves spreading from the lower left corner.
    for i, r in enumerate((90, 130, 170, 210, 250)):
        cv.paint(ring(-20, h + 20, r + 3, r, 0, 90), waves, 0.16 - i * 0.02,
                 box=(0, h - r - 30, min(w, r), h))
    cx, cy, r = w / 2, 120, 44
    d, tri = play_button(cx, cy, r)
    cv.paint(d, mark, box=(cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1))
    cv.paint(tri, cut, box=(cx - r, cy - r, cx + r, cy + r))
    th = 28
    shape, tw = wordmark(0, 0, th)
    x0, y0 = (w - tw) / 2, cy + r + 30
    cv.paint(lambda x, y: shape(x - x0, y - y0), text, box=(x0 - 1, y0 - 1, x0 + tw + 2, y0 + th + 1))
    return cv


def header(dark):
    w, h = 640, 53
    cv = Canvas(w, h)
    if dark:
        cv.gradient((0x30, 0x30, 0x30), (0x26, 0x26, 0x26))
        mark, cut, text = ACCENT_DARK, (0x2B, 0x2B, 0x2B), (0xF0, 0xF0, 0xF0)
    else:
        cv.gradient((0xFF, 0xFF, 0xFF), (0xF7, 0xF1, 0xEA))
        mark, cut, text = ACCENT_LIGHT, (255, 255, 255), (0x33, 0x33, 0x33)
    cx, cy, r = 30, 26, 16
    d, tri = play_button(cx, cy, r)
    cv.paint(d, mark, box=(cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1))
    cv.paint(tri, cut, box=(cx - r, cy - r, cx + r, cy + r))
    th = 16
    shape, tw = wordmark(0, 0, th)
    x0, y0 = 56, cy - th / 2
    cv.paint(lambda x, y: shape(x - x0, y - y0), text, box=(x0 - 1, y0 - 1, x0 + tw + 2, y0 + th + 1))
    return cv


def addons_picture():
    n = 96
    cv = Canvas(n, n)
    # A rounded square with a plus: "something extra".
    rr = 16

    def rounded(x, y):
        if not (4 <= x < n - 4 and 4 <= y < n - 4):
            return False
        cx = min(max(x, 4 + rr), n - 4 - rr)
        cy = min(max(y, 4 + rr), n - 4 - rr)
        return (x - cx) ** 2 + (y - cy) ** 2 <= rr * rr

    cv.paint(rounded, ACCENT_LIGHT)
    cv.paint(union(rect(42, 24, 54, 72), rect(24, 42, 72, 54)), (255, 255, 255))
    return cv


# ---------------------------------------------------------------- licenses

LICENSES = {
    "en": ("ZIVR demo license", [
        "This is the license of the ZIVR demo product. It ships with the ZIVR Setup "
        "sources so that the installer can be built and tried out; the program files "
        "it installs are small stand-ins that record how the installer calls them, "
        "not a media player.",
        "1. You may install, copy and remove the demo product as often as you like.",
        "2. The demo product is provided \"as is\", without warranty of any kind. The "
        "authors are not liable for any damage arising from its use.",
        "3. The stand-in programs write small log files beside themselves. They do not "
        "connect to the Internet and collect no data.",
        "4. The web addresses shown by the demo (zivr.example) are examples and lead "
        "nowhere.",
        "By ticking the box below you confirm that you have read this text.",
    ]),
    "ru": ("Лицензия демонстрационной версии ZIVR", [
        "Это лицензия демонстрационного продукта ZIVR. Он входит в исходные тексты "
        "ZIVR Setup, чтобы установщик можно было собрать и опробовать; устанавливаемые "
        "программы — небольшие заглушки, которые записывают, как их вызывает "
        "установщик, а не медиаплеер.",
        "1. Вы можете устанавливать, копировать и удалять демонстрационный продукт "
        "сколько угодно раз.",
        "2. Демонстрационный продукт предоставляется «как есть», без каких-либо "
        "гарантий. Авторы не несут ответственности за ущерб, возникший при его "
        "использовании.",
        "3. Программы-заглушки записывают небольшие журналы рядом с собой. Они не "
        "подключаются к Интернету и не собирают никаких данных.",
        "4. Веб-адреса в демонстрационной версии (zivr.example) — лишь примеры и никуда "
        "не ведут.",
        "Отметив флажок ниже, вы подтверждаете, что прочитали этот текст.",
    ]),
    "de": ("ZIVR-Demolizenz", [
        "Dies ist die Lizenz des ZIVR-Demoprodukts. Es liegt den Quellen von ZIVR Setup "
        "bei, damit sich das Installationsprogramm bauen und ausprobieren lässt; die "
        "installierten Programme sind kleine Platzhalter, die aufzeichnen, wie das "
        "Installationsprogramm sie aufruft, und kein Medienplayer.",
        "1. Sie dürfen das Demoprodukt beliebig oft installieren, kopieren und entfernen.",
        "2. Das Demoprodukt wird ohne Mängelgewähr und ohne jede Garantie bereitgestellt. "
        "Die Autoren haften nicht für Schäden, die aus seiner Verwendung entstehen.",
        "3. Die Platzhalterprogramme schreiben kleine Protokolldateien neben sich. Sie "
        "verbinden sich nicht mit dem Internet und sammeln keine Daten.",
        "4. Die Webadressen der Demo (zivr.example) sind Beispiele und führen nirgendwohin.",
        "Mit dem Häkchen unten bestätigen Sie, dass Sie diesen Text gelesen haben.",
    ]),
}


def rtf_escape(text):
    out = []
    for ch in text:
        o = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif o < 128:
            out.append(ch)
        else:
            # \uN takes a signed 16-bit number; "?" is the fallback for old readers.
            out.append("\\u%d?" % (o if o < 32768 else o - 65536))
    return "".join(out)


def write_rtf(path, title, paragraphs):
    lines = [
        r"{\rtf1\ansi\ansicpg1252\deff0\uc1",
        r"{\fonttbl{\f0\fswiss\fcharset0 Segoe UI;}}",
        r"\viewkind4\pard\sa120\f0\fs18",
        r"{\b\fs24 " + rtf_escape(title) + r"}\par",
    ]
    for p in paragraphs:
        lines.append(rtf_escape(p) + r"\par")
    lines.append("}")
    with open(path, "w", encoding="ascii", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


# ---------------------------------------------------------------- main


def set_icon_line(lng_path, icon):
    with open(lng_path, "rb") as f:
        data = f.read()
    assert data.startswith(b"\xef\xbb\xbf"), lng_path + " must start with a UTF-8 byte-order mark"
    text = data.decode("utf-8-sig")
    new, n = re.subn(r"(?m)^Icon=[^\r\n]*", "Icon=" + icon.hex(), text, count=1)
    assert n == 1, lng_path + " has no Icon= line"
    with open(lng_path, "wb") as f:
        f.write(b"\xef\xbb\xbf" + new.encode("utf-8"))


def main():
    setup = os.path.join(DEMO, "setup")
    write_png(os.path.join(setup, "header.png"), header(False))
    write_png(os.path.join(setup, "header_dark.png"), header(True))
    write_png(os.path.join(setup, "wizard_light.png"), side_picture(False))
    write_png(os.path.join(setup, "wizard_dark.png"), side_picture(True))
    write_png(os.path.join(setup, "addons.png"), addons_picture(), alpha=True)
    for code, (title, paragraphs) in LICENSES.items():
        write_rtf(os.path.join(setup, "License_%s.rtf" % code), title, paragraphs)

    flags = {
        "English.lng": flag(painter=english_flag),
        "Russian.lng": flag(stripes=[(255, 255, 255), (0x00, 0x39, 0xA6), (0xD5, 0x2B, 0x1E)]),
        "German.lng": flag(stripes=[(0, 0, 0), (0xDD, 0x00, 0x00), (0xFF, 0xCE, 0x00)]),
    }
    for name, cv in flags.items():
        set_icon_line(os.path.join(setup, name), ico_bytes([cv]))

    icon = ico_bytes([app_icon(32, ACCENT_LIGHT), app_icon(16, ACCENT_LIGHT)])
    for rel in ("product/Icons/media.ico", "standins/zivr.ico"):
        path = os.path.join(DEMO, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(icon)


if __name__ == "__main__":
    main()

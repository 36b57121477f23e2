"""Builds the STANDARDFONT raw-data resource from resources/fonts/STANDARDFONT.txt.

Block layout (little-endian): 4 bytes unused, format number 2, word count W,
256 signed glyph indices (-1 = no glyph), a 4-byte table slot written as 0,
then W stroke words: bits 0-1 code, bits 2-8 x, bits 9-15 y (7-bit signed).
"""
import os
import struct

X_RANGE = (0, 7)
Y_RANGE = (-4, 10)  # up to 8 for ASCII; the capital umlauts' dots reach 10
ADVANCE_RANGE = (2, 9)


def word(code, x, y):
    return (code & 3) | ((x & 127) << 2) | ((y & 127) << 9)


def parse_points(path, line_no, fields):
    points = []
    for f in fields:
        try:
            x, y = (int(v) for v in f.split(","))
        except ValueError:
            raise SystemExit(f"{path}:{line_no}: bad point {f!r}")
        if not (X_RANGE[0] <= x <= X_RANGE[1] and Y_RANGE[0] <= y <= Y_RANGE[1]):
            raise SystemExit(f"{path}:{line_no}: point {f} outside the cell")
        points.append((x, y))
    if len(points) < 2:
        raise SystemExit(f"{path}:{line_no}: a stroke needs two points")
    return points


def code_of(char):
    """The character's code in the texts the program draws (code page 1252):
    printable ASCII or a printable character above 160; None otherwise."""
    if len(char) != 1:
        return None
    try:
        code = char.encode("cp1252")[0]
    except UnicodeEncodeError:
        return None
    return code if 33 <= code <= 126 or 161 <= code <= 255 else None


def read_glyphs(path):
    """Returns {code: (advance, [(closed, points), ...])}."""
    glyphs = {}
    current = None
    with open(path, encoding="utf-8") as f:
        for line_no, raw in enumerate(f, 1):
            line = raw.rstrip("\r\n")
            if not line.strip() or line.startswith(";"):
                continue
            fields = line.split()
            if fields[0] == "glyph":
                char, advance = fields[1], int(fields[2])
                code = code_of(char)
                if code is None:
                    raise SystemExit(f"{path}:{line_no}: glyph must be one printable character of code page 1252")
                if not ADVANCE_RANGE[0] <= advance <= ADVANCE_RANGE[1]:
                    raise SystemExit(f"{path}:{line_no}: advance {advance} out of range")
                if code in glyphs:
                    raise SystemExit(f"{path}:{line_no}: glyph {char} given twice")
                current = (advance, [])
                glyphs[code] = current
            elif fields[0] in ("stroke", "loop"):
                if current is None:
                    raise SystemExit(f"{path}:{line_no}: stroke before any glyph")
                current[1].append((fields[0] == "loop", parse_points(path, line_no, fields[1:])))
            else:
                raise SystemExit(f"{path}:{line_no}: unknown line {line!r}")
    return glyphs


def encode(glyphs):
    index = [-1] * 256
    words = []
    for code in sorted(glyphs):
        advance, strokes = glyphs[code]
        index[code] = len(words)
        for closed, points in strokes:
            words.append(word(0, *points[0]))
            for x, y in points[1:-1]:
                words.append(word(1, x, y))
            words.append(word(2 if closed else 1, *points[-1]))
        words.append(word(3, advance, 0))
    head = struct.pack("<IHH", 0, 2, len(words)) + struct.pack("<256h", *index) + struct.pack("<I", 0)
    return head + struct.pack(f"<{len(words)}H", *words)


def build(resources_dir, out_dir):
    src = os.path.join(resources_dir, "fonts", "STANDARDFONT.txt")
    with open(os.path.join(out_dir, "STANDARDFONT.bin"), "wb") as f:
        f.write(encode(read_glyphs(src)))

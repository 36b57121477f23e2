"""Loudspeaker data of the programs, from the readable sources in resources/speakers/.

- LSTMPL.txt and XYZ_CROSS.txt become the drawing resources LSTMPL.bin and
  XYZ_CROSS.bin: 32-byte identification, 384 layer bytes (unused), then
  chunks of an 18-byte header (uint16 nodes at 0, uint16 elements at 2,
  uint32 at 14 non-zero while another chunk follows), 12-byte nodes and
  2-byte elements (node << 2 | code).
- BEISPIEL.txt becomes the sample speaker database BEISPIEL.OSB (version
  140): records scrambled with the record codec, shapes embedded as object
  chunks behind their records.
"""
import math
import os
import struct

SHAPE_ID = b"TEVRAN 1.0     \0"
DB_ID = b"ORVANTE SPEAKER DATABASE V140"
RECORD_SIZE = 19160
BANDS = 7
ROWS = 37
COLS = 72
BALLOON_OFS = 512
KEY_TABLE = bytes.fromhex("5e1c93a07b24d8f6c0e95a3317bd4c82a96f0e2d74b1c5389d06e7fa1b42c6d3")
CHECKSUM_MASK = struct.unpack_from("<I", KEY_TABLE, 4)[0]
SAMPLE_DB_NAME = "BEISPIEL.OSB"

EL_START, EL_LINE, EL_CLOSE = 0, 1, 2


# ---- shapes -------------------------------------------------------------

def polygon_elements(nodes, closed):
    els = [(EL_START, nodes[0])]
    for n in nodes[1:-1]:
        els.append((EL_LINE, n))
    els.append((EL_CLOSE if closed else EL_LINE, nodes[-1]))
    return els


def read_shape(path):
    """Chunks of (nodes, elements) from a shape source file."""
    chunks = [([], [])]
    with open(path, encoding="utf-8") as f:
        for line_no, line in enumerate(f, 1):
            words = line.split(";")[0].split()
            if not words:
                continue
            nodes, els = chunks[-1]
            if words[0] == "node" and len(words) == 4:
                nodes.append(tuple(float(v) for v in words[1:]))
            elif words[0] in ("poly", "line") and len(words) >= 3:
                idx = [int(v) for v in words[1:]]
                if any(i < 0 or i >= len(nodes) for i in idx):
                    raise SystemExit(f"{path}:{line_no}: node index out of range")
                els.extend(polygon_elements(idx, words[0] == "poly"))
            elif words[0] == "chunk":
                chunks.append(([], []))
            else:
                raise SystemExit(f"{path}:{line_no}: cannot read {line.strip()!r}")
    return [c for c in chunks if c[0]]


def drawing_resource(chunks):
    out = bytearray(SHAPE_ID.ljust(32, b"\0"))
    out += bytes(384)
    for i, (nodes, els) in enumerate(chunks):
        more = 1 if i + 1 < len(chunks) else 0
        out += struct.pack("<HH10xI", len(nodes), len(els), more)
        for x, y, z in nodes:
            out += struct.pack("<fff", x, y, z)
        for code, node in els:
            out += struct.pack("<H", (node << 2) | code)
    return bytes(out)


def frustum(xb, xf, wb, hb, wf, hf):
    nodes = [(xf, -wf, -hf), (xf, wf, -hf), (xf, wf, hf), (xf, -wf, hf),
             (xb, -wb, -hb), (xb, wb, -hb), (xb, wb, hb), (xb, -wb, hb)]
    faces = [(0, 1, 2, 3), (7, 6, 5, 4), (0, 4, 5, 1), (1, 5, 6, 2), (2, 6, 7, 3), (3, 7, 4, 0)]
    els = [e for f in faces for e in polygon_elements(list(f), True)]
    return nodes, els


def sphere(radius, rings, segments):
    nodes = [(0.0, 0.0, -radius)]
    for r in range(1, rings):
        polar = math.pi * r / rings
        for s in range(segments):
            a = 2 * math.pi * s / segments
            nodes.append((radius * math.sin(polar) * math.cos(a),
                          radius * math.sin(polar) * math.sin(a),
                          -radius * math.cos(polar)))
    nodes.append((0.0, 0.0, radius))
    top = len(nodes) - 1

    def ring(r, s):
        return 1 + (r - 1) * segments + s % segments

    faces = []
    for s in range(segments):
        faces.append((0, ring(1, s + 1), ring(1, s)))
        faces.append((top, ring(rings - 1, s), ring(rings - 1, s + 1)))
        for r in range(1, rings - 1):
            faces.append((ring(r, s), ring(r, s + 1), ring(r + 1, s + 1), ring(r + 1, s)))
    els = [e for f in faces for e in polygon_elements(list(f), True)]
    return nodes, els


def shape_chunk(nodes, els):
    """One stored object chunk: 48-byte header, nodes, 4-byte elements."""
    header = struct.pack("<12I", 0, 0, 0, 0, 0, 16, 0, 12, 3, len(nodes), len(els), 0)
    body = b"".join(struct.pack("<fff", *n) for n in nodes)
    body += b"".join(struct.pack("<HH", c, v) for c, v in els)
    return header + body


# ---- balloon -----------------------------------------------------------

def band_level(model, polar_deg, around_deg):
    kind = model[0]
    if kind == "cardioid":
        a = float(model[1])
        v = abs(a + (1 - a) * math.cos(math.radians(polar_deg)))
        return 20 * math.log10(max(v, 1e-6))
    if kind == "beam":
        h, v, floor = (float(x) for x in model[1:4])
        phi = math.radians(around_deg)
        half6 = 1 / math.sqrt((math.cos(phi) / (h / 2)) ** 2 + (math.sin(phi) / (v / 2)) ** 2)
        return max(floor, -6 * (polar_deg / half6) ** 2)
    raise SystemExit(f"unknown directivity model {kind!r}")


def db_to_byte(db):
    v = db * 5 + 225
    if v <= 0:
        return 0
    return min(255, int(math.floor(v + 0.5)))


def balloon_band(model):
    return [[db_to_byte(max(-45.0, band_level(model, 5 * r, 5 * c))) for c in range(COLS)]
            for r in range(ROWS)]


def directivity_factor(rows):
    """4 pi over the solid-angle integral of the power ratio."""
    step = math.radians(5)
    total = 0.0
    for r, row in enumerate(rows):
        weight = math.sin(math.radians(5 * r)) * step * step
        total += weight * sum(10 ** (((b - 225) / 5) / 10) for b in row)
    return 4 * math.pi / total


# ---- record and codec --------------------------------------------------

def scramble(data, start, length, key, encoding):
    k = t = 0
    total = 0
    for i in range(start, start + length):
        m = key[k] ^ KEY_TABLE[t]
        if encoding:
            total += 255 - data[i]
            data[i] ^= m
        else:
            data[i] ^= m
            total += 255 - data[i]
        k = (k + 1) % len(key)
        t += 7
        if t >= 32:
            t -= 32
    return total & 0xFFFFFFFF


def encode_record(image):
    key = bytes(image[470:490])
    s1 = scramble(image, 0, 71, key, True)
    s2 = scramble(image, 72, 382, key, True)
    s3 = scramble(image, 512, RECORD_SIZE - 512, key, True)
    s4 = scramble(image, 462, 50, bytes(image[21:71]), True)
    struct.pack_into("<II", image, 454, (s1 + s2 + s3 + s4) & 0xFFFFFFFF, s4 ^ CHECKSUM_MASK)


def text_field(text, size):
    data = text.encode("cp1252")
    if len(data) >= size:
        raise SystemExit(f"text {text!r} longer than {size - 1} bytes")
    return data.ljust(size, b"\0")


def floats(text):
    values = [float(v) for v in text.split()]
    if len(values) != BANDS:
        raise SystemExit(f"need {BANDS} values: {text!r}")
    return values


def record_image(t, shape_size):
    image = bytearray(RECORD_SIZE)
    image[0:21] = text_field(t["manufacturer"], 21)
    image[21:30] = text_field(t["name"], 9)
    image[30:71] = text_field(t["description"], 41)
    image[71] = 2
    struct.pack_into("<hH", image, 72, int(t["kind"]), 0)
    struct.pack_into("<7f", image, 76, *floats(t["sensitivity"]))
    struct.pack_into("<7f", image, 104, *floats(t["power"]))
    bands = t["band"]
    if len(bands) != BANDS:
        raise SystemExit(f"{t['name']}: need {BANDS} band lines")
    sens = floats(t["sensitivity"])
    q10, eff = [], []
    for b, model in enumerate(bands):
        rows = balloon_band(model.split())
        q = directivity_factor(rows)
        q10.append(max(10, int(round(q * 10))))
        efficiency = 10 ** ((sens[b] - 109.0 - 10 * math.log10(q)) / 10)
        eff.append(max(1, min(1000, int(round(efficiency * 1000)))))
        for r, row in enumerate(rows):
            ofs = BALLOON_OFS + 2664 * b + 72 * r
            image[ofs:ofs + 72] = bytes(row)
    struct.pack_into("<7h", image, 146, *q10)
    struct.pack_into("<7h", image, 160, *eff)
    struct.pack_into("<7h", image, 174, *(int(v) for v in floats(t["impedance"])))
    struct.pack_into("<I", image, 196, shape_size)
    image[200:241] = text_field("Orvante Beispieldaten", 41)
    return image


def read_types(path):
    types, current = [], None
    with open(path, encoding="utf-8") as f:
        for line_no, line in enumerate(f, 1):
            line = line.split(";")[0].strip()
            if not line:
                continue
            if line == "[type]":
                current = {"band": []}
                types.append(current)
                continue
            if current is None or "=" not in line:
                raise SystemExit(f"{path}:{line_no}: cannot read {line!r}")
            key, value = (s.strip() for s in line.split("=", 1))
            if key == "band":
                current["band"].append(value)
            else:
                current[key] = value
    return types


def type_shape(spec):
    words = spec.split()
    if words[0] == "none":
        return b""
    if words[0] == "frustum":
        return shape_chunk(*frustum(*(float(v) for v in words[1:7])))
    if words[0] == "sphere":
        return shape_chunk(*sphere(float(words[1]), int(words[2]), int(words[3])))
    raise SystemExit(f"unknown shape {spec!r}")


def speaker_database(types):
    out = bytearray(DB_ID.ljust(30, b"\0"))
    out += struct.pack("<h", len(types))
    for t in types:
        shape = type_shape(t.get("shape", "none"))
        image = record_image(t, len(shape))
        encode_record(image)
        out += image + shape
    return bytes(out)


def build(resources_dir, out_dir):
    src = os.path.join(resources_dir, "speakers")
    for name in ("LSTMPL", "XYZ_CROSS"):
        data = drawing_resource(read_shape(os.path.join(src, name + ".txt")))
        with open(os.path.join(out_dir, name + ".bin"), "wb") as f:
            f.write(data)
    db = speaker_database(read_types(os.path.join(src, "BEISPIEL.txt")))
    with open(os.path.join(out_dir, SAMPLE_DB_NAME), "wb") as f:
        f.write(db)

"""Writes the sample project BEISPIEL.OPR from resources/projects/BEISPIEL.txt.

The project file is built field by field: 102-byte header, 16 layer
records, object chunks (room faces with their material entries, listener
areas, loudspeakers with their 152-byte blocks, the loudspeaker shapes as
layer-3 blocks, the title-block carrier last), the loudspeaker types taken
from the sample speaker database source and scrambled with its codec, and
the materials taken from the sample absorber database source.
"""
import importlib.util
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SIGNATURE = b"ORVANTE V2.80  \0"
OUTPUT_NAME = "BEISPIEL.OPR"
TITLE_BLOCK_BYTES = 742


def sibling(name):
    spec = importlib.util.spec_from_file_location(name, os.path.join(HERE, name + ".py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def fail(where, text):
    raise SystemExit(f"{where}: {text}")


def read_source(path):
    src = {"title": [], "material": [], "faces": [], "listener": [], "speaker": [],
           "options": (2, 1, 2), "measured": [0.0] * 7}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split(";")[0].strip()
            if not line:
                continue
            where = f"{path}:{number}"
            word, _, rest = line.partition(" ")
            parts = [p.strip() for p in rest.split("|")]
            if word == "title" and len(parts) == 2:
                src["title"].append((parts[0], parts[1]))
            elif word == "material":
                src["material"].append(rest.strip())
            elif word == "box" and len(parts) == 4:
                x0, y0, z0, x1, y1, z1 = (float(v) for v in parts[0].split())
                src["faces"] += box_faces(x0, y0, z0, x1, y1, z1, parts[1], parts[2], parts[3])
            elif word == "patch" and len(parts) == 2:
                corners = [float(v) for v in parts[1].split()]
                if len(corners) != 6:
                    fail(where, "patch MATERIAL | X0 Y0 Z0 X1 Y1 Z1")
                src["faces"] = patched(src["faces"], parts[0], corners[:3], corners[3:], where)
            elif word == "measured":
                times = [float(v) for v in rest.split()]
                if len(times) != 7:
                    fail(where, "measured T125 T250 T500 T1k T2k T4k T8k")
                src["measured"] = times
            elif word == "face" and len(parts) >= 4:
                src["faces"].append((parts[0], [tuple(float(v) for v in p.split()) for p in parts[1:]]))
            elif word == "listener":
                x0, y0, x1, y1, z = (float(v) for v in rest.split())
                src["listener"].append([(x0, y0, z), (x1, y0, z), (x1, y1, z), (x0, y1, z)])
            elif word == "speaker":
                w = rest.split()
                if len(w) != 8:
                    fail(where, "speaker TYPE NAME X Y Z H V R")
                src["speaker"].append((w[0], w[1], [float(v) for v in w[2:5]],
                                       [math.radians(float(v)) for v in w[5:8]]))
            elif word == "options":
                src["options"] = tuple(int(v) for v in rest.split())
            else:
                fail(where, f"cannot read {line!r}")
    return src


def box_faces(x0, y0, z0, x1, y1, z1, floor, ceiling, walls):
    """The six faces of a box, corners counter-clockwise seen from inside."""
    return [
        (floor, [(x0, y0, z0), (x1, y0, z0), (x1, y1, z0), (x0, y1, z0)]),
        (ceiling, [(x0, y0, z1), (x0, y1, z1), (x1, y1, z1), (x1, y0, z1)]),
        (walls, [(x0, y0, z0), (x0, y0, z1), (x1, y0, z1), (x1, y0, z0)]),
        (walls, [(x1, y0, z0), (x1, y0, z1), (x1, y1, z1), (x1, y1, z0)]),
        (walls, [(x1, y1, z0), (x1, y1, z1), (x0, y1, z1), (x0, y1, z0)]),
        (walls, [(x0, y1, z0), (x0, y1, z1), (x0, y0, z1), (x0, y0, z0)]),
    ]


def newell(corners):
    n = [0.0, 0.0, 0.0]
    for (ax, ay, az), (bx, by, bz) in zip(corners, corners[1:] + corners[:1]):
        n[0] += (ay - by) * (az + bz)
        n[1] += (az - bz) * (ax + bx)
        n[2] += (ax - bx) * (ay + by)
    return n


def plane_of(corners):
    """(axis, value, u, v) of an axis-parallel rectangle: the axis it is
    flat in, its place on that axis and its two other axes; None otherwise."""
    for axis in range(3):
        if len({c[axis] for c in corners}) == 1:
            u, v = [a for a in range(3) if a != axis]
            return axis, corners[0][axis], u, v
    return None


def rectangle(axis, value, u, v, u_range, v_range, facing):
    """The rectangle's corners, turned so that its normal has the sign facing on axis."""
    corners = []
    for cu, cv in ((u_range[0], v_range[0]), (u_range[1], v_range[0]),
                   (u_range[1], v_range[1]), (u_range[0], v_range[1])):
        c = [0.0, 0.0, 0.0]
        c[axis], c[u], c[v] = value, cu, cv
        corners.append(tuple(c))
    return corners if (newell(corners)[axis] > 0) == (facing > 0) else corners[::-1]


def patched(faces, material, low, high, where):
    """The faces with the rectangle low..high cut out of the one face it lies
    in and given the material; the rest of that face stays as it was, in up
    to four strips facing the same way, so the room stays closed."""
    for i, (old_material, corners) in enumerate(faces):
        plane = plane_of(corners)
        if plane is None:
            continue
        axis, value, u, v = plane
        if low[axis] != value or high[axis] != value:
            continue
        us = sorted(c[u] for c in corners)
        vs = sorted(c[v] for c in corners)
        box = {(us[0], vs[0]), (us[-1], vs[0]), (us[-1], vs[-1]), (us[0], vs[-1])}
        if len(corners) != 4 or {(c[u], c[v]) for c in corners} != box:
            continue
        if not (us[0] <= low[u] < high[u] <= us[-1] and vs[0] <= low[v] < high[v] <= vs[-1]):
            continue
        facing = newell(corners)[axis]
        pieces = [(material, (low[u], high[u]), (low[v], high[v])),
                  (old_material, (us[0], us[-1]), (vs[0], low[v])),
                  (old_material, (us[0], us[-1]), (high[v], vs[-1])),
                  (old_material, (us[0], low[u]), (low[v], high[v])),
                  (old_material, (high[u], us[-1]), (low[v], high[v]))]
        cut = [(m, rectangle(axis, value, u, v, ur, vr, facing))
               for m, ur, vr in pieces if ur[0] < ur[1] and vr[0] < vr[1]]
        return faces[:i] + cut + faces[i + 1:]
    fail(where, "the patch lies in no rectangular face")


VIEW_XY = 0  # the plan view: a first click places a point


def header(options, measured):
    summation, flags, grid = options
    h = SIGNATURE + bytes([0, 0, 0, 0]) + struct.pack("<hfHfH", VIEW_XY, 0.5, 1, 10.0, 0)
    h += struct.pack("<7f", *measured) + struct.pack("<f", 1.0) + bytes(24)
    h += struct.pack("<6h", 0, -1, grid, 7, summation, flags)
    assert len(h) == 102
    return h


def layers():
    out = b""
    for i in range(16):
        name = ("LAYER %d" % (i + 1)).encode().ljust(22, b"\0")
        out += name + struct.pack("<H", 1 if i <= 2 else 0)
    return out


def chunk(kind, layer, nodes, elements, aux=b"", attributes=0, colour=0, more=True):
    h = struct.pack("<12I", 0, 1 if more else 0, 0, 0, 0, kind, attributes, colour, layer,
                    len(nodes), len(elements), len(aux))
    body = aux + b"".join(struct.pack("<3f", *n) for n in nodes)
    return h + body + b"".join(struct.pack("<2H", c, v) for c, v in elements)


def polygon(count, material=None):
    els = [(0, 0)] + ([(3, material)] if material is not None else [])
    els += [(1, i) for i in range(1, count - 1)] + [(2, count - 1)]
    return els


# A newly placed loudspeaker starts at this equaliser gain in every band:
# 10 log10(7 x 10^(-0.9)) = -0.55 dB in total, which the equaliser's rule
# (total not above 0 dB) accepts.
NEW_SPEAKER_GAIN_DB = -9.0


def f32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def placed_speaker(name, type_index, position, angles, record):
    """The 152-byte block with the gains, band power and intensity a newly
    placed loudspeaker of the type gets."""
    sensitivity = struct.unpack_from("<7f", record, 76)
    rated = struct.unpack_from("<7f", record, 104)
    gain = 10 ** (f32(NEW_SPEAKER_GAIN_DB) / 10)
    power = [f32(r * gain) for r in rated]
    intensity = [p * 10 ** (s / 10) for p, s in zip(power, sensitivity)]
    ps = name.encode("cp1252").ljust(11, b"\0") + bytes(11)
    ps += struct.pack("<Hhf", 1, 1, max(rated))
    ps += struct.pack("<7f", *([NEW_SPEAKER_GAIN_DB] * 7)) + struct.pack("<7f", *power)
    ps += struct.pack("<7f", *intensity)
    ps += struct.pack("<f", 0.0) + struct.pack("<3f", *position) + struct.pack("<3f", *angles)
    ps += struct.pack("<H", type_index) + bytes(8)
    assert len(ps) == 152
    return ps


def title_block(rows):
    block = bytearray(TITLE_BLOCK_BYTES)
    for i, (label, text) in enumerate(rows[:8]):
        at = 162 + 52 * i
        block[at:at + 11] = label.encode("cp1252")[:10].ljust(11, b"\0")
        block[at + 11:at + 52] = text.encode("cp1252")[:40].ljust(41, b"\0")
    return bytes(block)


def materials_by_name(resources_dir, absorber_db):
    path = os.path.join(resources_dir, "materials", "sample_absorbers.txt")
    table = {}
    for data in absorber_db.read_table(path):
        table[data[:23].split(b"\0")[0].decode("cp1252")] = data
    return table


def default_material(absorber_db):
    return absorber_db.record("100%", "", "Absorber 100%", [1.0] * 7, "default material")


def build_project(resources_dir):
    speakers = sibling("speaker_data")
    absorber_db = sibling("absorber_db")
    src = read_source(os.path.join(resources_dir, "projects", "BEISPIEL.txt"))
    known = materials_by_name(resources_dir, absorber_db)
    materials = [default_material(absorber_db)]
    index = {}
    for name in src["material"]:
        if name not in known:
            fail("BEISPIEL.txt", f"material {name!r} is not in the sample absorber database")
        index[name] = len(materials)
        materials.append(known[name])
    types_by_name = {t["name"]: t for t in speakers.read_types(
        os.path.join(resources_dir, "speakers", "BEISPIEL.txt"))}

    objects = []
    for material, corners in src["faces"]:
        if material not in index:
            fail("BEISPIEL.txt", f"material {material!r} is not listed")
        objects.append(chunk(8, 0, corners, polygon(len(corners), index[material])))
    for corners in src["listener"]:
        objects.append(chunk(8, 1, corners, polygon(len(corners)), colour=21))

    # Loudspeaker types in order of first use; each shape becomes a layer-3
    # block whose list position the stored record names.
    used, records, symbols = [], [], []
    for type_name, *_ in src["speaker"]:
        if type_name not in types_by_name:
            fail("BEISPIEL.txt", f"loudspeaker type {type_name!r} is not in the sample database")
        if type_name not in used:
            used.append(type_name)
    for type_name in used:
        t = types_by_name[type_name]
        shape = speakers.type_shape(t.get("shape", "none"))
        records.append(speakers.record_image(t, 0))
        if shape:
            words = list(struct.unpack_from("<12I", shape, 0))
            words[1], words[6], words[8] = 1, 134, 3
            symbols.append(len(objects))
            objects.append(struct.pack("<12I", *words) + shape[48:])
        else:
            symbols.append(-1)
    for type_name, name, position, angles in src["speaker"]:
        type_index = used.index(type_name)
        aux = placed_speaker(name, type_index, position, angles, records[type_index])
        x, y, z = position
        objects.append(chunk(16, 2, [(x, y, z), (x + 0.3, y, z)], [(0, 0), (1, 1)], aux=aux, colour=12))

    out = bytearray(header(src["options"], src["measured"]) + layers())
    for o in objects:
        out += o
    out += chunk(33, 0, [], [], aux=title_block(src["title"]), attributes=0xE0, more=False)
    out += struct.pack("<h", len(records))
    for image, symbol in zip(records, symbols):
        struct.pack_into("<i", image, 196, symbol)
        speakers.encode_record(image)
        out += image
    out += struct.pack("<h", len(materials)) + b"".join(materials)
    return bytes(out)


def build(resources_dir, out_dir):
    with open(os.path.join(out_dir, OUTPUT_NAME), "wb") as f:
        f.write(build_project(resources_dir))

#!/usr/bin/env python3
"""Writes the seed files of the reader fuzzing (project, map, ray file, speaker
database and drawings, absorber database) into tests/fuzz/seeds/ and those of the legacy readers
into tests/fuzz/seeds_legacy/, built field by field from the byte layouts."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def header(view=3, options=(0, -1, 2, 7, 2, 0), signature=b"ORVANTE V2.80  \0"):
    h = signature + bytes([0, 0, 0, 0]) + struct.pack("<hfHfH", view, 0.5, 1, 10.0, 0)
    h += struct.pack("<7f", *([1.2] * 7)) + struct.pack("<f", 1.0) + bytes(24)
    h += struct.pack("<6h", *options)
    assert len(h) == 102
    return h


def layers():
    out = b""
    for i in range(16):
        out += ("LAYER %d" % (i + 1)).encode().ljust(22, b"\0") + struct.pack("<H", 1 if i < 3 else 0)
    return out


def chunk(kind, layer, nodes, elements, aux=b"", attributes=0, colour=0, more=True):
    h = struct.pack("<12I", 0, 1 if more else 0, 0, 0, 0, kind, attributes, colour, layer,
                    len(nodes), len(elements), len(aux))
    body = aux + b"".join(struct.pack("<3f", *n) for n in nodes)
    body += b"".join(struct.pack("<2H", *e) for e in elements)
    return h + body


def title_carrier():
    return chunk(33, 0, [], [], aux=bytes(742), attributes=0xE0, more=False)


def material(name, alpha):
    r = name.encode().ljust(23, b"\0") + b"Absorber".ljust(80, b"\0") + bytes(9)
    r += struct.pack("<7f", *([alpha] * 7)) + bytes(8) + b"Wand".ljust(80, b"\0") + bytes(28)
    assert len(r) == 256
    return r


def material_full(name, category, alphas, description=b"Absorber"):
    r = name.ljust(23, b"\0") + description.ljust(80, b"\0") + bytes(9)
    r += struct.pack("<7f", *alphas) + bytes(8) + category.ljust(80, b"\0") + bytes(28)
    assert len(r) == 256
    return r


def absorber_db(records, tail=b""):
    """An absorber database: the identification in 32 bytes, then the records."""
    return b"ORVANTE ABSORBER DATABASE V1.1".ljust(32, b"\0") + b"".join(records) + tail


def absorber_seeds():
    three = [material_full(b"beton", b"Wand", [0.02] * 7),
             material_full(b"Beton", b"k" * 50, [0.0, 0.1, 0.2, 0.3, 0.4, 0.5, 1.0]),
             material_full(b"Teppich", b"wand", [0.6] * 7, description=b"d" * 79)]
    many = [material_full(b"M%d" % k, b"Wand", [0.5] * 7) for k in range(201)]
    return {
        "absorbers_three.oab": absorber_db(three, tail=bytes([0x77]) * 100),
        "absorbers_201.oab": absorber_db(many),
    }


def placed_speaker(type_index=0):
    ps = b"LS1".ljust(11, b"\0") + bytes(11) + struct.pack("<Hhf", 1, 1, 100.0)
    ps += struct.pack("<21f", *([0.0] * 21)) + struct.pack("<f", 0.0)
    ps += struct.pack("<6f", 2.0, 1.0, 3.0, 0.0, -0.3, 0.0) + struct.pack("<H", type_index) + bytes(8)
    assert len(ps) == 152
    return ps


def old_speaker_record():
    head = bytearray(200)
    head[0:4] = b"ACME"
    head[21:26] = b"ALT12"
    head[71] = 1
    struct.pack_into("<i", head, 196, -1)
    return bytes(head) + bytes([225]) * (7 * 36 * 72)


def unverified_speaker_record():
    r = bytearray(19160)
    r[21:26] = b"NEU12"
    r[71] = 2
    return bytes(r)


def map_block(points=2, picks=(1,)):
    m = b"ORVANTE MAP FILE V2.80".ljust(32, b"\0") + b"Saal".ljust(96, b"\0")
    m += struct.pack("<hhf", 1, 2, 0.5) + struct.pack("<8H", 1, 1, 1, 1, 1, 1, 1, 1)
    m += struct.pack("<I9f", 0, 0, 0, 1, 1.2, 0, 10, 0, 8, 1.2)
    m += struct.pack("<I", points) + struct.pack("<28f", *([1.0] * 7 + [1e6] * 7 + [3.0] * 7 + [40.0] * 7))[:110]
    for i in range(points):
        m += struct.pack("<3f", 1.0 + i, 1.0, 1.2) + struct.pack("<7h", *([600] * 7))
        m += struct.pack("<7h", *([12] * 7)) + struct.pack("<H", 0)
    if picks:
        m += struct.pack("<I", len(picks)) + b"".join(struct.pack("<H", k) for k in picks)
    return m


def room():
    face = chunk(8, 0, [(0, 0, 0), (10, 0, 0), (10, 8, 0), (0, 8, 0)],
                 [(0, 0), (3, 1), (1, 1), (1, 2), (1, 3), (2, 0)])
    area = chunk(8, 1, [(1, 1, 1.2), (9, 1, 1.2), (9, 7, 1.2)], [(0, 0), (1, 1), (1, 2), (2, 0)])
    block = chunk(16, 3, [(0, 0, 0), (0.3, 0, 0)], [(0, 0), (1, 1)], attributes=134)
    speaker = chunk(16, 2, [(2, 1, 3), (2.3, 1, 3)], [(0, 0), (1, 1)], aux=placed_speaker())
    aim = chunk(1, 4, [(2, 1, 3), (5, 1, 0)], [(0, 0), (1, 1)])
    text = chunk(32, 7, [(1, 1, 0)], [], aux=b"Text\0".ljust(24, b"\0"), colour=14)
    group = chunk(0x20000, 7, [], []) + chunk(1, 7, [(0, 0, 3), (1, 0, 3)], [(0, 0), (1, 1)],
                                              attributes=2, colour=14) + chunk(0x40000, 7, [], [], attributes=4)
    return face + area + block + speaker + aim + text + group


def project(speakers, with_map):
    out = header() + layers() + room() + title_carrier()
    out += struct.pack("<h", len(speakers)) + b"".join(speakers)
    out += struct.pack("<h", 2) + material("100%", 1.0) + material("Beton", 0.02)
    if with_map:
        out += map_block()
    return out


def ray_path(points, time_ms, more):
    n = len(points)
    aux = struct.pack("<f", time_ms) + struct.pack("<7f", *([2.0] * 7)) + bytes(28)
    aux += struct.pack("<H", n - 2) + struct.pack("<%dH" % n, *([0] + list(range(1, n - 1)) + [65535]))
    elements = [(0, 0)] + [(1, i) for i in range(1, n)]
    return chunk(1, 5, points, elements, aux=aux, colour=max(25 - n, 0), more=more)


def ray_file(paths):
    h = b"ORVANTE RAY FILE V1.10".ljust(32, b"\0") + b"Saal".ljust(80, b"\0")
    h += struct.pack("<d", 6.5) + bytes(8)
    out = h
    for i, points in enumerate(paths):
        out += ray_path(points, 20.0 + i, i + 1 < len(paths))
    return out


def wave(samples=(0, 100, -100, 32767, -32768), rate=22050):
    data = struct.pack("<%dh" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    return b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt \
        + b"data" + struct.pack("<I", len(data)) + data


def audio_profile(impulses=((0.0, 1.0), (12.5, 0.25)), trailers=1):
    out = b"ORVANTE AUDIO X-MORPHA FILE V2.00".ljust(40, b"\0") + b"Seed".ljust(80, b"\0")
    out += struct.pack("<IfI", len(impulses), 15.0, 0)
    for delay, amplitude in impulses:
        out += struct.pack("<2f", delay, amplitude) + bytes(24) + struct.pack("<3f", 1.0, -2.0, 0.5)
    for t in range(trailers):
        out += struct.pack("<f7f3f", 0.0, *([1.0 - 0.1 * t] * 7), 0.0, 0.0, 0.0)
    return out


def speaker_drawing():
    square = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]
    h = b"PELVAR V1.40".ljust(20, b"\0") + struct.pack("<hfHfH", 3, 0.01, 1, 10.0, 0)
    h = h.ljust(62, b"\0") + struct.pack("<f", 0.1)
    h = h.ljust(102, b"\0")
    return h + layers() + chunk(8, 0, square, [(0, 0), (1, 1), (1, 2), (2, 3)], more=True) \
        + chunk(32, 0, square[:1], [], aux=b"Text\0", more=False)


def sibling_drawing():
    out = b"TEVRAN 1.0     \0".ljust(32, b"\0") + bytes(384)
    out += struct.pack("<HH10xI", 3, 3, 0) + b"".join(struct.pack("<3f", x, 0, 0) for x in range(3))
    out += b"".join(struct.pack("<2H", c, n) for c, n in ((0, 0), (1, 1), (2, 2)))
    return out


def gdf_text():
    rows = "".join(" ".join("%.1f" % (0.5 * k) for k in range(37)) + "\r\n" for _ in range(37))
    return ("Device Name G1\r\nManufacturer M\r\n# Frequency Band Section\r\nSphere Size Half\r\n"
            "Frequency (Hz) 1000\r\nSensitivity (1W-1M) 90\r\nPhi Inc 5\r\nTheta Inc 5\r\n" + rows).encode()


def onf_text():
    rows = "".join(" ".join("%.1f" % (80 - k) for k in range(19)) + "\r\n" for _ in range(19))
    return ("Device Class: L\r\nDevice Name: O1\r\nManufacturer: M\r\nRemark: r\r\nFREQUENCY: 500\r\n"
            "SPHERE SIZE: HALF\r\nINCREMENT: 10\r\nUeff: 2.83\r\nIMPEDANCE: 8\r\nDISTANCE: 1\r\n" + rows).encode()


def acoustacadd_parameters():
    p = bytearray(256)
    p[0], p[54] = ord("E"), ord("H")
    for i in range(7):
        struct.pack_into("<h", p, 79 + 4 * i, 1000)
        struct.pack_into("<f", p, 120 + 4 * i, 6.0)
    struct.pack_into("<hh", p, 112, 17000, 12950)
    return bytes(p)


def seeds():
    empty = header() + layers() + title_carrier() + struct.pack("<hh", 0, 1) + material("100%", 1.0)
    older_empty = header() + layers() + struct.pack("<hh", 0, 1) + material("100%", 1.0)
    return {
        "project_full.opr": project([old_speaker_record()], True),
        "project_unverified_type.opr": project([unverified_speaker_record()], False),
        "project_empty.opr": empty,
        "project_empty_no_chunks.opr": older_empty,
        "project_legacy.opr": header(signature=b"ORVANTE V1.27  \0") + layers(),
        "map_with_picks.omf": map_block(),
        "map_without_picks.omf": map_block(points=3, picks=()),
        "rays_two_paths.orf": ray_file([[(1, 1, 1), (4, 3, 1.2)],
                                        [(1, 1, 1), (2, 0, 1.1), (4, 3, 1.2)]]),
        "sound.wav": wave(),
        "profile_user.oap": audio_profile(),
        "profile_temp.tmp": audio_profile(trailers=3),
        "speaker_drawing.tcf": speaker_drawing(),
        "sibling_drawing.tcf": sibling_drawing(),
        "speaker.gdf": gdf_text(),
        "speaker.onf": onf_text(),
        "acoustacadd.spk": acoustacadd_parameters(),
        "speaker_db_empty.osb": b"ORVANTE SPEAKER DATABASE V140".ljust(30, b"\0") + struct.pack("<h", 0),
        "viewer_history.ope": viewer_history(),
        **absorber_seeds(),
    }


def viewer_history():
    """The viewer's recent projects: four 128-byte entries and the unit word."""
    entries = [b"C:\\ORVANTE\\BEISPIEL.OPR", b"C:\\HALLE.OPR", b"", b"x" * 140]
    image = b"".join(e[:128].ljust(128, b"\0") for e in entries)
    return image + struct.pack("<I", 1)


def record_v127(kind, layer, nodes, elements, aux=b"", attributes=0, colour=0, more=True):
    """A 40-byte object record of a version-1.27 project; elements are
    (code, node) pairs packed into 2 bytes as node << 2 | code."""
    h = struct.pack("<II12xIIIHHHH", 0, 1 if more else 0, kind, attributes, colour, layer,
                    len(nodes), len(elements), len(aux))
    body = aux + b"".join(struct.pack("<3f", *n) for n in nodes)
    body += b"".join(struct.pack("<H", node << 2 | code) for code, node in elements)
    return h + body


def project_v127():
    records = record_v127(8, 0, [(0, 0, 0), (4, 0, 0), (4, 3, 0)], [(0, 0), (3, 0), (1, 1), (2, 2)])
    records += record_v127(16, 2, [(2, 1, 3), (2.3, 1, 3)], [(0, 0), (1, 1)], aux=placed_speaker(), colour=12)
    records += record_v127(16, 3, [(0, 0, 0), (0.3, 0, 0)], [(0, 0), (1, 1)], attributes=134)
    records += record_v127(33, 0, [], [], aux=bytes(742), attributes=0xE0, more=False)
    return (header(signature=b"ORVANTE V1.27  \0") + layers() + records + struct.pack("<h", 1) +
            old_speaker_record() + struct.pack("<h", 1) + material("Beton", 0.02))


def shape_tevran10():
    out = b"TEVRAN 1.0     \0".ljust(32, b"\0") + bytes(384)
    for nodes, elements, more in (([(0, 0, 0), (1, 0, 0), (1, 1, 0)], [(0, 0), (1, 1), (2, 2)], True),
                                  ([(0, 0, 1), (1, 0, 1)], [(0, 0), (1, 1)], False)):
        out += struct.pack("<HH10xI", len(nodes), len(elements), 1 if more else 0)
        out += b"".join(struct.pack("<3f", *n) for n in nodes)
        out += b"".join(struct.pack("<2H", *e) for e in elements)
    return out


def shape_v127():
    h = bytearray(header())
    h[0:16] = b"TEVRAN V1.27".ljust(16, b"\0")
    records = record_v127(8, 0, [(0, 0, 0), (1, 0, 0), (1, 1, 0)], [(0, 0), (1, 1), (2, 2)])
    records += record_v127(1, 5, [(0, 0, 0), (1, 0, 0)], [(0, 0), (1, 1)], more=False)
    return bytes(h) + layers() + records


def legacy_seeds():
    return {
        "project_v127.opr": project_v127(),
        "shape_tevran10.tcf": shape_tevran10(),
        "shape_v127.tcf": shape_v127(),
    }


def write_all(out_dir, files):
    os.makedirs(out_dir, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "seeds")
    write_all(out_dir, seeds())
    write_all(os.path.join(os.path.dirname(out_dir), "seeds_legacy"), legacy_seeds())


if __name__ == "__main__":
    main()

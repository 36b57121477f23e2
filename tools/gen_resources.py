#!/usr/bin/env python3
"""Builds the programs' resources from the readable sources in resources/.

- resources/*.rc (UTF-8), each with the fragments of its folder NAME.d/,
  are written to the output folder in code page 1252.
- resources/art/NAME.txt pictures become NAME.bmp, NAME.ico or NAME.cur.
- every module in tools/resource_builders/ has build(resources, out) and
  writes the raw-data resources it owns (fonts, symbols, sample files).
- sample databases and projects (.OAB, .OSB, .OPR) are copied to the folder
  named as third argument, where the programs are built.

Picture source format: lines "kind bmp|ico|cur", "size W H",
"scale N" (optional, each character becomes N x N pixels), "hotspot X Y"
(cursors), "colour C RRGGBB" (one per character used; '.' alone in a 1-bit
picture means background), then "pixels" followed by H rows of W characters.
Cursors and 1-bit bitmaps use '#' for black and '.' for white; for
cursors ' ' is transparent.
"""
import importlib.util
import os
import shutil
import struct
import sys


def read_art(path):
    meta = {"colours": {}, "rows": [], "scale": 1, "hotspot": (0, 0)}
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i].rstrip("\r")
        i += 1
        if not line or line.startswith(";"):
            continue
        word = line.split()[0]
        if word == "kind":
            meta["kind"] = line.split()[1]
        elif word == "size":
            meta["w"], meta["h"] = map(int, line.split()[1:3])
        elif word == "scale":
            meta["scale"] = int(line.split()[1])
        elif word == "hotspot":
            meta["hotspot"] = tuple(map(int, line.split()[1:3]))
        elif word == "colour":
            parts = line.split(None, 2)
            meta["colours"][parts[1]] = int(parts[2], 16)
        elif word == "pixels":
            rows = [l.rstrip("\r") for l in lines[i:i + meta["h"]]]
            meta["rows"] = [r.ljust(meta["w"])[:meta["w"]] for r in rows]
            break
    if len(meta["rows"]) != meta["h"]:
        raise SystemExit(f"{path}: expected {meta['h']} pixel rows")
    s = meta["scale"]
    if s > 1:
        meta["rows"] = ["".join(c * s for c in r) for r in meta["rows"] for _ in range(s)]
        meta["w"] *= s
        meta["h"] *= s
    return meta


def dib_24(meta):
    """Bottom-up 24-bit pixel rows, each padded to 4 bytes."""
    w, h, cols = meta["w"], meta["h"], meta["colours"]
    out = bytearray()
    for row in reversed(meta["rows"]):
        line = bytearray()
        for c in row:
            rgb = cols.get(c, 0xFFFFFF)
            line += bytes((rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16))
        line += b"\0" * ((4 - len(line) % 4) % 4)
        out += line
    return bytes(out)


def mask_rows(meta, is_set):
    """Bottom-up 1-bit rows, each padded to 4 bytes."""
    w = meta["w"]
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for row in reversed(meta["rows"]):
        line = bytearray(stride)
        for x, c in enumerate(row):
            if is_set(c):
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def info_header(w, h, bits, image_size):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, image_size, 0, 0, 0, 0)


def write_bmp(meta, path):
    w, h = meta["w"], meta["h"]
    if meta.get("bits1"):
        # Monochrome pattern: '#' = 0 (black), anything else = 1 (white).
        pixels = mask_rows(meta, lambda c: c != "#")
        palette = struct.pack("<II", 0x000000, 0xFFFFFF)
        header = info_header(w, h, 1, len(pixels))
    else:
        pixels = dib_24(meta)
        palette = b""
        header = info_header(w, h, 24, len(pixels))
    offset = 14 + len(header) + len(palette)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset))
        f.write(header + palette + pixels)


def write_icon_or_cursor(meta, path, cursor):
    w, h = meta["w"], meta["h"]
    if cursor:
        xor = mask_rows(meta, lambda c: c == ".")
        andm = mask_rows(meta, lambda c: c == " ")
        image = info_header(w, h * 2, 1, len(xor) + len(andm))
        image += struct.pack("<II", 0x000000, 0xFFFFFF) + xor + andm
        hx, hy = meta["hotspot"]
        entry = struct.pack("<BBBBHHII", w, h, 2, 0, hx, hy, len(image), 22)
        kind = 2
    else:
        xor = dib_24(meta)
        andm = mask_rows(meta, lambda c: c == " ")
        image = info_header(w, h * 2, 24, len(xor) + len(andm)) + xor + andm
        entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 24, len(image), 22)
        kind = 1
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, kind, 1) + entry + image)


def build_art(src_dir, out_dir):
    art = os.path.join(src_dir, "art")
    for name in sorted(os.listdir(art)):
        if not name.endswith(".txt"):
            continue
        meta = read_art(os.path.join(art, name))
        base = os.path.join(out_dir, name[:-4])
        kind = meta.get("kind", "bmp")
        if kind == "bmp1":
            meta["bits1"] = True
            write_bmp(meta, base + ".bmp")
        elif kind == "bmp":
            write_bmp(meta, base + ".bmp")
        elif kind in ("ico", "cur"):
            write_icon_or_cursor(meta, base + "." + kind, kind == "cur")
        else:
            raise SystemExit(f"{name}: unknown kind {kind}")


def read_text(path):
    with open(path, encoding="utf-8") as f:
        return f.read().replace("\r\n", "\n")


def shared_fragments(src_dir, text):
    """A line "// share: FOLDER/FILE.rc" takes in another program's fragment,
    so programs that use the same dialog keep one source of it."""
    out = []
    for line in text.split("\n"):
        out.append(line)
        if line.startswith("// share: "):
            out.append(read_text(os.path.join(src_dir, line[len("// share: "):].strip())))
    return "\n".join(out)


def convert_scripts(src_dir, out_dir):
    """NAME.rc gets every fragment of the folder NAME.d/ appended, so each
    component keeps its dialogs in a file of its own."""
    for name in sorted(os.listdir(src_dir)):
        if name.endswith(".rc") or name.endswith(".rh"):
            text = read_text(os.path.join(src_dir, name))
            parts = os.path.join(src_dir, name[:-3] + ".d")
            if name.endswith(".rc") and os.path.isdir(parts):
                for part in sorted(os.listdir(parts)):
                    if part.endswith(".rc"):
                        text += "\n" + read_text(os.path.join(parts, part))
            text = shared_fragments(src_dir, text)
            with open(os.path.join(out_dir, name), "wb") as f:
                f.write(text.replace("\n", "\r\n").encode("cp1252"))


def run_builders(src_dir, out_dir):
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resource_builders")
    if not os.path.isdir(here):
        return
    for name in sorted(os.listdir(here)):
        if not name.endswith(".py") or name.startswith("_"):
            continue
        spec = importlib.util.spec_from_file_location(name[:-3], os.path.join(here, name))
        module = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(module)
        module.build(src_dir, out_dir)


SHIPPED_EXTENSIONS = (".OAB", ".OSB", ".OPR")


def ship_data_files(out_dir, ship_dir):
    """Sample databases and projects go next to the programs, where they
    look for their files."""
    for name in sorted(os.listdir(out_dir)):
        if name.upper().endswith(SHIPPED_EXTENSIONS):
            shutil.copyfile(os.path.join(out_dir, name), os.path.join(ship_dir, name))


def main():
    src_dir, out_dir = sys.argv[1], sys.argv[2]
    os.makedirs(out_dir, exist_ok=True)
    convert_scripts(src_dir, out_dir)
    build_art(src_dir, out_dir)
    run_builders(src_dir, out_dir)
    if len(sys.argv) > 3:
        ship_data_files(out_dir, sys.argv[3])


if __name__ == "__main__":
    main()

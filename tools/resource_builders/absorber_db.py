"""Writes the sample absorber database BEISPIEL.OAB from the readable table
resources/materials/sample_absorbers.txt.

File: the 32-byte identification, then one 256-byte record per material:
name (23 bytes), description (80), reserved (9), seven little-endian float32
coefficients, reserved (8), category (80), reserved (28). Texts are code
page 1252 and NUL-terminated.
"""
import os
import struct

IDENT = b"ORVANTE ABSORBER DATABASE V1.1"
MAX_MATERIALS = 200


def text_field(text, size, limit, where):
    data = text.encode("cp1252")
    if len(data) > limit:
        raise SystemExit(f"{where}: '{text}' is longer than {limit} characters")
    return data + b"\0" * (size - len(data))


def record(name, category, description, coefficients, where):
    if len(coefficients) != 7:
        raise SystemExit(f"{where}: expected 7 coefficients")
    for value in coefficients:
        if not 0.0 <= value <= 1.0:
            raise SystemExit(f"{where}: coefficient {value} outside 0..1")
    out = text_field(name, 23, 21, where) + text_field(description, 80, 79, where)
    out += b"\0" * 9 + struct.pack("<7f", *coefficients) + b"\0" * 8
    out += text_field(category, 80, 79, where) + b"\0" * 28
    assert len(out) == 256
    return out


def read_table(path):
    records = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if not line.strip() or line.startswith(";"):
                continue
            where = f"{path}:{number}"
            fields = [part.strip() for part in line.split("|")]
            if len(fields) != 4:
                raise SystemExit(f"{where}: expected 4 fields")
            name, category, description, values = fields
            records.append(record(name, category, description,
                                  [float(v) for v in values.split()], where))
    if len(records) > MAX_MATERIALS:
        raise SystemExit(f"{path}: more than {MAX_MATERIALS} materials")
    return records


def build(resources_dir, out_dir):
    records = read_table(os.path.join(resources_dir, "materials", "sample_absorbers.txt"))
    with open(os.path.join(out_dir, "BEISPIEL.OAB"), "wb") as f:
        f.write(IDENT + b"\0\0")
        for data in records:
            f.write(data)

#!/usr/bin/env python3
"""The layer check against small trees: it passes a tree that keeps the
order and names every include that breaks it."""
import pathlib
import subprocess
import sys
import tempfile

CHECK = pathlib.Path(__file__).resolve().parents[2] / "tools" / "check_layers.py"
RANKS = ["base", "model", "one two"]

# (file, its text, faults the check must report)
CASES = [
    ("base/a.h", '#pragma once\n', 0),
    ("model/b.cpp", '#include "model/b.h"\n#include "base/a.h"\n', 0),
    ("one/main_win.cpp", '#include <windows.h>\n#include "model/b.h"\n#include "one/w_win.h"\n', 0),
    ("base/up.cpp", '#include "model/b.h"\n', 1),           # a layer above
    ("model/side.cpp", '#include "one/c.h"\n', 1),          # a program above
    ("two/beside.cpp", '#include "one/c.h"\n', 1),          # a program beside
    ("model/stray.cpp", '#include "elsewhere/d.h"\n', 1),   # no layer at all
    ("model/portable.cpp", '#include <windows.h>\n#include "base/x_win.h"\n', 2),  # Win32 in the portable core
]


def run(top):
    return subprocess.run([sys.executable, str(CHECK), str(top), *RANKS], capture_output=True, text=True)


def write(top, cases):
    for name, text, _ in cases:
        path = top / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text)


def main():
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        clean = [c for c in CASES if c[2] == 0]
        write(pathlib.Path(tmp) / "clean", clean)
        result = run(pathlib.Path(tmp) / "clean")
        if result.returncode != 0:
            print("a tree that keeps the order was refused:\n" + result.stdout)
            failures += 1
        for case in CASES:
            if case[2] == 0:
                continue
            top = pathlib.Path(tmp) / case[0].replace("/", "_")
            write(top, clean + [case])
            result = run(top)
            reported = [line for line in result.stdout.splitlines() if line.startswith(case[0])]
            if result.returncode != 1 or len(reported) != case[2]:
                print(f"{case[0]}: expected {case[2]} fault(s), got:\n{result.stdout}")
                failures += 1
    print("check_layers_test: " + ("failed" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

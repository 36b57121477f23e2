#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own, or
when a portable file (one whose name does not end in _win) includes
<windows.h> or a _win.h header.

Usage: check_layers.py SOURCE_DIR RANK [RANK...]
Each RANK is one rank of the layer order, lowest first, as the build lists
it: one folder, or several folders separated by spaces that stand side by
side (the programs) and never include each other. A file may include
headers of its own folder and of folders of a lower rank.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
WINDOWS = re.compile(r'^\s*#\s*include\s+(<windows\.h>|"[^"]*_win\.h")')


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    top = pathlib.Path(argv[1])
    rank_of = {}
    for rank, folders in enumerate(argv[2:]):
        for folder in folders.split():
            rank_of[folder] = rank
    faults = []
    for folder, rank in sorted(rank_of.items()):
        base = top / folder
        if not base.is_dir():
            continue
        for path in sorted(base.rglob("*")):
            if path.suffix not in (".cpp", ".h"):
                continue
            portable = not path.stem.endswith("_win")
            for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                if portable and WINDOWS.match(line):
                    faults.append(f"{path.relative_to(top)}:{number}: a portable file includes {line.split(None, 1)[1]}")
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = match.group(1).split("/")[0]
                if "/" not in match.group(1) or target == folder:
                    continue
                where = f"{path.relative_to(top)}:{number}: includes {match.group(1)}"
                if target not in rank_of:
                    faults.append(f"{where} (a folder that is no layer)")
                elif rank_of[target] > rank:
                    faults.append(f"{where} (a layer above {folder})")
                elif rank_of[target] == rank:
                    faults.append(f"{where} (a program beside {folder})")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) against the layer order or the portable core")
        return 1
    print(f"layer order kept by every include ({len(rank_of)} layers)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

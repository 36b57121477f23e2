#!/usr/bin/env python3
"""Fails when a layer library links a library of a layer above its own, a
program's library links another program's, or a portable library links a
Windows one, as CMake's own target graph (cmake --graphviz) has them.

Usage: check_targets.py SOURCE_DIR WORK_DIR TOOLCHAIN RANK [RANK...]
The build is configured afresh into WORK_DIR (with TOOLCHAIN unless it is
empty) to write the graph. Each RANK is one rank of the layer order, lowest
first, as the build lists it (several folders side by side: the programs).
The libraries are orv_<folder> and orv_<folder>_win.
"""
import pathlib
import re
import shutil
import subprocess
import sys

NODE = re.compile(r'^\s*"(\w+)"\s*\[\s*label\s*=\s*"([^"]+)"')
EDGE = re.compile(r'^\s*"(\w+)"\s*->\s*"(\w+)"')


def layer_library(name, rank_of):
    """(folder, is_windows) of a layer library, None for any other target."""
    if not name.startswith("orv_"):
        return None
    folder, windows = name[4:], False
    if folder.endswith("_win"):
        folder, windows = folder[:-4], True
    return (folder, windows) if folder in rank_of else None


def violations(dot, ranks):
    rank_of = {folder: rank for rank, folders in enumerate(ranks) for folder in folders.split()}
    label = {}
    faults = []
    edges = 0
    for line in dot.splitlines():
        node = NODE.match(line)
        if node:
            label[node.group(1)] = node.group(2)
            continue
        edge = EDGE.match(line)
        if not edge or edge.group(1) not in label or edge.group(2) not in label:
            continue
        source, target = label[edge.group(1)], label[edge.group(2)]
        a, b = layer_library(source, rank_of), layer_library(target, rank_of)
        if not a or not b:
            continue
        edges += 1
        what = f"{source} -> {target}"
        if b[1] and not a[1]:
            faults.append(f"{what}: a portable library links a Windows one")
        if a[0] == b[0]:
            if a[1] == b[1]:
                faults.append(f"{what}: a library links itself")
            continue
        if rank_of[b[0]] > rank_of[a[0]]:
            faults.append(f"{what}: links a layer above")
        elif rank_of[b[0]] == rank_of[a[0]]:
            faults.append(f"{what}: links a program beside it")
    return faults, edges


def main(argv):
    if len(argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    source, work, toolchain, ranks = argv[1], pathlib.Path(argv[2]), argv[3], argv[4:]
    shutil.rmtree(work, ignore_errors=True)
    command = ["cmake", "-S", source, "-B", str(work), f"--graphviz={work / 'targets.dot'}"]
    if toolchain:
        command.append(f"-DCMAKE_TOOLCHAIN_FILE={toolchain}")
    configured = subprocess.run(command, capture_output=True, text=True)
    if configured.returncode != 0:
        print(configured.stdout + configured.stderr)
        return 1
    faults, edges = violations((work / "targets.dot").read_text(), ranks)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} link(s) against the layer order")
        return 1
    if edges == 0:
        print("no links between layer libraries found in the target graph")
        return 1
    print(f"every one of {edges} links between layer libraries points down")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Fails when the file tree in the README's layout section and the folders
of the source tree differ: a listed folder that does not exist, a top-level
folder that is not listed, or, where the tree lists the sub-folders of a
folder, one of them that is not listed.

Usage: check_readme_tree.py SOURCE_DIR
The tree is the first fenced block after the heading "## Layout". A line
names folders with its leading words that end in "/"; a line at the left
margin names top-level folders, an indented one sub-folders of the last
top-level folder; a line indented as far as the descriptions only goes on
with a description. Hidden folders and those .gitignore names are not
source folders.
"""
import pathlib
import sys

DESCRIPTION_INDENT = 8


def tree_block(readme):
    """The lines of the file tree, None when the README has none."""
    lines = readme.splitlines()
    try:
        start = lines.index("## Layout")
    except ValueError:
        return None
    fence = None
    for number in range(start + 1, len(lines)):
        if lines[number].startswith("```"):
            if fence is not None:
                return lines[fence + 1:number]
            fence = number
        elif lines[number].startswith("## "):
            break
    return None


def listed_folders(block):
    """{top-level folder: [its listed sub-folders]} as the tree names them."""
    tree, top = {}, None
    for line in block:
        indent = len(line) - len(line.lstrip(" "))
        if indent >= DESCRIPTION_INDENT:
            continue
        names = []
        for word in line.split():
            if not word.endswith("/"):
                break
            names.append(word.rstrip("/"))
        for name in names:
            if indent == 0:
                top = name
                tree.setdefault(name, [])
            elif top is not None:
                tree[top].append(name)
    return tree


def ignored_names(source):
    """Folder names .gitignore leaves out (its plain folder entries)."""
    ignore = source / ".gitignore"
    if not ignore.is_file():
        return set()
    names = set()
    for entry in ignore.read_text(encoding="utf-8").split():
        entry = entry.strip("/")
        if entry and "/" not in entry and not any(c in entry for c in "*?[!#"):
            names.add(entry)
    return names


def source_folders(folder, ignored):
    return sorted(p.name for p in folder.iterdir()
                  if p.is_dir() and not p.name.startswith(".") and p.name not in ignored)


def differences(tree, source):
    ignored = ignored_names(source)
    faults = []
    for top, subs in tree.items():
        if not (source / top).is_dir():
            faults.append(f"{top}/: listed, but there is no such folder")
            continue
        for sub in subs:
            if not (source / top / sub).is_dir():
                faults.append(f"{top}/{sub}/: listed, but there is no such folder")
        if subs:
            for sub in source_folders(source / top, ignored):
                if sub not in subs:
                    faults.append(f"{top}/{sub}/: a folder the tree does not list beside the others of {top}/")
    for top in source_folders(source, ignored):
        if top not in tree:
            faults.append(f"{top}/: a top-level folder the tree does not list")
    return faults


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    source = pathlib.Path(argv[1])
    block = tree_block((source / "README.md").read_text(encoding="utf-8"))
    if block is None:
        print("README.md: no file tree in a fenced block after \"## Layout\"")
        return 1
    tree = listed_folders(block)
    faults = differences(tree, source)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} difference(s) between the README's file tree and the folders")
        return 1
    print(f"the README's file tree lists every one of {len(tree)} top-level folders and no other")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

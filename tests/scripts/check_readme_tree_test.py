#!/usr/bin/env python3
"""The README tree check against small source trees: it passes a tree that
lists the folders there are and names every folder it lists wrongly or
leaves out."""
import pathlib
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
from check_readme_tree import differences, listed_folders, tree_block  # noqa: E402

TREE = """\
base/             rank 1: the base,
                  model/ is named in a description only
model/            rank 2
tests/
  unit/ gui/      two side by side
  data/
"""
FOLDERS = ["base", "model", "tests/unit", "tests/gui", "tests/data", ".ci", "build", "tools/sub"]

# (tree, folders there are, faults the check must report)
CASES = [
    (TREE + "tools/\n", FOLDERS, 0),                          # sub-folders of tools/ need no listing
    (TREE, FOLDERS, 1),                                       # tools/ not listed
    (TREE + "tools/\ncmake/\n", FOLDERS, 1),                  # cmake/ listed, not there
    (TREE + "tools/\n", [f for f in FOLDERS if f != "tests/gui"], 1),  # a listed sub-folder gone
    (TREE + "tools/\n", FOLDERS + ["tests/wine"], 1),         # a sub-folder beside the listed ones
    (TREE + "tools/\n", FOLDERS + ["design", "__pycache__"], 1),  # a new top-level folder
    ("", ["base"], 1),                                        # an empty tree lists nothing
]


def readme(tree):
    return f"# Project\n\n## Layout\n\nText.\n\n```\n{tree}```\n\n## Next\n"


def faults_of(tree, folders):
    with tempfile.TemporaryDirectory() as work:
        top = pathlib.Path(work)
        (top / ".gitignore").write_text("/build/\n__pycache__/\n*.o\n")
        for folder in folders:
            (top / folder).mkdir(parents=True, exist_ok=True)
        return differences(listed_folders(tree_block(readme(tree))), top)


def main():
    failures = 0
    for tree, folders, expected in CASES:
        faults = faults_of(tree, folders)
        if len(faults) != expected:
            print(f"{tree!r} with {folders}: expected {expected} fault(s), got {faults}")
            failures += 1
    if tree_block("# Project\n\n## Layout\n\nNo tree.\n\n## Next\n```\nbase/\n```\n") is not None:
        print("a fenced block after the layout section was taken for its tree")
        failures += 1
    print("README tree check test:", "failed" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

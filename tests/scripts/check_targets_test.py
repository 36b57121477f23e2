#!/usr/bin/env python3
"""The target-graph check against small graphs written as cmake --graphviz
writes them: it passes links that point down and names every other."""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
from check_targets import violations  # noqa: E402

RANKS = ["base", "model", "one two"]

# (links as source -> target, faults the check must report)
CASES = [
    ([("orv_model", "orv_base"), ("orv_one", "orv_model"), ("orv_one_win", "orv_one"),
      ("orv_one_win", "orv_base_win"), ("ONE", "orv_one_win"), ("orv_base", "Threads::Threads")], 0),
    ([("orv_base", "orv_model")], 1),                         # a layer above
    ([("orv_base_win", "orv_model_win")], 1),                 # the same on the Windows side
    ([("orv_two", "orv_one")], 1),                            # a program beside
    ([("orv_model", "orv_base_win")], 1),                     # portable links Windows
    ([("orv_base", "orv_model_win")], 2),                     # both at once
    ([("some_test", "orv_one"), ("orv_elsewhere", "orv_base")], 0),  # not layer libraries
]


def dot(links):
    names = sorted({name for link in links for name in link})
    lines = ['digraph "t" {'] + [f'    "node{i}" [ label = "{n}", shape = octagon ];' for i, n in enumerate(names)]
    index = {n: i for i, n in enumerate(names)}
    lines += [f'    "node{index[a]}" -> "node{index[b]}" [ style = dashed ] // {a} -> {b}' for a, b in links]
    return "\n".join(lines + ["}"])


def main():
    failures = 0
    for links, expected in CASES:
        faults, _ = violations(dot(links), RANKS)
        if len(faults) != expected:
            print(f"{links}: expected {expected} fault(s), got {faults}")
            failures += 1
    print("target check test:", "failed" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The program's layers, checked from its includes.

Each folder of the program has a rank. A file may include its own folder and
folders of lower rank only: never a folder of the same rank (each is a stage
of its own) and never one above it. Reads every project include of src/, cli/
and app/ and fails, naming file and line, on any that runs back up.

  scripts/check-layers.py          check; print the folder graph as text
  scripts/check-layers.py --dot    print the folder graph in Graphviz's DOT
"""
import pathlib
import re
import sys
from collections import defaultdict

# Bottom to top. The record (the host interface, the run's record, the units,
# the set-up file) sits under every stage that reads a run, so that none of
# them needs the run itself.
RANKS = {
    "common": 0,     # number text, JSON, whole-file writes, failures
    "engine": 1,     # the double-pass ray tracer the run searches with
    "glass": 1,      # the catalogs and the refractive-index dialog's logic
    "record": 2,     # the host interface, the run's record, units, set-up files
    "oslo": 3,       # lens files
    "exact": 3,      # the exact check and its verdict
    "spacing_error_dialog": 3,  # the spacing-error dialog's logic
    "analysis": 4,   # 3D tracing, wavefront, tolerances
    "pictures": 4,   # the exact check's pictures as drawings and SVG
    "tester": 5,     # what the tester sees: residual files and views
    "run": 6,        # the null-finding run
    "design": 7,     # choosing a lens: solves candidates with the run
    "ui": 8,         # the window
    "cli": 8,        # the command line
    "app": 9,        # the window's main()
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/[^"]+"')


def folders(root):
    for sub in sorted((root / "src").iterdir()):
        if sub.is_dir():
            yield sub.name, sub
    yield "cli", root / "cli"
    yield "app", root / "app"


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    dot = "--dot" in sys.argv[1:]
    problems = []
    edges = defaultdict(int)
    files = 0
    for layer, folder in folders(root):
        if layer not in RANKS:
            problems.append(f"{folder.relative_to(root)}: folder has no place among the layers")
            continue
        for path in sorted(folder.rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            files += 1
            for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                m = INCLUDE.match(line)
                if not m or m.group(1) not in RANKS:
                    continue
                target = m.group(1)
                if target == layer:
                    continue
                edges[(layer, target)] += 1
                if RANKS[target] >= RANKS[layer]:
                    problems.append(
                        f"{path.relative_to(root)}:{number}: {layer} (rank {RANKS[layer]}) "
                        f"includes {m.group(0).split(chr(34))[1]} ({target}, rank {RANKS[target]})")
    if files < 50:
        problems.append(f"only {files} source files found under {root}")

    if dot:
        print("digraph layers {\n  rankdir=TB;\n  node [shape=box];")
        for rank in sorted(set(RANKS.values()), reverse=True):
            same = " ".join(f'"{n}";' for n, r in RANKS.items() if r == rank)
            print(f"  {{ rank=same; {same} }}")
        for (a, b), n in sorted(edges.items()):
            print(f'  "{a}" -> "{b}" [label={n}];')
        print("}")
    else:
        for rank in sorted(set(RANKS.values()), reverse=True):
            for layer in sorted(n for n, r in RANKS.items() if r == rank):
                below = sorted({b for (a, b) in edges if a == layer}, key=lambda b: -RANKS[b])
                print(f"{rank} {layer:10} -> {', '.join(below) if below else '(nothing)'}")
    for p in problems:
        print(p, file=sys.stderr)
    print(f"{files} files, {sum(edges.values())} includes across folders, "
          f"{len(problems)} against the layers", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

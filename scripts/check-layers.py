#!/usr/bin/env python3
"""Fails on any #include that goes up the engine's layers.

    scripts/check-layers.py [REPOSITORY]      (default: the repository holding this script)

The engine's folders, lowest first; a file may include its own folder and any
folder listed before it, never one after it. ZNEngine.h gathers the whole
engine and sits above every folder; the demo (app/) and the example programs
(examples/) sit above the engine. runtime/ (engine start and stop) shares the
application layer's rank: it starts the application window.

An include is resolved the way the build resolves it: beside the including
file first, then from ZNEngine/ (the engine's include folder), then from app/.
Includes that resolve to nothing here (system and generated headers) are not
the check's business. A folder under ZNEngine/ that is not in the order fails
too, so a new folder is placed before it is used.
"""
import os
import re
import sys

LAYERS = [
    ["core"],
    ["files"],
    ["math"],
    ["window"],
    ["render"],
    ["resources"],
    ["ui"],
    ["application", "runtime"],
]
TOP_HEADER = "ZNEngine.h"
PROGRAM_FOLDERS = ["app", "examples"]
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".c", ".inl")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def layer_of(root, path):
    """(rank, name) of the layer a repository file belongs to, or None."""
    rel = os.path.relpath(path, root).replace(os.sep, "/")
    parts = rel.split("/")
    if parts[0] in PROGRAM_FOLDERS:
        return (len(LAYERS) + 1, parts[0])
    if parts[0] != "ZNEngine":
        return None
    if len(parts) == 2:
        return (len(LAYERS), TOP_HEADER) if parts[1] == TOP_HEADER else None
    for rank, names in enumerate(LAYERS):
        if parts[1] in names:
            return (rank, parts[1])
    return (-1, parts[1])


def resolve(root, including, name):
    for base in (os.path.dirname(including), os.path.join(root, "ZNEngine"), os.path.join(root, "app")):
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(candidate):
            return candidate
    return None


def sources(root):
    for top in ["ZNEngine"] + PROGRAM_FOLDERS:
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.join(folder, name)


def check(root):
    problems = []
    for path in sources(root):
        own = layer_of(root, path)
        rel = os.path.relpath(path, root)
        if own[0] < 0:
            problems.append(f"{rel}: folder '{own[1]}' has no place in the layer order of scripts/check-layers.py")
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                target = resolve(root, path, m.group(1))
                if not target:
                    continue
                theirs = layer_of(root, target)
                if theirs and theirs[0] > own[0]:
                    problems.append(f"{rel}:{number}: {own[1]} includes {m.group(1)}, which is in {theirs[1]}, above it")
    return problems


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    if not os.path.isdir(os.path.join(root, "ZNEngine")):
        print(f"check-layers: no ZNEngine/ folder in {root}", file=sys.stderr)
        return 2
    problems = check(root)
    for p in problems:
        print(p)
    if problems:
        print(f"check-layers: {len(problems)} upward include(s); order, lowest first: "
              + ", ".join("/".join(names) for names in LAYERS) + f", {TOP_HEADER}, " + ", ".join(PROGRAM_FOLDERS))
        return 1
    print("check-layers: every include goes down the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks the include graph of the program's folders against its layers.

Each folder has a layer; a file may include headers of its own folder and of
folders on lower layers, never of a folder on its own layer or above. That
rules out include circles among the folders, and this script also looks for
circles directly, so a wrong layer table cannot hide one.

Bottom to top:
  resources/              resource.h, which includes nothing of the program
  app/                    helpers that include nothing of the program above:
                          text, heap, instance, controls, modal seam, lists
  settings/               the settings
  archivers/              formats and the archiver library interface
  tasks/                  the model: task records, rows, file rows, run switch
  runs/                   the compression and extraction runs
  filelist/               the file-list window
  ui/                     the main window, its commands and dialogs
  program/                start-up, the message loop and the run step

Tests, the bundled library (archivelib/) and the build files are not part of
the program and are not checked. Exit status 1 on any fault, with one line per
fault.
"""
import os
import re
import sys

LAYERS = ["resources", "app", "settings", "archivers", "tasks", "runs", "filelist", "ui", "program"]
RANK = {folder: rank for rank, folder in enumerate(LAYERS)}
SOURCE_ENDINGS = (".cpp", ".h", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def program_files(root):
    for folder in LAYERS:
        base = os.path.join(root, folder)
        for directory, _, names in os.walk(base):
            for name in sorted(names):
                if name.endswith(SOURCE_ENDINGS):
                    yield os.path.relpath(os.path.join(directory, name), root)


def folder_of(path):
    return path.replace(os.sep, "/").split("/", 1)[0]


def find_circle(edges):
    """One folder circle as a list of folders, or None."""
    state = {}

    def visit(node, trail):
        state[node] = "open"
        trail.append(node)
        for target in sorted(edges.get(node, ())):
            if state.get(target) == "open":
                return trail[trail.index(target):] + [target]
            if target not in state:
                found = visit(target, trail)
                if found:
                    return found
        trail.pop()
        state[node] = "done"
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def check(root):
    faults = []
    edges = {}
    for path in program_files(root):
        source = folder_of(path)
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as file:
            text = file.read()
        for included in INCLUDE.findall(text):
            if "/" not in included:
                continue  # a header beside an .rc file, or a system header in quotes
            target = folder_of(included)
            if target not in RANK:
                continue
            if not os.path.isfile(os.path.join(root, included)):
                faults.append(f"{path}: includes {included}, which does not exist")
                continue
            if target == source:
                continue
            edges.setdefault(source, set()).add(target)
            if RANK[target] >= RANK[source]:
                faults.append(f"{path}: includes {included}: {source}/ may not include {target}/ "
                              f"({target}/ is not below {source}/)")
    circle = find_circle(edges)
    if circle:
        faults.append("include circle among folders: " + " -> ".join(circle))
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    faults = check(os.path.abspath(root))
    for fault in faults:
        print(fault)
    if faults:
        print(f"check-layers: {len(faults)} fault(s); layers bottom to top: {' < '.join(LAYERS)}")
        return 1
    print("check-layers: every include runs down the layers: " + " < ".join(LAYERS))
    return 0


if __name__ == "__main__":
    sys.exit(main())

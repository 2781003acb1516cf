#!/usr/bin/env python3
"""Checks the include graph of the program and of the bundled library.

Each folder has a layer; a file may include headers of its own folder and of
folders on lower layers, never of a folder on its own layer or above. That
rules out include circles among the folders. Inside a folder, a .cpp file and
its .h file form one module, and no module may reach itself through the
includes of the folder's other modules. The script looks for circles among
the folders directly too, so a wrong layer table cannot hide one.

The program, bottom to top:
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

The bundled library (archivelib/), bottom to top:
  api/                    the exported entries' declarations, shared with the
                          program; they include nothing of either
  base/                   names, text conversion, byte sources, the handoff
  common/                 what every format shares: the command line, the
                          call state, file I/O, collection, extraction
  libarchive/             the formats read through libarchive, and its reader
                          for the writers that update what they cannot read
  zip/ tar/ sevenzip/     one folder per format family, side by side: none
  lzh/ cab/               includes another
  entries/                the exported entries, the creators, the listing

The program includes nothing of the library but archivelib/api/, and the
library nothing of the program. Tests and build files are not checked. Exit
status 1 on any fault, with one line per fault.
"""
import os
import re
import sys

PROGRAM = ["resources", "app", "settings", "archivers", "tasks", "runs", "filelist", "ui", "program"]
LIBRARY_ROOT = "archivelib"
# Folders of one layer share a rank: an include between them runs sideways.
LIBRARY = [["api"], ["base"], ["common"], ["libarchive"], ["zip", "tar", "sevenzip", "lzh", "cab"], ["entries"]]
LIBRARY_API = LIBRARY_ROOT + "/api"

SOURCE_ENDINGS = (".cpp", ".h", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def layer_table():
    """Folder (relative to the root) -> (component, rank)."""
    table = {folder: ("program", rank) for rank, folder in enumerate(PROGRAM)}
    for rank, folders in enumerate(LIBRARY):
        for folder in folders:
            table[f"{LIBRARY_ROOT}/{folder}"] = ("library", rank)
    return table


LAYERS = layer_table()


def source_files(root):
    for folder in LAYERS:
        base = os.path.join(root, folder)
        for directory, _, names in os.walk(base):
            for name in sorted(names):
                if name.endswith(SOURCE_ENDINGS):
                    yield os.path.relpath(os.path.join(directory, name), root).replace(os.sep, "/")


def folder_of(path):
    """The layered folder a path lies in, or None."""
    parts = path.split("/")
    for depth in (2, 1):
        folder = "/".join(parts[:depth])
        if len(parts) > depth and folder in LAYERS:
            return folder
    return None


def resolve(root, path, included):
    """The included file relative to the root, or None for one outside the tree.

    The program names headers from the root ("app/text.h", "archivelib/api/fdarc.h");
    the library from its own root ("common/fileio.h"); a bare name is a file
    beside the includer or one on the compiler's path (windows.h, a resource).
    """
    candidates = []
    if "/" not in included:
        candidates.append(os.path.dirname(path) + "/" + included)
    else:
        candidates.append(included)
        if path.startswith(LIBRARY_ROOT + "/"):
            candidates.insert(0, LIBRARY_ROOT + "/" + included)
    for candidate in candidates:
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def module_of(path):
    return os.path.splitext(path)[0]


def find_circle(edges):
    """One circle of the graph as a list of nodes, or None."""
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


def rule_fault(path, included, source, target):
    """Why an include from folder source into folder target is wrong, or None."""
    source_part, source_rank = LAYERS[source]
    target_part, target_rank = LAYERS[target]
    if source_part != target_part:
        if source_part == "program" and target == LIBRARY_API:
            return None
        return f"{path}: includes {included}: the {source_part} includes nothing of the {target_part} " \
               f"but {LIBRARY_API}/"
    if target_rank < source_rank:
        return None
    way = "sideways" if target_rank == source_rank else "upward"
    return f"{path}: includes {included}: {source}/ may not include {target}/ ({way})"


def check(root):
    faults = []
    folder_edges = {}
    module_edges = {}  # folder -> module -> modules of the same folder it includes
    for path in source_files(root):
        source = folder_of(path)
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as file:
            text = file.read()
        for included in INCLUDE.findall(text):
            target_path = resolve(root, path, included)
            if target_path is None:
                if "/" in included and folder_of(included) in LAYERS:
                    faults.append(f"{path}: includes {included}, which does not exist")
                continue
            target = folder_of(target_path)
            if target is None:
                continue  # a file of the tree outside the layers (generated, tests)
            if target == source:
                if module_of(target_path) != module_of(path):
                    modules = module_edges.setdefault(source, {})
                    modules.setdefault(module_of(path), set()).add(module_of(target_path))
                continue
            folder_edges.setdefault(source, set()).add(target)
            fault = rule_fault(path, included, source, target)
            if fault:
                faults.append(fault)
    circle = find_circle(folder_edges)
    if circle:
        faults.append("include circle among folders: " + " -> ".join(circle))
    for folder, modules in sorted(module_edges.items()):
        circle = find_circle(modules)
        if circle:
            faults.append(f"include circle inside {folder}/: " + " -> ".join(m + ".*" for m in circle))
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    faults = check(os.path.abspath(root))
    for fault in faults:
        print(fault)
    program = " < ".join(PROGRAM)
    library = " < ".join("/".join(folders) for folders in LIBRARY)
    if faults:
        print(f"check-layers: {len(faults)} fault(s); the program bottom to top: {program}; "
              f"the library: {library}")
        return 1
    print(f"check-layers: every include runs down the layers, with no circle: {program}; {LIBRARY_ROOT}: {library}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

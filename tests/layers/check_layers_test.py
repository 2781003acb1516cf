#!/usr/bin/env python3
"""The layer check fails, naming the files, on each kind of wrong include.

Each case copies the program's and the library's layered folders, adds one
include line to one file and expects the check to name it."""
import importlib.util
import os
import shutil
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
LOADER = importlib.util.spec_from_file_location("check_layers", os.path.join(ROOT, "tools", "check-layers.py"))
check_layers = importlib.util.module_from_spec(LOADER)
LOADER.loader.exec_module(check_layers)

# (name, file that gets the include, the include, what the fault line must say)
CASES = [
    ("library upward", "archivelib/common/fileio.cpp", "entries/listing.h",
     ["archivelib/common/fileio.cpp: includes entries/listing.h", "(upward)"]),
    ("library sideways between formats", "archivelib/zip/zipformat.cpp", "tar/tarread.h",
     ["archivelib/zip/zipformat.cpp: includes tar/tarread.h", "(sideways)"]),
    ("library into the program", "archivelib/base/mbname.cpp", "app/text.h",
     ["archivelib/base/mbname.cpp: includes app/text.h", "the library includes nothing of the program"]),
    ("program into the library past its API", "runs/extraction_run.cpp", "archivelib/common/fileio.h",
     ["runs/extraction_run.cpp: includes archivelib/common/fileio.h", "the program includes nothing of the library"]),
    ("program upward", "tasks/task_table.cpp", "ui/status_bar.h",
     ["tasks/task_table.cpp: includes ui/status_bar.h", "(upward)"]),
    ("circle of two files inside a library folder", "archivelib/common/fileio.h", "common/collect.h",
     ["include circle inside archivelib/common/", "archivelib/common/fileio.*", "archivelib/common/collect.*"]),
    ("circle of two files inside a program folder", "ui/status_bar.cpp", "ui/main_window.h",
     ["include circle inside ui/", "ui/status_bar.*", "ui/main_window.*"]),
]


class CheckLayersTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp()
        for folder in check_layers.LAYERS:
            source = os.path.join(ROOT, folder)
            if os.path.isdir(source):
                shutil.copytree(source, os.path.join(self.root, folder),
                                ignore=shutil.ignore_patterns("*.txt", "*.sh", "*.cmake", "*.bmp", "*.ico"))

    def tearDown(self):
        shutil.rmtree(self.root)

    def test_tree_passes(self):
        self.assertEqual(check_layers.check(self.root), [])

    def test_each_wrong_include_is_named(self):
        for name, path, included, expected in CASES:
            with self.subTest(name):
                target = os.path.join(self.root, path)
                self.assertTrue(os.path.isfile(target), path)
                with open(target, encoding="utf-8") as file:
                    original = file.read()
                with open(target, "a", encoding="utf-8") as file:
                    file.write(f'\n#include "{included}"\n')
                try:
                    faults = "\n".join(check_layers.check(self.root))
                    for words in expected:
                        self.assertIn(words, faults)
                finally:
                    with open(target, "w", encoding="utf-8") as file:
                        file.write(original)


if __name__ == "__main__":
    unittest.main()

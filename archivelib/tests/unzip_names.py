#!/usr/bin/env python3
"""Prints names as `unzip -Z1` shows them for a zip made on Windows.

The zips fdarc writes say "made on MS-DOS/FAT" and hold code page 932
names, as Windows archivers do. An unzip with the iconv patch converts such
names with `-O cp932`; Debian's unzip has no -O and maps the bytes from
OEM to ISO 8859-1 instead. This helper reads UTF-8 names on stdin and
prints them the way the unzip at hand will list and extract them, so the
interop test compares like with like. The OEM mapping is learned from
unzip itself with a calibration archive, not assumed.

usage: unzip_names.py WORKDIR < names.txt > names-as-unzip-shows.txt
"""
import os
import struct
import subprocess
import sys


def calibration(workdir):
    names = [bytes([b]) + b".t" for b in range(0x20, 0x100) if b not in (0x2F, 0x5C, 0x7F)]
    body = b""
    central = b""
    for name in names:
        offset = len(body)
        body += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 0, 0, 0x21, 0, 0, 0, len(name), 0) + name
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 0, 0, 0x21, 0, 0, 0,
                               len(name), 0, 0, 0, 0, 0x20, offset) + name
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(names), len(names), len(central), len(body), 0)
    path = os.path.join(workdir, "calibration.zip")
    with open(path, "wb") as f:
        f.write(body + central + end)
    shown = subprocess.run(["unzip", "-Z1", path], capture_output=True, check=True).stdout.split(b"\n")
    table = {0x2F: b"/", 0x5C: b"\\"}
    for name, line in zip(names, shown):
        if not line.endswith(b".t"):
            sys.exit("unexpected calibration listing: %r" % line)
        table[name[0]] = line[:-2]
    return table


def main():
    names = sys.stdin.read().splitlines()
    table = calibration(sys.argv[1])
    probe = subprocess.run(["unzip", "-O", "cp932", "-Z1", os.path.join(sys.argv[1], "calibration.zip")],
                           capture_output=True)
    if probe.returncode == 0:  # this unzip converts names itself
        sys.stdout.write("".join(name + "\n" for name in names))
        return
    out = sys.stdout.buffer
    for name in names:
        raw = name.encode("cp932")
        out.write(b"".join(table.get(b, bytes([b])) for b in raw) + b"\n")


main()

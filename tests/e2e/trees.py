#!/usr/bin/env python3
"""Trees and archives for the end-to-end test of the program.

  trees.py names ROOT TOP...             relative names below ROOT of the TOP items
                                         and everything in them, folders ending in '/'
  trees.py rawcopy SRC DST TOP...        copies the TOP items of SRC into DST with every
                                         name as code page 932 bytes (what a Windows
                                         archiver stores), for the Linux tools to pack
  trees.py compare SRC OUT NAMING TOP... OUT holds exactly the TOP items of SRC, with
                                         byte-identical files; NAMING says how a name
                                         shows on disk in OUT: same, cp932 or unzip
                                         (as this unzip maps code page 932 bytes)
  trees.py hostile DIR                   archives that try to write outside their
                                         destination, or are no archives: DIR/NN/name;
                                         prints "count|path" lines
  trees.py hostile-more DIR [LA_TEST]    the same for lzh, cab, tar.bz2, tar.xz, 7z and rar
                                         (rar made from libarchive's test archives in LA_TEST)
  trees.py files REF OUT [--ignore=N]    OUT holds the regular files of REF (a tree an
                                         independent tool extracted), byte-identical,
                                         and no other files
Names given and printed are UTF-8. Exits 1 when a comparison fails.
"""
import binascii
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import tarfile
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
UNZIP_NAMES = os.path.join(HERE, "..", "..", "archivelib", "tests", "unzip_names.py")


def names(root, tops):
    found = []
    for top in tops:
        path = os.path.join(root, top)
        if os.path.isdir(path):
            found.append(top + "/")
            for folder, dirs, files in os.walk(path):
                rel = os.path.relpath(folder, root)
                found += [os.path.join(rel, d) + "/" for d in dirs]
                found += [os.path.join(rel, f) for f in files]
        else:
            found.append(top)
    return sorted(found)


def rawcopy(src, dst, tops):
    for name in names(src, tops):
        target = os.path.join(dst.encode(), name.rstrip("/").encode("cp932"))
        if name.endswith("/"):
            os.makedirs(target, exist_ok=True)
        else:
            shutil.copyfile(os.path.join(src, name), target)


def disk_names(expected, naming, workdir):
    if naming == "same":
        return [n.encode() for n in expected]
    if naming == "cp932":
        return [n.encode("cp932") for n in expected]
    shown = subprocess.run([sys.executable, UNZIP_NAMES, workdir], input="".join(n + "\n" for n in expected).encode(),
                           capture_output=True, check=True).stdout.split(b"\n")[:len(expected)]
    # Extracting, unzip names files differently from its listing: a name of
    # an MS-DOS entry without '/' has every 0x5C byte taken for a separator
    # (the trail byte of 能 too: in the C locale it runs in here it steps over
    # no double-byte characters), and a byte 0xFF (from 0x98, as in 録) is left out.
    if shown == [n.encode() for n in expected]:
        return shown  # an unzip with -O cp932: the names are converted
    on_disk = []
    for name, raw in zip(shown, expected):
        if b"/" not in raw.encode("cp932"):
            name = name.replace(b"\\", b"/")
        on_disk.append(name.replace(b"\xff", b""))
    return on_disk


def walk_bytes(out):
    found = set()
    for folder, dirs, files in os.walk(out.encode()):
        rel = os.path.relpath(folder, out.encode())
        prefix = b"" if rel == b"." else rel + b"/"
        found |= {prefix + d + b"/" for d in dirs}
        found |= {prefix + f for f in files}
    return found


def compare(src, out, naming, tops, ignore):
    expected = names(src, tops)
    on_disk = disk_names(expected, naming, os.path.dirname(os.path.abspath(out)))
    failures = []
    actual = walk_bytes(out) - {i.encode() for i in ignore}
    wanted = set(on_disk)
    for disk in on_disk:  # folders a name split by unzip implies
        parts = disk.rstrip(b"/").split(b"/")
        wanted |= {b"/".join(parts[:i]) + b"/" for i in range(1, len(parts))}
    for extra in sorted(actual - wanted):
        failures.append("unexpected entry %r" % extra)
    for name, disk in zip(expected, on_disk):
        path = os.path.join(out.encode(), disk.rstrip(b"/"))
        if name.endswith("/"):
            if not os.path.isdir(path):
                failures.append("folder %s missing" % name)
        elif not os.path.isfile(path):
            failures.append("file %s missing" % name)
        else:
            with open(os.path.join(src, name), "rb") as a, open(path, "rb") as b:
                if a.read() != b.read():
                    failures.append("file %s differs" % name)
    for failure in failures:
        print("  " + failure)
    return not failures


def zip_bytes(entries):
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_DEFLATED) as z:
        for name, body in entries:
            z.writestr(zipfile.ZipInfo(name, (2024, 1, 2, 3, 4, 6)), body)
    return data.getvalue()


def tar_bytes(entries, mode="w"):
    data = io.BytesIO()
    with tarfile.open(fileobj=data, mode=mode, format=tarfile.GNU_FORMAT, encoding="cp932") as t:
        for name, body in entries:
            info = tarfile.TarInfo(name)
            info.size = len(body)
            info.mtime = 1700000000
            t.addfile(info, io.BytesIO(body))
    return data.getvalue()


def hostile(folder):
    rng = random.Random(932)
    text = b"a line of text that compresses well\n" * 2000
    whole_zip = zip_bytes([("one.txt", text), ("two.bin", rng.randbytes(40000))])
    whole_tgz = tar_bytes([("one.txt", text), ("two.bin", rng.randbytes(40000))], "w:gz")
    # The entry count the program shows: none where no entry can be read.
    archives = [
        ("dotdot.zip", 2, zip_bytes([("ok.txt", b"fine"), ("../evil_e2e.txt", b"evil")])),
        ("inner.zip", 1, zip_bytes([("sub/../../evil_inner_e2e.txt", b"evil")])),
        ("backslash.zip", 1, zip_bytes([("..\\evil_backslash_e2e.txt", b"evil")])),
        ("absolute.zip", 1, zip_bytes([("/abs_e2e_zip.txt", b"evil")])),
        ("drive.zip", 1, zip_bytes([("C:\\drive_e2e_zip.txt", b"evil")])),
        ("dotdot.tar", 2, tar_bytes([("ok.txt", b"fine"), ("../evil_e2e_tar.txt", b"evil")])),
        ("absolute.tar", 1, tar_bytes([("/abs_e2e_tar.txt", b"evil")])),
        ("truncated.zip", "", whole_zip[:len(whole_zip) * 3 // 5]),
        ("truncated.tar", "", whole_tgz[:len(whole_tgz) * 3 // 5]),
        ("random.zip", "", rng.randbytes(4096)),
        ("random.tar", "", rng.randbytes(4096)),
    ]
    for number, (name, count, body) in enumerate(archives, 1):
        place = os.path.join(folder, "%02d" % number)
        os.makedirs(place)
        with open(os.path.join(place, name), "wb") as f:
            f.write(body)
        print("%s|%s" % (count, os.path.join(place, name)))


def lzh_bytes(entries):
    """Level-0 headers, stored (-lh0-) members."""
    def crc16(data):
        crc = 0
        for byte in data:
            crc ^= byte
            for _ in range(8):
                crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
        return crc
    out = b""
    for name, body in entries:
        raw = name.encode("cp932")
        header = b"-lh0-" + len(body).to_bytes(4, "little") * 2 + (0x5A6B0000).to_bytes(4, "little")
        header += bytes([0x20, 0, len(raw)]) + raw + crc16(body).to_bytes(2, "little")
        out += bytes([len(header), sum(header) & 0xFF]) + header + body
    return out + b"\0"


def cab_bytes(entries):
    """One uncompressed folder, one data block."""
    files, data = b"", b""
    for name, body in entries:
        files += len(body).to_bytes(4, "little") + len(data).to_bytes(4, "little") + b"\0\0"
        files += (0x5A6B).to_bytes(2, "little") + b"\0\0" + (0x20).to_bytes(2, "little") + name.encode("cp932") + b"\0"
        data += body
    start = 36 + 8 + len(files)
    header = b"MSCF" + bytes(4) + (start + 8 + len(data)).to_bytes(4, "little") + bytes(4)
    header += (44).to_bytes(4, "little") + bytes(4) + bytes([3, 1]) + (1).to_bytes(2, "little")
    header += len(entries).to_bytes(2, "little") + bytes(6)
    folder = start.to_bytes(4, "little") + (1).to_bytes(2, "little") + bytes(2)
    block = bytes(4) + len(data).to_bytes(2, "little") * 2 + data
    return header + folder + files + block


def uudecoded(path):
    data = b""
    with open(path, "rb") as f:
        lines = f.read().splitlines()
    for line in lines[1:]:
        if line.startswith(b"end") or not line.strip():
            break
        data += binascii.a2b_uu(line)
    return data


def rar4_renamed(data, old, new):
    """The rar 4 archive with the entry named OLD renamed NEW; its header CRC
    (the low 16 bits of the CRC-32 from the type byte on) made right again."""
    pos, out = 7, data[:7]
    while pos + 7 <= len(data):
        kind, flags, size = struct.unpack_from("<BHH", data, pos + 2)
        extra = struct.unpack_from("<I", data, pos + 7)[0] if flags & 0x8000 else 0
        header = data[pos + 2:pos + size]
        if kind == 0x74:
            start = 30 + (8 if flags & 0x100 else 0)
            length = struct.unpack_from("<H", header, 24)[0]
            if header[start:start + length] == old:
                header = header[:3] + struct.pack("<H", size + len(new) - length) + header[5:24] + \
                    struct.pack("<H", len(new)) + header[26:start] + new + header[start + length:]
                header = header[:1] + struct.pack("<H", struct.unpack_from("<H", header, 1)[0] & ~0x200) + header[3:]
        out += struct.pack("<H", zlib.crc32(header) & 0xFFFF) + header + data[pos + size:pos + size + extra]
        pos += size + extra
    return out + data[pos:]


def rar5_renamed(data, old, new):
    """The rar 5 archive with the file entry named OLD renamed NEW, its
    header size and CRC-32 made right again."""
    def number(at):
        value, shift = 0, 0
        while True:
            byte = data[at]
            at += 1
            value |= (byte & 0x7F) << shift
            shift += 7
            if not byte & 0x80:
                return value, at

    def encoded(value):
        out = b""
        while True:
            out += bytes([(value & 0x7F) | (0x80 if value > 0x7F else 0)])
            value >>= 7
            if not value:
                return out

    pos, out = 8, data[:8]
    while pos + 4 < len(data):
        size, body = number(pos + 4)
        kind, at = number(body)
        flags, at = number(at)
        packed = 0
        if flags & 1:
            _, at = number(at)
        if flags & 2:
            packed, at = number(at)
        header = data[body:body + size]
        if kind == 2:
            file_flags, at = number(at)
            _, at = number(at)  # unpacked size
            _, at = number(at)  # attributes
            at += 4 * bool(file_flags & 2) + 4 * bool(file_flags & 4)
            _, at = number(at)  # compression
            _, at = number(at)  # host
            length, name = number(at)
            if data[name:name + length] == old:
                header = data[body:at] + encoded(len(new)) + new + data[name + length:body + size]
        sized = encoded(len(header)) + header
        out += struct.pack("<I", zlib.crc32(sized)) + sized + data[body + size:body + size + packed]
        pos = body + size + packed
    return out + data[pos:]


def flipped(data, at):
    return data[:at] + bytes([data[at] ^ 0x55]) + data[at + 1:]


def hostile_rar(la_test):
    """rar archives made from libarchive's own test archives (nothing here
    writes rar): entries renamed to climb out, and damaged copies."""
    given = lambda name: uudecoded(os.path.join(la_test, "test_read_format_%s.rar.uu" % name))
    rar4 = given("rar")                     # stored; test.txt, testlink, testdir\test.txt and two folders
    rar4_packed = given("rar_compress_normal")
    rar5 = given("rar5_stored")             # stored; helloworld.txt
    rar5_packed = given("rar5_win32")
    return [
        ("dotdot.rar", 5, rar4_renamed(rar4, b"test.txt", b"..\\evil_e2e_rar.txt")),
        ("absolute.rar", 5, rar4_renamed(rar4, b"test.txt", b"\\abs_e2e_rar.txt")),
        ("drive.rar", 5, rar4_renamed(rar4, b"test.txt", b"C:\\drive_e2e_rar.txt")),
        ("inner.rar", 5, rar4_renamed(rar4, b"testdir\\test.txt", b"testdir\\..\\..\\evil_inner_e2e_rar.txt")),
        ("dotdot5.rar", 1, rar5_renamed(rar5, b"helloworld.txt", b"../evil_e2e_rar5.txt")),
        ("absolute5.rar", 1, rar5_renamed(rar5, b"helloworld.txt", b"/abs_e2e_rar5.txt")),
        ("truncated.rar", "", rar4_packed[:len(rar4_packed) * 3 // 5]),
        ("truncated5.rar", "", rar5_packed[:len(rar5_packed) * 3 // 5]),
        ("flipped.rar", 6, flipped(rar4_packed, 600)),  # in the data of LibarchiveAddingTest.html
        ("flipheader.rar", "", flipped(rar4_packed, len(rar4_packed) // 2)),  # in a later header
        ("flipped5.rar", 8, flipped(rar5_packed, len(rar5_packed) // 2)),  # in the data of test3.bin
        ("badcrc.rar", "", flipped(rar4, rar4.index(b"testlink"))),  # a name changed, its header CRC not
    ]


def hostile_more(folder, la_test=None):
    rng = random.Random(12)
    text = b"a line of text that compresses well\n" * 2000
    whole_txz = tar_bytes([("one.txt", text), ("two.bin", rng.randbytes(40000))], "w:xz")
    archives = [
        ("dotdot.lzh", 2, lzh_bytes([("ok.txt", b"fine"), ("..\\evil_e2e_lzh.txt", b"evil")])),
        ("absolute.lzh", 1, lzh_bytes([("\\abs_e2e_lzh.txt", b"evil")])),
        ("dotdot.cab", 2, cab_bytes([("ok.txt", b"fine"), ("..\\evil_e2e_cab.txt", b"evil")])),
        ("drive.cab", 1, cab_bytes([("C:\\drive_e2e_cab.txt", b"evil")])),
        ("dotdot.tar.bz2", 2, tar_bytes([("ok.txt", b"fine"), ("../evil_e2e_tbz.txt", b"evil")], "w:bz2")),
        ("absolute.tar.xz", 1, tar_bytes([("/abs_e2e_txz.txt", b"evil")], "w:xz")),
        ("truncated.tar.xz", "", whole_txz[:len(whole_txz) * 3 // 5]),
        ("random.7z", "", b"7z\xbc\xaf\x27\x1c" + rng.randbytes(4096)),
        ("random.rar", "", b"Rar!\x1a\x07\x00" + rng.randbytes(4096)),
    ]
    if la_test:
        archives += hostile_rar(la_test)
    for number, (name, count, body) in enumerate(archives, 1):
        place = os.path.join(folder, "%02d" % number)
        os.makedirs(place)
        with open(os.path.join(place, name), "wb") as f:
            f.write(body)
        print("%s|%s" % (count, os.path.join(place, name)))


def regular_files(root):
    found = {}
    for folder, dirs, files in os.walk(root.encode()):
        for f in files:
            path = os.path.join(folder, f)
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, "rb") as h:
                    found[os.path.relpath(path, root.encode())] = h.read()
    return found


def as_utf8(name):
    """lha and cabextract write stored code page 932 names as they are."""
    try:
        name.decode("utf-8")
        return name
    except UnicodeDecodeError:
        return name.decode("cp932").encode()


def files(ref, out, ignore):
    want = {as_utf8(name): data for name, data in regular_files(ref).items()}
    got = regular_files(out)
    for name in ignore:
        got.pop(name.encode(), None)
    failures = []
    for name in sorted(set(want) | set(got)):
        if name not in got:
            failures.append("missing %r" % name)
        elif name not in want:
            failures.append("unexpected %r" % name)
        elif want[name] != got[name]:
            failures.append("differs %r" % name)
    for failure in failures:
        print("  " + failure)
    return bool(want) and not failures


def main():
    command, args = sys.argv[1], sys.argv[2:]
    if command == "names":
        sys.stdout.write("".join(n + "\n" for n in names(args[0], args[1:])))
    elif command == "rawcopy":
        rawcopy(args[0], args[1], args[2:])
    elif command == "compare":
        ignore = [a[len("--ignore="):] for a in args if a.startswith("--ignore=")]
        args = [a for a in args if not a.startswith("--ignore=")]
        sys.exit(0 if compare(args[0], args[1], args[2], args[3:], ignore) else 1)
    elif command == "hostile":
        hostile(args[0])
    elif command == "hostile-more":
        hostile_more(args[0], args[1] if len(args) > 1 else None)
    elif command == "files":
        ignore = [a[len("--ignore="):] for a in args if a.startswith("--ignore=")]
        args = [a for a in args if not a.startswith("--ignore=")]
        sys.exit(0 if files(args[0], args[1], ignore) else 1)
    else:
        sys.exit("unknown command " + command)


main()

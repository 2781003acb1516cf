"""Archives no everyday tool writes, byte by byte, for foreign.sh.

    foreign_archives.py KIND PATH
"""
import gzip
import struct
import sys
import tarfile
import zipfile
import zlib


def tar_header(name, size, kind=b"0", mode=0o644):
    block = bytearray(512)
    raw = name.encode()
    block[0:len(raw)] = raw
    block[100:108] = b"%07o\0" % mode
    block[108:116] = b"0000000\0"
    block[116:124] = b"0000000\0"
    block[124:136] = b"%011o\0" % size
    block[136:148] = b"%011o\0" % 1700000000
    block[156:157] = kind
    block[257:265] = b"ustar\x0000"
    block[148:156] = b"        "
    block[148:156] = b"%06o\0 " % sum(block)
    return bytes(block)


def padded(data):
    return data + b"\0" * (-len(data) % 512)


def pax_record(key, value):
    body = " %s=%s\n" % (key, value)
    length = len(body.encode()) + 1
    while len(str(length)) + len(body.encode()) != length:
        length += 1
    return ("%d%s" % (length, body)).encode()


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def labels(path):
    # Volume labels by the ten thousand before one member.
    label = tar_header("label", 0, b"V")
    data = label * 100000 + tar_header("a.txt", 5) + padded(b"after") + b"\0" * 1024
    write(path, gzip.compress(data, 6))


def pax_size(path):
    # Header size 0, the real size in a pax record, as for members of 8 GiB and more.
    data = bytes(range(256)) * 2
    data = data[:480]
    records = pax_record("size", "480")
    out = tar_header("PaxHeaders/big.bin", len(records), b"x") + padded(records)
    out += tar_header("big.bin", 0) + padded(data) + b"\0" * 1024
    write(path, out)


def contiguous(path):
    with tarfile.open(path, "w", format=tarfile.GNU_FORMAT) as tar:
        info = tarfile.TarInfo("contiguous.txt")
        payload = b"contiguous file\n"
        info.size = len(payload)
        info.type = tarfile.CONTTYPE
        import io
        tar.addfile(info, io.BytesIO(payload))


def overlapping(path):
    # 25 central records all pointing at one stored 4 MiB entry.
    data = b"\0" * (4 << 20)
    crc = zlib.crc32(data)
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 10, 0, 0, 0, 0x21, crc, len(data), len(data), 5, 0) + b"a.bin" + data
    central = b""
    for i in range(25):
        name = b"copy%02d.bin" % i
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 10, 0, 0, 0, 0x21, crc, len(data), len(data),
                               len(name), 0, 0, 0, 0, 0, 0) + name
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 25, 25, len(central), len(local), 0)
    write(path, local + central + end)


def decomposed(path):
    # A name as macOS writes it: テ followed by the combining voiced sound mark.
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("\u30c6\u3099\u30fc\u30bf.txt", b"decomposed\n")
        z.writestr("\u304b\u3099\u304f.txt", b"hiragana\n")


def pax_names(path):
    # Python's pax writer: UTF-8 names in path records, one name code page 932 lacks.
    import io
    with tarfile.open(path, "w", format=tarfile.PAX_FORMAT) as tar:
        for name, payload in (("python/表示.txt", b"pax\n"), ("python/\U0001F600.txt", b"emoji\n")):
            info = tarfile.TarInfo(name)
            info.size = len(payload)
            tar.addfile(info, io.BytesIO(payload))


KINDS = {f.__name__: f for f in (labels, pax_size, contiguous, overlapping, decomposed, pax_names)}

if __name__ == "__main__":
    KINDS[sys.argv[1]](sys.argv[2])

# Sourced by the library benchmarks: the ~100 MB tree of mixed files in
# $work/tree (compressible text, random data, many small files), made once
# and reused while its version stamp stands.
tree=$work/tree
if [ ! -f "$work/tree.v3" ]; then
    rm -rf "$work"
    mkdir -p "$tree"
    python3 - "$tree" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(20240601)
words = ["archive", "task", "folder", "圧縮", "展開", "ファイル", "list", "window", "setting", "表示",
         "data", "queue", "library", "name", "size", "time", "error", "完了", "entry", "buffer"]
def text(size):
    lines, total = [], 0
    while total < size:
        line = " ".join(rng.choice(words) for _ in range(rng.randint(4, 14))) + " %d\n" % rng.randint(0, 99999)
        lines.append(line)
        total += len(line.encode())
    return "".join(lines).encode()[:size]
for d in range(8):                       # ~60 MB of text in 8 folders
    folder = os.path.join(root, "text%d" % d)
    os.makedirs(folder)
    for i in range(25):
        with open(os.path.join(folder, "doc%03d.txt" % i), "wb") as f:
            f.write(text(300 * 1024))
os.makedirs(os.path.join(root, "random"))
for i in range(30):                      # ~30 MB incompressible
    with open(os.path.join(root, "random", "blob%02d.bin" % i), "wb") as f:
        f.write(os.urandom(1024 * 1024))
# ASCII names: a Linux zip stores locale bytes, not CP932.
for i in range(2000):                    # ~8 MB in many small files, 100 to a folder
    small = os.path.join(root, "small", "notes%02d" % (i // 100))
    os.makedirs(small, exist_ok=True)
    with open(os.path.join(small, "note%04d.txt" % i), "wb") as f:
        f.write(text(rng.randint(1024, 7 * 1024)))
with open(os.path.join(root, "big.log"), "wb") as f:   # one large, mixed file
    f.write(text(6 * 1024 * 1024) + os.urandom(2 * 1024 * 1024))
PY
    touch "$work/tree.v3"
fi

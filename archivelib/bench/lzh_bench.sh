#!/usr/bin/env bash
# Benchmark, not a test: lzh creation by fdarc.dll under Wine ("Unlha",
# "a -d1", -lh7-) on a mixed tree of tens of MB. No free tool writes lzh, so
# the floor is `tar | gzip -6` of the same tree, run natively in the same
# run: prints seconds, MB/s and sizes, and checks the archive with lha t.
#   archivelib/bench/lzh_bench.sh [BUILD_DIR]   default: a Release build in build/archivelib-bench
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
runs=${RUNS:-2}
build=${1:-$root/build/archivelib-bench}
if [ $# -eq 0 ]; then
    cmake -S "$root/archivelib" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-win64.cmake" >/dev/null
    cmake --build "$build" --target fdarc fdarc_driver >/dev/null
fi
driver=$build/fdarc_driver.exe
[ -f "$driver" ] || driver=$build/archivelib/fdarc_driver.exe
dll="$(dirname "$driver")/fdarc.dll"
wine_run=$root/tools/wine-run.sh
work=${BENCH_DIR:-/tmp/fdarc-lzh-bench}
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

tree=$work/tree
if [ ! -f "$work/tree.v1" ]; then
    rm -rf "$work"
    mkdir -p "$tree"
    python3 - "$tree" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(20261207)
words = ["archive", "task", "folder", "圧縮", "展開", "ファイル", "list", "window", "setting", "表示",
         "data", "queue", "library", "name", "size", "time", "error", "完了", "entry", "buffer"]
def text(size):
    lines, total = [], 0
    while total < size:
        line = " ".join(rng.choice(words) for _ in range(rng.randint(4, 14))) + " %d\n" % rng.randint(0, 99999)
        lines.append(line)
        total += len(line.encode())
    return "".join(lines).encode()[:size]
for d in range(4):                       # 30 MB of text
    folder = os.path.join(root, "text%d" % d)
    os.makedirs(folder)
    for i in range(25):
        with open(os.path.join(folder, "doc%03d.txt" % i), "wb") as f:
            f.write(text(300 * 1024))
os.makedirs(os.path.join(root, "random"))
for i in range(10):                      # 10 MB incompressible
    with open(os.path.join(root, "random", "blob%02d.bin" % i), "wb") as f:
        f.write(os.urandom(1024 * 1024))
for i in range(1000):                    # 4 MB in many small files
    small = os.path.join(root, "small", "notes%02d" % (i // 100))
    os.makedirs(small, exist_ok=True)
    with open(os.path.join(small, "note%04d.txt" % i), "wb") as f:
        f.write(text(rng.randint(1024, 7 * 1024)))
PY
    touch "$work/tree.v1"
fi
megabytes=$(du -sb "$tree" | awk '{print $1 / 1000000}')
echo "tree: $megabytes MB in $(find "$tree" -type f | wc -l) files"

WINEPREFIX="${FARDELIX_WINEPREFIX:-$root/build/wineprefix}" /usr/lib/wine/wineserver -p 30 </dev/null >/dev/null 2>&1 || true
mkdir -p "$work/lib"
cp "$dll" "$work/lib/UNLHA32.DLL"
"$wine_run" "$driver" "$(winpath "$work/lib/UNLHA32.DLL")" Unlha count 'Z:\nonexistent' >/dev/null 2>&1 || true
cat "$tree"/*/* "$tree"/small/*/* >/dev/null 2>&1 || true   # warm the page cache
printf '"%s"\n' $(cd "$tree" && ls) > "$work/list.tmp"
printf 'a -d1 "%s" "%s\\" "@%s"' "$(winpath "$work/dll.lzh")" "$(winpath "$tree")" "$(winpath "$work/list.tmp")" > "$work/cmd.txt"

now() { date +%s.%N; }
best_gzip=999999 best_dll=999999
for run in $(seq 1 "$runs"); do
    start=$(now); (cd "$tree" && tar cf - . | gzip -6 > "$work/native.tar.gz"); end=$(now)
    best_gzip=$(echo "t = $end - $start; if (t < $best_gzip) t else $best_gzip" | bc -l)
    rm -f "$work/dll.lzh"
    start=$(now)
    "$wine_run" "$driver" "$(winpath "$work/lib/UNLHA32.DLL")" Unlha run "$(winpath "$work/cmd.txt")" >/dev/null
    end=$(now)
    best_dll=$(echo "t = $end - $start; if (t < $best_dll) t else $best_dll" | bc -l)
done
lha t "$work/dll.lzh" >/dev/null 2>&1 || { echo "lha t rejects the DLL's archive"; exit 1; }
lzh=$(stat -c %s "$work/dll.lzh") gz=$(stat -c %s "$work/native.tar.gz")
printf 'best of %d runs:\n' "$runs"
printf 'tar | gzip -6   %6.2f s  %6.1f MB/s  %10d bytes\n' "$best_gzip" "$(echo "$megabytes / $best_gzip" | bc -l)" "$gz"
printf 'DLL a -d1 lh7   %6.2f s  %6.1f MB/s  %10d bytes\n' "$best_dll" "$(echo "$megabytes / $best_dll" | bc -l)" "$lzh"
printf 'time ratio %.2f, size ratio %.3f\n' "$(echo "$best_dll / $best_gzip" | bc -l)" "$(echo "$lzh / $gz" | bc -l)"

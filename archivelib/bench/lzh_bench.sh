#!/usr/bin/env bash
# Benchmark, not a test: lzh creation by fdarc.dll under Wine ("Unlha",
# "a -d1", -lh7-) on the ~100 MB tree of the other library benchmarks. No free tool writes lzh, so
# the floor is `tar | gzip -6` of the same tree, run natively in the same
# run: prints seconds, MB/s and sizes, and checks the archive with lha t.
#   archivelib/bench/lzh_bench.sh [BUILD_DIR]   default: a Release build in build/archivelib-bench
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
runs=${RUNS:-3}
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
work=${BENCH_DIR:-/tmp/fdarc-bench}
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

source "$root/archivelib/bench/tree.sh"
out=$work/lzh
mkdir -p "$out"
megabytes=$(du -sb "$tree" | awk '{print $1 / 1000000}')
echo "tree: $megabytes MB in $(find "$tree" -type f | wc -l) files; library $dll"
echo "load before:$(uptime | sed 's/.*load average: //')"

WINEPREFIX="${FARDELIX_WINEPREFIX:-$root/build/wineprefix}" /usr/lib/wine/wineserver -p 30 </dev/null >/dev/null 2>&1 || true
mkdir -p "$out/lib"
cp "$dll" "$out/lib/UNLHA32.DLL"
"$wine_run" "$driver" "$(winpath "$out/lib/UNLHA32.DLL")" Unlha count 'Z:\nonexistent' >/dev/null 2>&1 || true
cat "$tree"/*/* "$tree"/small/*/* >/dev/null 2>&1 || true   # warm the page cache
printf '"%s"\n' $(cd "$tree" && ls) > "$out/list.tmp"
printf 'a -d1 "%s" "%s\\" "@%s"' "$(winpath "$out/dll.lzh")" "$(winpath "$tree")" "$(winpath "$out/list.tmp")" > "$out/cmd.txt"

now() { date +%s.%N; }
best_gzip=999999 best_dll=999999 best_call=999999
for run in $(seq 1 "$runs"); do
    sync
    start=$(now); (cd "$tree" && tar cf - . | gzip -6 > "$out/native.tar.gz"); end=$(now)
    gzip_t=$(echo "$end - $start" | bc -l)
    best_gzip=$(echo "t = $gzip_t; if (t < $best_gzip) t else $best_gzip" | bc -l)
    rm -f "$out/dll.lzh"
    sync
    start=$(now)
    call=$("$wine_run" "$driver" "$(winpath "$out/lib/UNLHA32.DLL")" Unlha run "$(winpath "$out/cmd.txt")" 2>&1 >/dev/null |
        tr -d '\r' | awk '/call_seconds/ {print $2}')
    end=$(now)
    dll_t=$(echo "$end - $start" | bc -l)
    best_dll=$(echo "t = $dll_t; if (t < $best_dll) t else $best_dll" | bc -l)
    best_call=$(echo "t = $call; if (t < $best_call) t else $best_call" | bc -l)
    printf 'run %d: tar | gzip -6 %.2f s, DLL %.2f s (call %.2f s)\n' "$run" "$gzip_t" "$dll_t" "$call"
done
lha t "$out/dll.lzh" >/dev/null 2>&1 || { echo "lha t rejects the DLL's archive"; exit 1; }
lzh=$(stat -c %s "$out/dll.lzh") gz=$(stat -c %s "$out/native.tar.gz")
printf 'best of %d runs:\n' "$runs"
printf 'tar | gzip -6   %6.2f s  %6.1f MB/s  %10d bytes\n' "$best_gzip" "$(echo "$megabytes / $best_gzip" | bc -l)" "$gz"
printf 'DLL a -d1 lh7   %6.2f s  %6.1f MB/s  %10d bytes\n' "$best_dll" "$(echo "$megabytes / $best_dll" | bc -l)" "$lzh"
printf 'DLL call only   %6.2f s\n' "$best_call"
printf 'time ratio %.2f (call only %.2f), size ratio %.3f\n' "$(echo "$best_dll / $best_gzip" | bc -l)" \
    "$(echo "$best_call / $best_gzip" | bc -l)" "$(echo "$lzh / $gz" | bc -l)"
echo "load after:$(uptime | sed 's/.*load average: //')"

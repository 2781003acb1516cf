#!/usr/bin/env bash
# Benchmark, not a test: fdarc.dll under Wine against Info-ZIP on the same
# ~100 MB tree of mixed files (compressible text, random data, many small
# files). Creating: DLL "-r" vs `zip -r -6`; extracting the same archive:
# DLL "-x -o" vs `unzip`. Best of RUNS; prints seconds and ratios (goal <= 1.3).
#   archivelib/bench/bench.sh [BUILD_DIR]   default: a Release build in build/archivelib-bench
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

# ---------------------------------------------------------------- the tree (made once, reused)
source "$root/archivelib/bench/tree.sh"
echo "tree: $(du -sm "$tree" | cut -f1) MB in $(find "$tree" -type f | wc -l) files; library $dll"
echo "load before:$(uptime | sed 's/.*load average: //')"

# Keep one wineserver alive so each run pays only the program's own start.
WINEPREFIX="${FARDELIX_WINEPREFIX:-$root/build/wineprefix}" /usr/lib/wine/wineserver -p 30 </dev/null >/dev/null 2>&1 || true
"$wine_run" "$driver" "$(winpath "$dll")" Zip count 'Z:\nonexistent' >/dev/null 2>&1 || true

cat "$tree"/*/* "$tree"/small/*/* >/dev/null 2>&1 || true   # warm the page cache
printf '"%s"\n' $(cd "$tree" && ls) > "$work/list.tmp"

best() { LC_ALL=C sort -g | head -1; }
now() { date +%s.%N; }

dll_call() {  # prefix, command line -> prints "wall call"
    printf '%s' "$2" > "$work/cmd.txt"
    local start end call
    start=$(now)
    call=$("$wine_run" "$driver" "$(winpath "$dll")" "$1" run "$(winpath "$work/cmd.txt")" 2>&1 >/dev/null | tr -d '\r' | awk '/call_seconds/ {print $2}')
    end=$(now)
    echo "$(echo "$end - $start" | bc) $call"
}

zip_native=() zip_wall=() zip_call=() unzip_native=() unzip_wall=() unzip_call=()
# Both extract into new folders of each run on tmpfs (BENCH_XDIR to choose
# another place), as bench-formats.sh does: on this machine's ext4 a file
# created soon after thousands were deleted costs several times as much.
xdir=${BENCH_XDIR:-/dev/shm/fdarc-bench-zip}
rm -rf "$xdir"
mkdir -p "$xdir"
for run in $(seq 1 "$runs"); do
    rm -f "$work/native.zip" "$work/dll.zip"
    start=$(now); (cd "$tree" && zip -q -r -6 "$work/native.zip" .); end=$(now)
    zip_native+=("$(echo "$end - $start" | bc)")
    read -r wall call < <(dll_call Zip "-r \"$(winpath "$work/dll.zip")\" \"$(winpath "$tree")\\\" \"@$(winpath "$work/list.tmp")\"")
    zip_wall+=("$wall") zip_call+=("$call")

    sync
    start=$(now); unzip -q "$work/native.zip" -d "$xdir/x-native.$run"; end=$(now)
    unzip_native+=("$(echo "$end - $start" | bc)")
    sync
    read -r wall call < <(dll_call UnZip "-x -o \"$(winpath "$work/native.zip")\" \"$(winpath "$xdir/x-dll.$run")\\\"")
    unzip_wall+=("$wall") unzip_call+=("$call")
    echo "run $run: zip -r -6 ${zip_native[-1]} s, DLL -r ${zip_wall[-1]} s (call ${zip_call[-1]} s); unzip ${unzip_native[-1]} s, DLL -x ${unzip_wall[-1]} s (call ${unzip_call[-1]} s)"
done
diff -r "$tree" "$xdir/x-dll.1" >/dev/null || { echo "DLL extraction differs from the tree"; exit 1; }
rm -rf "$xdir"
unzip -tq "$work/dll.zip" >/dev/null || { echo "unzip -t rejects the DLL's zip"; exit 1; }

report() {  # label native-times wall-times call-times
    local label=$1 native wall call
    native=$(printf '%s\n' $2 | best); wall=$(printf '%s\n' $3 | best); call=$(printf '%s\n' $4 | best)
    printf '%-10s native %6.2f s   DLL under Wine %6.2f s (call %6.2f s)   ratio %.2f (call only %.2f)\n' \
        "$label" "$native" "$wall" "$call" "$(echo "$wall / $native" | bc -l)" "$(echo "$call / $native" | bc -l)"
}
echo "best of $runs runs:"
report create "${zip_native[*]}" "${zip_wall[*]}" "${zip_call[*]}"
report extract "${unzip_native[*]}" "${unzip_wall[*]}" "${unzip_call[*]}"
echo "sizes: zip -6 $(stat -c %s "$work/native.zip") bytes, DLL $(stat -c %s "$work/dll.zip") bytes"
echo "load after:$(uptime | sed 's/.*load average: //')"

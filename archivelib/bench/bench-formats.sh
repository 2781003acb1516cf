#!/usr/bin/env bash
# Benchmark, not a test: fdarc.dll under Wine against the native tools on the
# same ~100 MB tree as bench.sh (text, random data, many small files).
#   7z:  DLL "a -t7z -ms=off" vs `7z a -t7z -ms=off -mx=5`; extracting the
#        native archive: DLL "x -aoa" vs `7z x` (goal: ratios <= 1.3)
#   cab: DLL "-a -r -o" vs `gcab -c -z` (when the library writes cab)
# Best of RUNS; prints seconds, ratios and archive sizes.
#   archivelib/bench/bench-formats.sh [BUILD_DIR]   default: build/win64 (built if needed)
# build/win64 compiles the library's own code unoptimised; give
# build/win64-release/archivelib for the optimised library that ships. The
# ratios hold for one run on a machine as loaded as it was (printed).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
runs=${RUNS:-3}
build=${1:-$root/build/win64}
if [ $# -eq 0 ]; then
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 --target fdarc fdarc_driver >/dev/null
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
out=$work/formats
mkdir -p "$out"

dll_call() {  # prefix, command line -> prints "wall call result"
    printf '%s' "$2" > "$out/cmd.txt"
    local start end call
    sync  # what the step before wrote is not written back during this one
    start=$(now)
    call=$("$wine_run" "$driver" "$(winpath "$dll")" "$1" run "$(winpath "$out/cmd.txt")" 2>&1 >"$out/call.log" | tr -d '\r' | awk '/call_seconds/ {print $2}' || true)
    end=$(now)
    echo "$(echo "$end - $start" | bc) $call $(sed -n 's/^result \([0-9]*\).*/\1/p' "$out/call.log")"
}
timed() {
    local start end
    sync
    start=$(now)
    "$@" >/dev/null 2>&1 || echo "bench: failed: $*" >&2
    end=$(now)
    echo "$end - $start" | bc
}

declare -A native wall call
add() { native[$1]+="$2 "; wall[$1]+="$3 "; call[$1]+="$4 "; }
cab_supported=1
# Both extract into new folders of each run on tmpfs (BENCH_XDIR to choose
# another place): this machine's ext4 has no journal, and without one every
# file created within minutes of thousands being deleted scans past those
# deleted inodes, in whichever process creates it (the Wine server for the
# DLL), which swung the extraction times threefold from run to run.
xdir=${BENCH_XDIR:-/dev/shm/fdarc-bench-x}
rm -rf "$xdir"
mkdir -p "$xdir"
for run in $(seq 1 "$runs"); do
    rm -f "$out/native.7z" "$out/dll.7z"
    t=$(cd "$tree" && timed 7z a -bd -t7z -ms=off -mx=5 "$out/native.7z" -- .)
    read -r w c r < <(dll_call SevenZip "a -t7z -ms=off \"$(winpath "$out/dll.7z")\" \"$(winpath "$tree")\\\" \"@$(winpath "$work/list.tmp")\"")
    [ "$r" = 0 ] || { echo "DLL 7z creation failed ($r)"; cat "$out/call.log"; exit 1; }
    add create7z "$t" "$w" "$c"

    t=$(timed 7z x -bd -o"$xdir/x-native.$run" "$out/native.7z")
    read -r w c r < <(dll_call SevenZip "x -aoa \"$(winpath "$out/native.7z")\" \"$(winpath "$xdir/x-dll.$run")\\\"")
    [ "$r" = 0 ] || { echo "DLL 7z extraction failed ($r)"; exit 1; }
    add extract7z "$t" "$w" "$c"
    echo "run $run: 7z x $t s, DLL x $w s (call $c s)"

    rm -f "$out/native.cab" "$out/dll.cab"
    t=$(cd "$tree" && timed bash -c 'find . -type f -printf "%P\n" | xargs -d "\n" gcab -c -z "$0"' "$out/native.cab")
    if [ "$cab_supported" = 1 ]; then
        read -r w c r < <(dll_call Cab "-a -r -o \"$(winpath "$out/dll.cab")\" \"$(winpath "$tree")\\\" \"@$(winpath "$work/list.tmp")\"")
        if [ "$r" = 0 ]; then add createcab "$t" "$w" "$c"; else cab_supported=0; add createcab "$t" 0 0; fi
    fi
done
diff -r "$tree" "$xdir/x-dll.1" >/dev/null || { echo "DLL 7z extraction differs from the tree"; exit 1; }
rm -rf "$xdir"
7z t "$out/dll.7z" >/dev/null || { echo "7z t rejects the DLL's 7z"; exit 1; }

report() {  # label
    local label=$1 n w c
    n=$(printf '%s\n' ${native[$label]} | best); w=$(printf '%s\n' ${wall[$label]} | best); c=$(printf '%s\n' ${call[$label]} | best)
    printf '%-10s native %6.2f s   DLL under Wine %6.2f s (call %6.2f s)   ratio %.2f (call only %.2f)\n' \
        "$label" "$n" "$w" "$c" "$(echo "$w / $n" | bc -l)" "$(echo "$c / $n" | bc -l)"
}
echo "best of $runs runs:"
report create7z
report extract7z
if [ "$cab_supported" = 1 ]; then
    report createcab
    cabextract -t "$out/dll.cab" >/dev/null && echo "cabextract -t accepts the DLL's cab" || echo "cabextract -t REJECTS the DLL's cab"
else
    echo "createcab  native gcab -c -z $(printf '%s\n' ${native[createcab]} | best) s; the DLL does not write cab in this build"
fi
echo "sizes: 7z -mx=5 $(stat -c %s "$out/native.7z") bytes, DLL 7z $(stat -c %s "$out/dll.7z") bytes, gcab -z $(stat -c %s "$out/native.cab") bytes$( [ -f "$out/dll.cab" ] && echo ", DLL cab $(stat -c %s "$out/dll.cab") bytes")"
echo "load after:$(uptime | sed 's/.*load average: //')"

#!/usr/bin/env bash
# Checks that every include runs down the program's and the library's layers
# (and that the check catches each kind of wrong include), then builds the
# three presets and runs every test:
#   native  the window-free core with AddressSanitizer and UBSan (g++)
#   win32   the 32-bit release build, which cannot run here: its files and
#           its release zip, unpacked, are checked by tools/check-win32.sh
#   win64   the 64-bit build, whose tests run under Wine on a virtual display
# then runs each libFuzzer target of the core for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

fuzz_seconds="${FARDELIX_FUZZ_SECONDS:-30}"

echo "== layers: the include graphs of the program's and the library's folders"
python3 tools/check-layers.py
python3 tests/layers/check_layers_test.py

echo "== native: build and test with sanitizers"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== win32: release build"
cmake --preset win32 >/dev/null
cmake --build --preset win32
bash tools/check-win32.sh build/win32

echo "== win64: build and test under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64
# A Wine server left from an earlier display would keep that display.
WINEPREFIX="$PWD/build/wineprefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset win64

if ls tests/fuzz/fuzz_*.cpp >/dev/null 2>&1; then
    echo "== fuzz: libFuzzer targets, ${fuzz_seconds} s each"
    cmake -S . -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DFARDELIX_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build build/fuzz
    for source in tests/fuzz/fuzz_*.cpp archivelib/tests/native/fuzz_*.cpp; do
        name=$(basename "$source" .cpp)
        corpus="build/fuzz/corpus/$name"
        mkdir -p "$corpus"
        seeds="tests/fuzz/corpus/$name"
        echo "-- $name"
        build/fuzz/"$name" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" \
            $( [ -d "$seeds" ] && echo "$seeds" ) 2>&1 | tail -n 3
    done
fi
echo "== fuzz: the bundled archiver library's readers, ${fuzz_seconds} s each"
bash archivelib/fuzz/run.sh "$fuzz_seconds"
echo "All builds and tests passed."

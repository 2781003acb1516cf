#!/usr/bin/env bash
# Builds the file-list benchmark, makes folders of 1,000, 5,000 and 20,000
# files (each with one small subfolder, so folder rows are part of the
# totals), and runs it under Wine: times of adding a folder's entries (a),
# of adding the same paths one by one (b), of the bare open-and-insert loop
# (c), and the ratios (a)/(c) and (b)/(c).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target bench_filelist
root="build/bench-data"
folders=()
for count in 1000 5000 20000; do
    folder="$root/n$count"
    if [ ! -f "$folder/.complete" ]; then
        rm -rf "$folder"
        mkdir -p "$folder/sub"
        for i in $(seq 1 10); do printf 'inner %d\n' "$i" > "$folder/sub/inner$i.txt"; done
        (cd "$folder" && seq -f 'file%05g.txt' 1 $((count - 1)) | xargs -n 1000 touch)
        for f in "$folder"/file0000*.txt; do printf 'some bytes\n' > "$f"; done
        touch "$folder/.complete"
    fi
    folders+=("Z:$(realpath "$folder" | tr '/' '\\')")
done
xvfb-run -a tools/wine-run.sh build/win64/bench_filelist.exe "${folders[@]}"

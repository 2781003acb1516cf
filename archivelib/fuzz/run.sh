#!/usr/bin/env bash
# Builds the archive readers natively with clang, libFuzzer, AddressSanitizer
# and UBSan, and fuzzes each target for SECONDS (default 30) from the seed
# archives in corpus/ (made by GNU tar, gzip, Info-ZIP, 7-Zip and Python).
#   bash archivelib/fuzz/run.sh [SECONDS]
# Findings land in build/archivelib-fuzz/ as crash-*, leak-* or timeout-*.
set -euo pipefail
seconds=${1:-${FARDELIX_FUZZ_SECONDS:-30}}
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
lib="$here/.."
out="$here/../../build/archivelib-fuzz"
mkdir -p "$out"
core=("$lib/base/bytesource.cpp" "$lib/base/mbname.cpp" "$lib/tar/tarread.cpp" "$lib/base/textconv.cpp" "$lib/base/namecharset.cpp" "$lib/zip/zipread.cpp" "$here/native.cpp")
includes=(-I "$lib")
flags=(-std=c++17 -g -O1 -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
status=0
for target in tar zip; do
    echo "-- fuzz_$target: building"
    clang++ "${flags[@]}" "${includes[@]}" -o "$out/fuzz_$target" "$here/fuzz_$target.cpp" "${core[@]}" -lz
    corpus="$out/corpus-$target"
    mkdir -p "$corpus"
    echo "-- fuzz_$target: ${seconds} s"
    # A member may inflate to 64 MiB in the sink's count, never in memory.
    log="$out/fuzz_$target.log"
    if (cd "$out" && ./"fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
            -artifact_prefix="$out/fuzz_$target-" -print_final_stats=1 "$corpus" "$here/corpus/$target" >"$log" 2>&1); then
        grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)" "$log" || true
    else
        tail -n 40 "$log"
        echo "fuzz_$target: a finding, see $log and $out/fuzz_$target-*"
        status=1
    fi
done
exit $status

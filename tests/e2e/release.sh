#!/usr/bin/env bash
# The release as a new user gets it: the 64-bit release zip, made by CPack
# from the build, unpacked into a Wine prefix where no archiver library is
# installed, and fardelix.exe started from its own folder with a zip, a 7z,
# an lzh, a cab, a tar.xz and a rar made by other tools. Every task must run
# to 完了 with the bundled library alone, and each extracted tree must match
# what the other tools put in or take out.
#   release.sh WINE_RUN TESTS_EXE BUILD_DIR WORK_DIR
# WORK_DIR is emptied except its Wine prefix ("prefix"), kept between runs
# because making one takes a while; every library name is removed from its
# system folders before the run. fardelix.exe is driven by EndToEndTest of
# TESTS_EXE (FARDELIX_E2E_PROGRAM names the unpacked program).
set -euo pipefail
wine_run=$1
tests_exe=$2
build=$3
work=$4
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
trees() { python3 "$here/trees.py" "$@"; }
source "$here/../../archivelib/tests/check_helpers.sh"
started=$(date +%s)

prefix=$work/prefix
mkdir -p "$work"
find "$work" -mindepth 1 -maxdepth 1 ! -name prefix -exec rm -rf {} +
unset WINEPREFIX
export FARDELIX_WINEPREFIX=$prefix
end_server() { WINEPREFIX=$prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; }
end_server
trap end_server EXIT

# ---------------------------------------------------------------- the release zip
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
zip=$(ls "$work"/package/fardelix-*-win64.zip)
mkdir -p "$work/unpacked"
unzip -q "$zip" -d "$work/unpacked"
app=$(ls -d "$work"/unpacked/fardelix-*-win64)
[ -f "$app/fardelix.exe" ] && [ -f "$app/archivers/fdarc.dll" ] &&
    pass "$(basename "$zip"): fardelix.exe with archivers/fdarc.dll" || fail "$(basename "$zip") lacks its program or library"
stray=$(find "$app" -maxdepth 1 -iname '*.dll')
[ -z "$stray" ] && pass "no DLL beside fardelix.exe" || fail "DLLs beside fardelix.exe: $stray"

# ---------------------------------------------------------------- a prefix without libraries
[ -f "$prefix/system.reg" ] || "$wine_run" cmd /c exit >/dev/null 2>&1 || true
mapfile -t library_names < "$here/../../archivelib/library-names.txt"
library_names+=(Bga32.dll Yz1.dll UnAceV2J.dll UnGCA32.dll UNARJ32J.DLL)
for folder in "$prefix/drive_c/windows/system32" "$prefix/drive_c/windows/syswow64" "$prefix/drive_c/windows"; do
    for name in "${library_names[@]}"; do
        find "$folder" -maxdepth 1 -iname "$name" -delete 2>/dev/null || true
    done
done
echo "prefix ready after $(($(date +%s) - started)) s"

# ---------------------------------------------------------------- archives of other tools
# 表 ソ 能 end in 0x5C in code page 932.
src=$work/src
mkdir -p "$src/ソフト/表計算" "$src/予定"
printf '表示のテキスト\r\n' | cp932 > "$src/ソフト/表示.txt"
printf 'ソフトの能力\n' > "$src/ソフト/表計算/能力.txt"
for i in $(seq 1 500); do echo "予定 line $i"; done > "$src/予定/議事録.txt"
head -c 50000 /dev/urandom > "$src/能力.dat"
tops=("ソフト" "予定" "能力.dat")
raw=$work/raw
mkdir -p "$raw"
trees rawcopy "$src" "$raw" "${tops[@]}"
raw_tops=(); for top in "${tops[@]}"; do raw_tops+=("$(printf '%s' "$top" | cp932)"); done
in=$work/in
mkdir -p "$in"/{zip,7z,lzh,cab,txz,rar}
(cd "$raw" && LC_ALL=C zip -q -r -X "$in/zip/x.zip" -- "${raw_tops[@]}")
(cd "$src" && LC_ALL=C.UTF-8 7z a -bd "$in/7z/x.7z" -- "${tops[@]}" >/dev/null)
(cd "$raw" && tar cJf "$in/txz/x.tar.xz" -- "${raw_tops[@]}")
# Every folder of the tree holds a file: the cab, which stores files only, holds it all.
(cd "$src" && find "${tops[@]}" -type f -print0 | xargs -0 gcab -c -z "$in/cab/x.cab")
# lzh and rar from libarchive's test archives (made by LHA and WinRAR), with
# what lha and bsdtar take out of them as the reference.
la_test=$build/archivelib/deps/src/libarchive-3.6.2/libarchive/test
uudecode -o "$in/lzh/x.lzh" "$la_test/test_read_format_lha_filename_cp932.lzh.uu"
uudecode -o "$in/rar/x.rar" "$la_test/test_read_format_rar5_multiple_files.rar.uu"
mkdir -p "$work/ref/lzh" "$work/ref/rar"
(cd "$work/ref/lzh" && lha xq "$in/lzh/x.lzh" 2>/dev/null) || true
bsdtar -xf "$in/rar/x.rar" -C "$work/ref/rar"

# ---------------------------------------------------------------- the program, started from its folder
printf '[CONFIG]\r\nDefCompType=0\r\nDefMeltAuto=0\r\nDefMeltOverwrite=0\r\nDefError=0\r\n' > "$app/fardelix.ini"
kinds=(zip/x.zip 7z/x.7z lzh/x.lzh cab/x.cab txz/x.tar.xz rar/x.rar)
{ echo extraction; for arc in "${kinds[@]}"; do winpath "$in/$arc"; done; } | cp932 > "$app/arguments.txt"
log=$work/driver.log
if FARDELIX_E2E_DIR=$(winpath "$app") FARDELIX_E2E_PROGRAM=$(winpath "$app/fardelix.exe") \
    "$wine_run" "$tests_exe" --gtest_filter='EndToEndTest.*' > "$log" 2>&1 &&
    grep -q '^\[  PASSED  \] 1 test' "$log" && ! grep -q 'SKIPPED' "$log"; then
    pass "the unpacked program ran every task to its end"
else
    fail "the driver failed"
    sed 's/^/  | /' "$log" | utf8
fi
results=$(utf8 < "$app/results.txt" 2>/dev/null || true)
statuses=$(echo "$results" | cut -f1 | tr '\n' ' ')
[ "$statuses" = "完了 完了 完了 完了 完了 完了 " ] && pass "all six tasks 完了" ||
    { fail "task rows: $statuses"; echo "$results" | sed 's/^/  /'; }

# DefMeltAuto=0: each archive is extracted into a new folder named after it.
out() { find "$in/$1" -mindepth 1 -maxdepth 1 -type d | head -n 1; }
for kind in zip 7z txz cab; do
    trees compare "$src" "$(out $kind)" same "${tops[@]}" && pass "$kind: the extracted tree matches the sources" ||
        fail "$kind: the extracted tree differs from the sources"
done
trees files "$work/ref/lzh" "$(out lzh)" && pass "lzh: the files lha extracts, byte-identical" || fail "lzh: differs from lha"
trees files "$work/ref/rar" "$(out rar)" && pass "rar: the files bsdtar extracts, byte-identical" || fail "rar: differs from bsdtar"

echo "release end to end: $failures failure(s) in $(($(date +%s) - started)) s"
[ "$failures" -eq 0 ]

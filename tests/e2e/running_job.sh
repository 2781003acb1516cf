#!/usr/bin/env bash
# A running job under Wine with the bundled archiver library, as a user
# sees it: progress while a few hundred MB are compressed, stops that leave
# nothing half-made, reasons of failed tasks, retry, and keys typed while
# the library works.
#   running_job.sh WINE_RUN TESTS_EXE FDARC_DLL WORK_DIR
# WORK_DIR is emptied except its Wine prefix ("prefix"). fardelix.exe is
# driven by RunningJobTest of TESTS_EXE; this script makes the sources and
# the task list, then checks the files the stopped runs left behind.
# With FARDELIX_SHOTS set to a Linux folder the driver's screenshots land
# there as PNG files.
set -euo pipefail
wine_run=$1
tests_exe=$2
dll=$3
work=$4
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../archivelib/tests/check_helpers.sh"
started=$(date +%s)

source "$here/prefix.sh"
prepare_prefix "$work" "$dll"
system=$prefix/drive_c/windows/system32

# ---------------------------------------------------------------- the sources
# big.bin: random bytes written as base64 text, 300 MB. Deflate finds few
# matches in it and still gains a quarter, so the library compresses it
# (random bytes would be stored at copying speed) and takes some seconds.
run=$work/run
mkdir -p "$run/src/big" "$run/src/small" "$run/out" "$run/in" "$run/dest" "$run/dest-corrupt" "$run/fix"
python3 - "$run/src/big/big.bin" <<'EOF'
import base64, os, sys
with open(sys.argv[1], "wb") as out:
    for _ in range(75):
        out.write(base64.encodebytes(os.urandom(3 * 1024 * 1024)))
EOF
printf 'notes beside the big file\n' > "$run/src/big/notes.txt"
for i in $(seq 1 200); do echo "small line $i"; done > "$run/src/small/small.txt"
(cd "$run/src" && zip -q -r "$run/out/upd.zip" small) # an archive to be updated with big/
cp "$run/out/upd.zip" "$run/upd-before.zip"
(cd "$run/src" && zip -q -1 -r "$run/in/big.zip" small big)
# A deflated member with bytes of its data changed: counted, but its
# extraction fails. The mended archive is kept in fix/.
for i in $(seq 1 3000); do echo "corrupt line $i"; done > "$run/corrupt.txt"
(cd "$run" && zip -q -9 "$run/fix/corrupt.zip" corrupt.txt)
cp "$run/fix/corrupt.zip" "$run/in/corrupt.zip"
python3 - "$run/in/corrupt.zip" <<'EOF'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
start = 30 + int.from_bytes(data[26:28], "little") + int.from_bytes(data[28:30], "little")
for at in range(start + 40, start + 60):
    data[at] ^= 0x5A
open(path, "wb").write(data)
EOF
# The tar library is missing until the driver puts it back from fix/.
mv "$system/tar32.dll" "$run/fix/tar32.dll"

w() { winpath "$1"; }
{
    printf '#fardelix\r\n'
    task() { printf '#TASKSTART\r\narcpath=%s\r\ntask=%s\r\nflag=%s\r\n%s\r\n#TASKEND\r\n' "$@"; }
    task "$(w "$run/out/new.zip")" 0 0 "$(w "$run/src/big")"
    task "$(w "$run/out/upd.zip")" 0 0 "$(w "$run/src/big")"
    task "$(w "$run/out/small.zip")" 0 0 "$(w "$run/src/small")"
    task "$(w "$run/in/big.zip")" 1 1 "$(w "$run/dest")\\"
    task "$(w "$run/in/corrupt.zip")" 1 1 "$(w "$run/dest-corrupt")\\"
    task "$(w "$run/out/small.tar")" 0 3 "$(w "$run/src/small")"
} > "$run/list.fdl"
printf '[CONFIG]\r\nDefCompType=0\r\nDefMeltAuto=1\r\nDefMeltOverwrite=1\r\nDefError=0\r\n' > "$run/fardelix.ini"
echo "sources ready after $(($(date +%s) - started)) s"

# ---------------------------------------------------------------- the program
shots_env=()
if [ -n "${FARDELIX_SHOTS:-}" ]; then
    mkdir -p "$FARDELIX_SHOTS"
    shots_env=(FARDELIX_SHOTS="$(winpath "$FARDELIX_SHOTS")")
fi
log=$run/driver.log
if env FARDELIX_RUNNING_JOB_DIR="$(winpath "$run")" "${shots_env[@]}" "$wine_run" "$tests_exe" \
    --gtest_filter='RunningJobTest.*' > "$log" 2>&1 && grep -q '^\[  PASSED  \] 1 test' "$log" &&
    ! grep -q 'SKIPPED' "$log"; then
    pass "the driver saw progress, stops within a second, reasons, retry and keys during a run"
else
    fail "the driver failed"
    sed 's/^/  | /' "$log" | utf8
fi
[ -f "$run/results.txt" ] && utf8 < "$run/results.txt" | sed 's/^/  measured: /'
if [ -n "${FARDELIX_SHOTS:-}" ]; then
    for bmp in "$FARDELIX_SHOTS"/*.bmp; do
        [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done
fi

# ---------------------------------------------------------------- what was left
[ ! -e "$run/out/new.zip" ] && pass "the stopped new archive does not exist" || fail "out/new.zip exists after the stop"
cmp -s "$run/out/upd.zip" "$run/upd-before.zip" && pass "the stopped update left its archive byte-identical" ||
    fail "out/upd.zip changed although its update was stopped"
stray=$(cd "$run/out" && ls -A | grep -v -x -e upd.zip -e small.zip -e small.tar || true)
[ -z "$stray" ] && pass "no temporary file beside the archives" || fail "left in out/: $stray"
unzip -tq "$run/out/small.zip" >/dev/null 2>&1 && pass "the queued small.zip is whole" || fail "out/small.zip is not whole"
tar tf "$run/out/small.tar" 2>/dev/null | grep -q 'small/small.txt' && pass "small.tar made once its library was back" ||
    fail "out/small.tar missing or without small/small.txt"
cmp -s "$run/dest-corrupt/corrupt.txt" "$run/corrupt.txt" && pass "the mended archive extracted after F5" ||
    fail "dest-corrupt/corrupt.txt missing or different"
# The stopped extraction: every file there is whole; big.bin is whole or absent.
partial=""
while IFS= read -r -d '' file; do
    rel=${file#"$run/dest/"}
    cmp -s "$file" "$run/src/$rel" || partial+=" $rel"
done < <(find "$run/dest" -type f -print0)
[ -z "$partial" ] && pass "the stopped extraction left no partial file ($(find "$run/dest" -type f | wc -l) whole)" ||
    fail "partial or foreign files after the stopped extraction:$partial"
[ ! -e "$run/dest/big/big.bin" ] && pass "big.bin, stopped during its extraction, is absent" ||
    fail "big.bin exists after its extraction was stopped"
[ -f "$system/tar32.dll" ] || cp "$run/fix/tar32.dll" "$system/tar32.dll"

echo "running job: $failures failure(s) in $(($(date +%s) - started)) s"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# Jobs without a person ("fardelix.exe /run ...") under Wine with the
# bundled archiver library, checked on the Linux side: exit codes, the log,
# the archives (Info-ZIP and GNU tar), the list and settings files left
# byte-identical, and an interactive fardelix beside the job.
#   job.sh WINE_RUN TESTS_EXE FDARC_DLL WORK_DIR
# WORK_DIR is emptied except its Wine prefix ("prefix"). Each job is driven
# by JobTest of TESTS_EXE, which leaves what it saw in results.txt.
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
w() { winpath "$1"; }

# run_job FOLDER ARGUMENTS [INTERACTIVE_ARGUMENTS]: one job in FOLDER.
run_job() {
    local folder=$1
    mkdir -p "$folder"
    printf '%s\r\n' "$2" | cp932 > "$folder/arguments.txt"
    if [ $# -ge 3 ]; then
        mkdir -p "$folder/interactive"
        printf '%s\r\n' "$3" | cp932 > "$folder/interactive.txt"
    fi
    if FARDELIX_JOB_DIR=$(winpath "$folder") "$wine_run" "$tests_exe" --gtest_filter='JobTest.*' \
        > "$folder/driver.log" 2>&1 && grep -q '^\[  PASSED  \] 1 test' "$folder/driver.log" &&
        ! grep -q 'SKIPPED' "$folder/driver.log"; then
        pass "$(basename "$folder"): the job ended by itself"
    else
        fail "$(basename "$folder"): the driver failed"
        sed 's/^/  | /' "$folder/driver.log" | utf8
    fi
    [ -f "$folder/results.txt" ] || : > "$folder/results.txt"
}
# seen FOLDER KEY: a value the driver wrote.
seen() { sed -n "s/^$2=//p" "$1/results.txt" | tr -d '\r' | utf8; }
expect_seen() {
    local got
    got=$(seen "$1" "$2")
    [ "$got" = "$3" ] && pass "$(basename "$1"): $2 is $3" || fail "$(basename "$1"): $2 is '$got', not '$3'"
}
# log_text LOG: the log in UTF-8 without its CR.
log_text() { utf8 < "$1" | tr -d '\r'; }
crlf_only() {
    python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); sys.exit(0 if d.endswith(b"\r\n") and d.count(b"\n")==d.count(b"\r\n") else 1)' "$1"
}

# ---------------------------------------------------------------- five tasks from a list
# Two compressions and an extraction that succeed, an extraction of a
# damaged archive, a compression whose library (Bga32.dll) is not installed.
job=$work/list
src=$job/src
mkdir -p "$src/ソフト/表計算" "$src/予定" "$job/out" "$job/in" "$job/dest" "$job/dest-damaged"
printf '表示のテキスト\r\n' | cp932 > "$src/ソフト/表示.txt"
for i in $(seq 1 500); do echo "能力 line $i"; done > "$src/ソフト/表計算/能力.txt"
for i in $(seq 1 800); do echo "予定 $i"; done > "$src/予定/会議.txt"
head -c 50000 /dev/urandom > "$src/予定/data.bin"
mkdir -p "$job/good/docs"
for i in $(seq 1 300); do echo "good $i"; done > "$job/good/docs/a.txt"
printf 'second\n' > "$job/good/b.txt"
(cd "$job/good" && zip -q -r "$job/in/good.zip" docs b.txt)
for i in $(seq 1 3000); do echo "damaged line $i"; done > "$job/damaged.txt"
(cd "$job" && zip -q -9 "$job/in/damaged.zip" damaged.txt)
python3 - "$job/in/damaged.zip" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
start = 30 + int.from_bytes(data[26:28], "little") + int.from_bytes(data[28:30], "little")
for at in range(start + 40, start + 60):
    data[at] ^= 0x5A
open(path, "wb").write(data)
PY
{
    printf '#fardelix\r\n'
    task() { printf '#TASKSTART\r\narcpath=%s\r\ntask=%s\r\nflag=%s\r\n%s\r\n#TASKEND\r\n' "$@"; }
    task "$(w "$job/out/one.zip")" 0 0 "$(w "$src/ソフト")"
    task "$(w "$job/out/two.tar")" 0 3 "$(w "$src/予定")"
    task "$(w "$job/in/good.zip")" 1 1 "$(w "$job/dest")\\"
    task "$(w "$job/in/damaged.zip")" 1 1 "$(w "$job/dest-damaged")\\"
    task "$(w "$job/out/five.bga")" 0 5 "$(w "$src/予定")"
} | cp932 > "$job/nightly.fdl"
cp "$job/nightly.fdl" "$job/nightly-before.fdl"
# DefError=1 would show a box for every failure: a job must not.
printf '[CONFIG]\r\nDefCompType=0\r\nDefMeltAuto=2\r\nDefMeltOverwrite=0\r\nDefError=1\r\n' > "$job/fardelix.ini"
cp "$job/fardelix.ini" "$job/ini-before"
printf 'an earlier night\r\n' > "$job/nightly.log"
# An interactive fardelix with a list of its own is open beside the job.
mkdir -p "$job/interactive"
{
    printf '#fardelix\r\n#TASKSTART\r\narcpath=%s\r\ntask=0\r\nflag=0\r\n%s\r\n#TASKEND\r\n' \
        "$(w "$job/interactive/own.zip")" "$(w "$src/予定")"
} | cp932 > "$job/interactive/own.fdl"
cp "$job/interactive/own.fdl" "$job/own-before.fdl"
printf '[CONFIG]\r\nDefError=1\r\n' > "$job/interactive/fardelix.ini"
run_job "$job" "/run \"$(w "$job/nightly.fdl")\" /log \"$(w "$job/nightly.log")\"" "\"$(w "$job/interactive/own.fdl")\""
expect_seen "$job" exit 2
expect_seen "$job" dialogs 0
expect_seen "$job" window 1
expect_seen "$job" found_by_class 0
expect_seen "$job" interactive_responds 1
expect_seen "$job" interactive_before "停止"
expect_seen "$job" interactive_after "停止"
expect_seen "$job" interactive_found 1
cmp -s "$job/nightly.fdl" "$job/nightly-before.fdl" && pass "the list file is byte-identical" ||
    fail "the list file changed"
cmp -s "$job/fardelix.ini" "$job/ini-before" && pass "fardelix.ini is byte-identical" || fail "fardelix.ini changed"
cmp -s "$job/interactive/own.fdl" "$job/own-before.fdl" && pass "the interactive program's list file is untouched" ||
    fail "the interactive program's list file changed"
[ ! -e "$job/interactive/own.zip" ] && pass "the interactive program ran nothing" ||
    fail "the interactive program made own.zip"
unzip -tq "$job/out/one.zip" >/dev/null && pass "unzip -t accepts one.zip" || fail "unzip -t rejects one.zip"
python3 - "$src" "$job/out/one.zip" "$job/out/two.tar" <<'PY' && pass "one.zip and two.tar hold their trees byte-identical" || fail "an archive's tree differs"
import os, sys, tarfile, zipfile
src, zip_path, tar_path = sys.argv[1:4]
def tree(top):
    out = {}
    for folder, _, names in os.walk(os.path.join(src, top)):
        for name in names:
            path = os.path.join(folder, name)
            out[os.path.relpath(path, src)] = open(path, "rb").read()
    return out
def name(info, utf8):
    return info if utf8 else info.encode("cp437").decode("cp932")
with zipfile.ZipFile(zip_path) as z:
    got_zip = {name(i.filename, i.flag_bits & 0x800): z.read(i) for i in z.infolist() if not i.is_dir()}
with tarfile.open(tar_path, encoding="cp932") as t:
    got_tar = {m.name: t.extractfile(m).read() for m in t.getmembers() if m.isfile()}
ok = True
for label, got, want in (("zip", got_zip, tree("ソフト")), ("tar", got_tar, tree("予定"))):
    if got != want:
        ok = False
        print("  %s holds %s, not %s" % (label, sorted(got), sorted(want)))
sys.exit(0 if ok else 1)
PY
cmp -s "$job/dest/docs/a.txt" "$job/good/docs/a.txt" && cmp -s "$job/dest/b.txt" "$job/good/b.txt" &&
    pass "good.zip extracted byte-identical" || fail "good.zip's files differ"
crlf_only "$job/nightly.log" && pass "the log ends every line in CR LF" || fail "the log has a bare LF"
log=$(log_text "$job/nightly.log")
[ "$(sed -n 1p <<< "$log")" = "an earlier night" ] && pass "the log was appended to" || fail "the log lost its history"
tasks=$(grep -P '^\S+ \S+\t(完了|エラー|停止|待機)\t' <<< "$log" | cut -f2-5 || true)
want_tasks="完了	圧縮	$(w "$job/out/one.zip")	$(w "$job/out")\\
完了	圧縮	$(w "$job/out/two.tar")	$(w "$job/out")\\
完了	展開	$(w "$job/in/good.zip")	$(w "$job/dest")\\
エラー	展開	$(w "$job/in/damaged.zip")	$(w "$job/dest-damaged")\\
エラー	圧縮	$(w "$job/out/five.bga")	$(w "$job/out")\\"
[ "$tasks" = "$want_tasks" ] && pass "the log names the five tasks in order" ||
    { fail "the log's task lines differ"; diff <(echo "$want_tasks") <(echo "$tasks") | sed 's/^/  /' || true; }
reasons=$(grep -P '\tエラー\t' <<< "$log" | cut -f6)
grep -q 'UNZIP32.DLL' <<< "$(sed -n 1p <<< "$reasons")" && grep -q 'Bga32.dll' <<< "$(sed -n 2p <<< "$reasons")" &&
    pass "the two failures say why: $(tr '\n' '|' <<< "$reasons")" || fail "the reasons: $reasons"
tail -n 1 <<< "$log" | grep -qP '\t終了\tタスク 5\t完了 3\t未完了 2\t終了コード 2$' &&
    pass "the last line counts the tasks" || fail "last line: $(tail -n 1 <<< "$log")"

# ---------------------------------------------------------------- paths, minimised
job=$work/paths
mkdir -p "$job/src/表"
printf 'one\n' > "$job/src/表/a.txt"
printf 'two\n' > "$job/src/b.txt"
printf '[CONFIG]\r\nDefCompType=0\r\n' > "$job/fardelix.ini"
run_job "$job" "/run /min \"$(w "$job/src/表")\" \"$(w "$job/src/b.txt")\" /log \"$(w "$job/paths.log")\""
expect_seen "$job" exit 0
expect_seen "$job" dialogs 0
expect_seen "$job" minimised 1
expect_seen "$job" filelist 0
unzip -tq "$job/src/表.zip" >/dev/null 2>&1 && [ "$(unzip -Z1 "$job/src/表.zip" | wc -l)" -ge 2 ] &&
    pass "the paths became one archive named after the first" || fail "src/表.zip missing or incomplete"
log_text "$job/paths.log" | grep -qP '\t完了\t圧縮\t' && pass "its log line says 完了" || fail "no 完了 line in paths.log"

# ---------------------------------------------------------------- overwriting
# One zip (its question, or -o) and one tar (the question only) over files
# that exist: skipped by default, each named in the log; replaced with
# /overwrite:all.
job=$work/overwrite
mkdir -p "$job/make/ow" "$job/make/owt"
printf 'new a\n' > "$job/make/ow/a.txt"
printf 'new b\n' > "$job/make/ow/b.txt"
printf 'new c\n' > "$job/make/owt/c.txt"
printf '[CONFIG]\r\nDefMeltAuto=1\r\nDefMeltOverwrite=2\r\n' > "$job/fardelix.ini"
for rule in skip all; do
    folder=$job/$rule
    mkdir -p "$folder/ow" "$folder/owt"
    (cd "$job/make" && zip -q -r "$folder/ow.zip" ow && tar cf "$folder/ow.tar" owt)
    printf 'old a\n' > "$folder/ow/a.txt"
    printf 'old c\n' > "$folder/owt/c.txt"
    cp "$job/fardelix.ini" "$folder/"
    switch=""; [ $rule = all ] && switch=" /overwrite:ALL"
    run_job "$folder" "-run \"$(w "$folder/ow.zip")\" \"$(w "$folder/ow.tar")\"$switch -log \"$(w "$folder/job.log")\""
    expect_seen "$folder" exit 0
    expect_seen "$folder" dialogs 0
done
[ "$(cat "$job/skip/ow/a.txt")" = "old a" ] && [ "$(cat "$job/skip/owt/c.txt")" = "old c" ] &&
    [ "$(cat "$job/skip/ow/b.txt" 2>/dev/null)" = "new b" ] &&
    pass "skip (the default, whatever the setting says) kept both files and made the new one" ||
    fail "skip: a.txt '$(cat "$job/skip/ow/a.txt")', c.txt '$(cat "$job/skip/owt/c.txt")'"
skipped=$(log_text "$job/skip/job.log" | grep -P '\tスキップ\t' | cut -f3 | sort)
want_skipped=$(printf '%s\n' "$(w "$job/skip/ow/a.txt")" "$(w "$job/skip/owt/c.txt")" | sort)
[ "$skipped" = "$want_skipped" ] && pass "each skipped file is named in the log" ||
    { fail "skipped files in the log differ"; diff <(echo "$want_skipped") <(echo "$skipped") | sed 's/^/  /' || true; }
[ "$(cat "$job/all/ow/a.txt")" = "new a" ] && [ "$(cat "$job/all/owt/c.txt")" = "new c" ] &&
    pass "/overwrite:all replaced both files" ||
    fail "all: a.txt '$(cat "$job/all/ow/a.txt")', c.txt '$(cat "$job/all/owt/c.txt")'"
! log_text "$job/all/job.log" | grep -qP '\tスキップ\t' && pass "/overwrite:all skipped nothing" ||
    fail "/overwrite:all logged a skip"

# ---------------------------------------------------------------- stopped by a person
# すべて停止 while the first of two compressions runs (60 MB of base64 text
# takes the library a few seconds): neither ends 完了, and nothing of the
# stopped archive is left.
job=$work/stop
mkdir -p "$job/big" "$job/small"
python3 - "$job/big/big.bin" <<'PY'
import base64, os, sys
with open(sys.argv[1], "wb") as out:
    for _ in range(15):
        out.write(base64.encodebytes(os.urandom(3 * 1024 * 1024)))
PY
printf 'small\n' > "$job/small/s.txt"
{
    printf '#fardelix\r\n'
    printf '#TASKSTART\r\narcpath=%s\r\ntask=0\r\nflag=0\r\n%s\r\n#TASKEND\r\n' "$(w "$job/big.zip")" "$(w "$job/big")"
    printf '#TASKSTART\r\narcpath=%s\r\ntask=0\r\nflag=0\r\n%s\r\n#TASKEND\r\n' "$(w "$job/small.zip")" "$(w "$job/small")"
} > "$job/stop.fdl"
: > "$job/stop.txt"
run_job "$job" "/run \"$(w "$job/stop.fdl")\" /log \"$(w "$job/job.log")\""
expect_seen "$job" stopped 1
expect_seen "$job" exit 2
[ ! -e "$job/big.zip" ] && [ ! -e "$job/small.zip" ] && pass "the stopped job made no archive" ||
    fail "archives after the stop: $(ls "$job"/*.zip 2>/dev/null)"
[ "$(log_text "$job/job.log" | grep -cP '\t停止\t圧縮\t')" = 2 ] && pass "the log names both tasks 停止" ||
    fail "stop log: $(log_text "$job/job.log")"

# ---------------------------------------------------------------- refused command lines
job=$work/unknown
run_job "$job" "/run \"$(w "$work/list/nightly.fdl")\" /fast /log \"$(w "$job/job.log")\""
expect_seen "$job" exit 255
expect_seen "$job" window 0
log_text "$job/job.log" | grep -qP '\t使用法\tスイッチ /fast を解釈できません。  使い方: fardelix.exe /run ' &&
    pass "the usage text is in the log" || fail "no usage line in the log: $(log_text "$job/job.log")"
job=$work/unknown-interactive
run_job "$job" "/fast \"$(w "$work/list/in/good.zip")\""
expect_seen "$job" exit 255
expect_seen "$job" dialogs 1
expect_seen "$job" window 0
job=$work/unreadable
run_job "$job" "/run \"$(w "$job/missing.fdl")\" /log \"$(w "$job/job.log")\""
expect_seen "$job" exit 255
expect_seen "$job" dialogs 0
log_text "$job/job.log" | grep -q 'タスクリストファイルの読み込みに失敗しました' &&
    pass "the log says why the list was not loaded" || fail "unreadable list: $(log_text "$job/job.log")"
[ ! -e "$job/fardelix.ini" ] && pass "no fardelix.ini was written" || fail "a job wrote fardelix.ini"

echo "jobs: $failures failure(s) in $(($(date +%s) - started)) s"
[ "$failures" -eq 0 ]

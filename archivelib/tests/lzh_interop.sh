#!/usr/bin/env bash
# lzh archives written by fdarc.dll under Wine, judged by lhasa's lha:
#   lzh_interop.sh WINE_RUN DRIVER_EXE
# Two calls build one archive, as a compression run does for two folder
# groups; the second replaces one entry. lha must test it clean and extract
# byte-identical files under their code page 932 names (trail bytes 0x5C).
set -euo pipefail
wine_run=$1
driver=$2
dll="$(dirname "$driver")/fdarc.dll"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work=$(mktemp -d /tmp/fdarc-lzh.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$here/check_helpers.sh"
command -v lha >/dev/null || { echo "FAIL: lha (lhasa) is not installed"; exit 1; }

mkdir -p "$work/lib"
cp "$dll" "$work/lib/UNLHA32.DLL"

run() {  # the command line goes through a file in CP932
    printf '%s' "$1" | cp932 > "$work/arg.txt"
    "$wine_run" "$driver" "$(winpath "$work/lib/UNLHA32.DLL")" Unlha run "$(winpath "$work/arg.txt")"
}
response() {  # names (UTF-8) -> response file in CP932, one "name" a line
    local file=$work/resp$RANDOM.tmp
    for name in "$@"; do printf '"%s"\n' "$name"; done | cp932 > "$file"
    winpath "$file"
}

src=$work/src
mkdir -p "$src/ソフト/能力" "$src/ソ" "$src/空フォルダ" "$src/sub dir/deeper"
printf '表示のテキスト\r\n' > "$src/ソフト/表示.txt"
head -c 200000 /dev/urandom > "$src/ソフト/能力/データ.bin"
printf 'so' > "$src/ソ/x.txt"
printf 'x' > "$src/one.txt"
printf 'upper' > "$src/NOTES.TXT"   # no lower-case letter: kept as it is, as is 来週 (trail byte 'T')
mkdir -p "$src/来週" && printf 'memo' > "$src/来週/メモ"
: > "$src/empty.txt"
for i in $(seq 1 40000); do echo "line $i of a compressible text"; done > "$src/readme.txt"   # > 1 MiB
head -c 3000000 /dev/zero > "$src/zeros.bin"
printf 'deep' > "$src/sub dir/deeper/file with space.txt"
second=$work/second
mkdir -p "$second"
printf "the second group replaces one.txt\n" > "$second/one.txt"

archive=$work/out/x.lzh
mkdir -p "$work/out"
if run "a -d1 \"$(winpath "$archive")\" \"$(winpath "$src")\\\" \"@$(response ソフト ソ one.txt NOTES.TXT 来週 empty.txt readme.txt zeros.bin 空フォルダ\\ "sub dir")\"" >/dev/null &&
   run "a -d1 \"$(winpath "$archive")\" \"$(winpath "$second")\\\" \"@$(response one.txt)\"" >/dev/null; then
    pass "Unlha a -d1 creates and then updates $archive"
else
    fail "Unlha returned an error"
fi
cp "$second/one.txt" "$src/one.txt"   # what the archive should now hold

lha t "$archive" >/dev/null 2>&1 && pass "lha t accepts the archive" || fail "lha t rejects the archive"
listing=$(lha v "$archive" || true)
methods=$(grep -oE -- '-lh[0-9d]-' <<< "$listing" | sort | uniq -c | tr -s ' ' | tr '\n' ';' || true)
[[ $methods == *-lh0-* && $methods == *-lh7-* && $methods == *-lhd-* ]] &&
    pass "methods used:$methods" || fail "methods used:$methods"

# lha keeps the names' bytes: compare with a copy of the tree named in CP932.
raw=$work/raw
mkdir -p "$raw"
(cd "$src" && find . -mindepth 1 -type d -printf '%P\n') | while IFS= read -r name; do mkdir -p "$raw/$(printf '%s' "$name" | cp932)"; done
(cd "$src" && find . -type f -printf '%P\n') | while IFS= read -r name; do cp "$src/$name" "$raw/$(printf '%s' "$name" | cp932)"; done
mkdir -p "$work/x"
(cd "$work/x" && lha xq "$archive") && pass "lha x extracts it" || fail "lha x failed"
diff -r "$raw" "$work/x" >/dev/null && pass "extracted tree is byte-identical with the right names" ||
    { fail "extracted tree differs"; diff -r "$raw" "$work/x" | head -5 || true; }

echo "lzh interop: $failures failure(s)"
[ "$failures" -eq 0 ]

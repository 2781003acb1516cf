#!/usr/bin/env bash
# Archives of other makers and damaged or unusual ones through fdarc.dll:
# GNU tar (v7, pax, sparse, links), Python's tarfile and zipfile, 7-Zip and
# Info-ZIP, plus archives built byte by byte (foreign_archives.py).
#   foreign.sh WINE_RUN DRIVER_EXE
set -euo pipefail
wine_run=$1
driver=$2
dll="$(dirname "$driver")/fdarc.dll"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work=$(mktemp -d /tmp/fdarc-foreign.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$here/check_helpers.sh"
build() { python3 "$here/foreign_archives.py" "$@"; }

mkdir -p "$work/lib" "$work/in"
cp "$dll" "$work/lib/ZIP32J.DLL"
cp "$dll" "$work/lib/UNZIP32.DLL"
cp "$dll" "$work/lib/tar32.dll"

# run LIBRARY PREFIX LINE: sets $result (decimal, "" when the call never
# returned) and $text (the output buffer, UTF-8). A hang counts as a failure.
run() {
    printf '%s' "$3" | cp932 > "$work/arg.txt"
    local out
    out=$(timeout "${FDARC_CALL_TIMEOUT:-300}" "$wine_run" "$driver" "$(winpath "$work/lib/$1")" "$2" run "$(winpath "$work/arg.txt")" 2>/dev/null |
          iconv -c -f CP932 -t UTF-8 | tr -d '\r') || true
    result=$(sed -n '1s/^result \([0-9-]*\).*/\1/p' <<< "$out")
    text=$(tail -n +2 <<< "$out")
}
count() { timeout "${FDARC_CALL_TIMEOUT:-300}" "$wine_run" "$driver" "$(winpath "$work/lib/$1")" "$2" count "$(winpath "$3")" 2>/dev/null | tr -d '\r' || true; }
untar() { run tar32.dll Tar "-xvf \"$(winpath "$1")\" -o \"$(winpath "$2")\\\""; }
unzip_() { run UNZIP32.DLL UnZip "-x -o \"$(winpath "$1")\" \"$(winpath "$2")\\\""; }
want() {  # NAME WANTED ACTUAL
    [ "$2" = "$3" ] && pass "$1" || fail "$1: got '$3', want '$2'${text:+ (output: $(head -c 300 <<< "$text"))}"
}
has_text() { grep -qF -- "$2" <<< "$text" && pass "$1" || fail "$1: output lacks '$2': $(head -c 300 <<< "$text")"; }

src=$work/src
mkdir -p "$src/sub" "$src/日本語"
printf 'alpha\n' > "$src/a.txt"
printf 'beta\n' > "$src/sub/b.txt"
printf '表示\n' > "$src/日本語/表示.txt"

# ---------------------------------------------------------------- tar
# Volume labels by the hundred thousand: read in the loop, not one call deeper each.
build labels "$work/in/labels.tar.gz"
want "labels: count" 1 "$(count tar32.dll Tar "$work/in/labels.tar.gz")"
untar "$work/in/labels.tar.gz" "$work/labels"
want "labels: extraction returns" 0 "$result"
want "labels: the member after them" after "$(cat "$work/labels/a.txt" 2>/dev/null)"
run tar32.dll Tar "-cvzf \"$(winpath "$work/in/labels.tar.gz")\" -o \"$(winpath "$src")\\\" sub/b.txt"
want "labels: update returns" 0 "$result"
want "labels: updated archive holds both" "a.txt sub/b.txt" "$(tar tzf "$work/in/labels.tar.gz" 2>/dev/null | grep -v "^label$" | tr '\n' ' ' | sed 's/ $//')"

# v7: regular files have type NUL.
tar --format=v7 -cf "$work/in/v7.tar" -C "$src" a.txt sub
want "v7: count" "$(tar tf "$work/in/v7.tar" | wc -l)" "$(count tar32.dll Tar "$work/in/v7.tar")"
untar "$work/in/v7.tar" "$work/v7"
want "v7: extraction returns" 0 "$result"
diff -r <(cd "$src" && find a.txt sub -type f -exec cat {} +) <(cd "$work/v7" && find a.txt sub -type f -exec cat {} + 2>/dev/null) >/dev/null &&
    pass "v7: files extracted" || fail "v7: files missing or different"

# pax names are UTF-8, from GNU tar and from Python.
tar --format=posix -cf "$work/in/pax.tar" -C "$src" 日本語
untar "$work/in/pax.tar" "$work/pax"
want "pax (GNU tar): extraction returns" 0 "$result"
want "pax (GNU tar): UTF-8 name decoded" "表示" "$(cat "$work/pax/日本語/表示.txt" 2>/dev/null)"
build pax_names "$work/in/pythonpax.tar"
untar "$work/in/pythonpax.tar" "$work/pythonpax"
want "pax (Python): a name code page 932 lacks is refused" $((0x8008)) "$result"
want "pax (Python): the other member extracted" pax "$(cat "$work/pythonpax/python/表示.txt" 2>/dev/null)"

# pax size record over a zero size field.
build pax_size "$work/in/paxsize.tar"
untar "$work/in/paxsize.tar" "$work/paxsize"
want "pax size: extraction returns" 0 "$result"
want "pax size: 480 bytes written" 480 "$(stat -c %s "$work/paxsize/big.bin" 2>/dev/null)"

# Hard links become copies; symbolic links are reported.
mkdir -p "$work/links"
printf 'linked\n' > "$work/links/one.txt"
ln "$work/links/one.txt" "$work/links/two.txt"
ln -s one.txt "$work/links/soft.txt"
tar --format=gnu -cf "$work/in/hard.tar" -C "$work/links" one.txt two.txt
untar "$work/in/hard.tar" "$work/hard"
want "hard link: extraction returns" 0 "$result"
want "hard link: copy of its target" linked "$(cat "$work/hard/two.txt" 2>/dev/null)"
run tar32.dll Tar "-xvf \"$(winpath "$work/in/hard.tar")\" -o \"$(winpath "$work/hardonly")\\\" two.txt"
want "hard link without its target: reported in the result" $((0x8005)) "$result"
has_text "hard link without its target: reported in the output" "two.txt -> one.txt"
tar --format=gnu -cf "$work/in/soft.tar" -C "$work/links" one.txt soft.txt
untar "$work/in/soft.tar" "$work/soft"
want "symbolic link: reported in the result" $((0x8005)) "$result"
has_text "symbolic link: reported in the output" "soft.txt -> one.txt"
want "symbolic link: the rest extracted" linked "$(cat "$work/soft/one.txt" 2>/dev/null)"

# Sparse members of every GNU format.
mkdir -p "$work/sparse"
truncate -s 1M "$work/sparse/sparse.bin"
printf 'HEAD' | dd of="$work/sparse/sparse.bin" conv=notrunc status=none
printf 'MIDDLE' | dd of="$work/sparse/sparse.bin" bs=1 seek=500000 conv=notrunc status=none
printf 'TAIL' | dd of="$work/sparse/sparse.bin" bs=1 seek=$((1048576 - 4)) conv=notrunc status=none
tar -S --format=gnu -cf "$work/in/sparse-gnu.tar" -C "$work/sparse" sparse.bin
for version in 0.0 0.1 1.0; do
    tar -S --format=posix --sparse-version=$version -cf "$work/in/sparse-$version.tar" -C "$work/sparse" sparse.bin
done
for kind in gnu 0.0 0.1 1.0; do
    untar "$work/in/sparse-$kind.tar" "$work/sparse-$kind"
    want "sparse $kind: extraction returns" 0 "$result"
    cmp -s "$work/sparse/sparse.bin" "$work/sparse-$kind/sparse.bin" && pass "sparse $kind: file rebuilt" ||
        fail "sparse $kind: file differs or missing ($(ls "$work/sparse-$kind" 2>/dev/null | tr '\n' ' '))"
done

# Contiguous files (type 7) are regular files.
build contiguous "$work/in/contiguous.tar"
untar "$work/in/contiguous.tar" "$work/contiguous"
want "contiguous: extraction returns" 0 "$result"
want "contiguous: file written" "contiguous file" "$(cat "$work/contiguous/contiguous.txt" 2>/dev/null)"

# An archive of nothing: its end blocks only.
tar -cf "$work/in/empty.tar" -T /dev/null
want "empty tar: count" 0 "$(count tar32.dll Tar "$work/in/empty.tar")"
untar "$work/in/empty.tar" "$work/empty"
want "empty tar: extraction returns" 0 "$result"

# ---------------------------------------------------------------- zip
# Updating a 7-Zip archive of UTF-8 names keeps their bytes and flags.
(cd "$src" && 7z a -tzip "$work/in/seven.zip" 日本語 a.txt >/dev/null)
printf 'added\n' > "$src/added.txt"
run ZIP32J.DLL Zip "-r \"$(winpath "$work/in/seven.zip")\" \"$(winpath "$src")\\\" added.txt"
want "7z update: returns" 0 "$result"
names=$(python3 -c 'import sys, zipfile; print(" ".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$work/in/seven.zip" 2>&1 || true)
want "7z update: Python reads every name" "a.txt added.txt 日本語/ 日本語/表示.txt" "$names"
unzip_ "$work/in/seven.zip" "$work/seven"
want "7z update: extraction returns" 0 "$result"
want "7z update: kept entry extracts" "表示" "$(cat "$work/seven/日本語/表示.txt" 2>/dev/null)"

# Entries whose data overlap are refused before anything is written.
build overlapping "$work/in/overlap.zip"
unzip_ "$work/in/overlap.zip" "$work/overlap"
want "overlap: refused" $((0x8004)) "$result"
want "overlap: nothing written" 0 "$(find "$work/overlap" -type f 2>/dev/null | wc -l)"

# Decomposed UTF-8 names are composed.
build decomposed "$work/in/decomposed.zip"
unzip_ "$work/in/decomposed.zip" "$work/decomposed"
want "decomposed: extraction returns" 0 "$result"
want "decomposed: katakana name composed" decomposed "$(cat "$work/decomposed/データ.txt" 2>/dev/null)"
want "decomposed: hiragana name composed" hiragana "$(cat "$work/decomposed/がく.txt" 2>/dev/null)"

# Overwriting a file whose path is 258 bytes long.
dest=$work/long
base_length=$(winpath "$dest/" | wc -c)   # with its newline: one more than the characters
long_name=f.txt
filler=$((258 - (base_length - 1) - ${#long_name} - 2))   # two separators below
first=$(printf 'd%.0s' $(seq 1 $((filler / 2))))
second=$(printf 'e%.0s' $(seq 1 $((filler - filler / 2))))
mkdir -p "$work/longsrc/$first/$second"
printf 'new\n' > "$work/longsrc/$first/$second/$long_name"
(cd "$work/longsrc" && zip -q -r "$work/in/long.zip" "$first")
mkdir -p "$dest/$first/$second"
printf 'old\n' > "$dest/$first/$second/$long_name"
want "long path: the case is 258 bytes" 258 "$(winpath "$dest/$first/$second/$long_name" | tr -d '\n' | wc -c)"
unzip_ "$work/in/long.zip" "$dest"
want "long path: overwrite returns" 0 "$result"
want "long path: file replaced" new "$(cat "$dest/$first/$second/$long_name")"

# A source name code page 932 cannot hold is left out, the rest written.
mkdir -p "$work/odd"
printf 'fine\n' > "$work/odd/fine.txt"
printf 'odd\n' > "$work/odd/$(printf '\xf0\x9f\x98\x80').txt"
run ZIP32J.DLL Zip "-r \"$(winpath "$work/in/odd.zip")\" \"$(winpath "$work/odd")\\\" fine.txt *.txt"
want "unrepresentable name: zip reports it" $((0x8006)) "$result"
has_text "unrepresentable name: zip says so" "追加しません"
want "unrepresentable name: zip holds the rest" fine.txt "$(unzip -Z1 "$work/in/odd.zip" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
run tar32.dll Tar "-cvf \"$(winpath "$work/in/odd.tar")\" -o \"$(winpath "$work/odd")\\\" *.txt"
want "unrepresentable name: tar reports it" $((0x8006)) "$result"
want "unrepresentable name: tar holds the rest" fine.txt "$(tar tf "$work/in/odd.tar" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"

echo "foreign: $failures failure(s)"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# Interoperability of fdarc.dll with Info-ZIP zip/unzip and GNU tar.
#   interop.sh WINE_RUN DRIVER_EXE
# The library writes under Wine, the Linux tools read; then the other way.
# Names hold double-byte characters whose trail byte is 0x5C.
set -euo pipefail
wine_run=$1
driver=$2
dll="$(dirname "$driver")/fdarc.dll"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work=$(mktemp -d /tmp/fdarc-interop.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$here/check_helpers.sh"

mkdir -p "$work/lib"
cp "$dll" "$work/lib/ZIP32J.DLL"
cp "$dll" "$work/lib/UNZIP32.DLL"
cp "$dll" "$work/lib/tar32.dll"

# drive LIBRARY PREFIX ACTION ARG: the command line or archive path goes through a file in CP932.
drive() {
    local library=$1 prefix=$2 action=$3 arg=$4
    printf '%s' "$arg" | cp932 > "$work/arg.txt"
    if [ "$action" = run ]; then
        "$wine_run" "$driver" "$(winpath "$work/lib/$library")" "$prefix" run "$(winpath "$work/arg.txt")"
    else
        "$wine_run" "$driver" "$(winpath "$work/lib/$library")" "$prefix" "$action" "$(printf '%s' "$arg")" | tr -d '\r'
    fi
}

response() {  # names (UTF-8) -> response file in CP932, one "name" a line
    local file=$work/resp$RANDOM.tmp
    for name in "$@"; do printf '"%s"\n' "$name"; done | cp932 > "$file"
    winpath "$file"
}

# Relative names of a tree as archives list them: folders end in '/'.
tree_names() {
    (cd "$1" && find . -mindepth 1 \( -type d -printf '%P/\n' \) -o \( -type f -printf '%P\n' \)) | LC_ALL=C sort
}

# ---------------------------------------------------------------- the source tree
src=$work/src
mkdir -p "$src/ソフト/能力" "$src/ソ" "$src/空フォルダ" "$src/sub dir/deeper"
printf '表示のテキスト\r\n' > "$src/ソフト/表示.txt"
head -c 200000 /dev/urandom > "$src/ソフト/能力/データ.bin"
printf 'so' > "$src/ソ/x.txt"
for i in $(seq 1 3000); do echo "line $i of a compressible text"; done > "$src/readme.txt"
: > "$src/empty.txt"
printf 'deep' > "$src/sub dir/deeper/file with space.txt"
expected=$(tree_names "$src")
top=("ソフト" "ソ" "readme.txt" "empty.txt" "空フォルダ\\" "sub dir")

# ---------------------------------------------------------------- DLL writes, Linux reads
mkdir -p "$work/out"
zip_arc=$work/out/x.zip
if drive ZIP32J.DLL Zip run "-r \"$(winpath "$zip_arc")\" \"$(winpath "$src")\\\" \"@$(response "${top[@]}")\"" >/dev/null; then
    pass "Zip creates $zip_arc"
else
    fail "Zip returned an error"
fi
unzip -tq "$zip_arc" >/dev/null && pass "unzip -t accepts the zip" || fail "unzip -t rejects the zip"
# Names that are not ASCII carry the Info-ZIP Unicode path field beside the
# code page 932 bytes: unzip shows and extracts them as UTF-8.
mapfile -t expected_names <<< "$expected"
listed=$(LC_ALL=C.UTF-8 unzip -Z1 "$zip_arc" | LC_ALL=C sort)
[ "$listed" = "$expected" ] && pass "zip names match the tree (unzip -Z1, UTF-8)" || { fail "zip names differ"; diff <(echo "$expected") <(echo "$listed") || true; }
stored=$(python3 -c 'import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1], metadata_encoding="cp932").infolist(): print(i.filename)' "$zip_arc" | LC_ALL=C sort)
[ "$stored" = "$expected" ] && pass "zip stores the code page 932 names (zipfile with cp932)" || { fail "stored zip names differ"; diff <(echo "$expected") <(echo "$stored") || true; }
mkdir -p "$work/unzipped"
LC_ALL=C.UTF-8 unzip -q "$zip_arc" -d "$work/unzipped"
bad=0
for name in "${expected_names[@]}"; do
    on_disk="$work/unzipped/$name"
    case $name in
    */) [ -d "$on_disk" ] || { fail "unzip: folder $name missing"; bad=1; } ;;
    *) cmp -s "$src/$name" "$on_disk" || { fail "unzip: $name differs"; bad=1; } ;;
    esac
done
[ "$(find "$work/unzipped" -mindepth 1 | wc -l)" = "${#expected_names[@]}" ] || { fail "unzip: extra or missing entries"; bad=1; }
[ $bad = 0 ] && pass "unzip extracts byte-identical files"

tar_arc=$work/out/x.tar
if drive tar32.dll Tar run "-cvzf \"$(winpath "$tar_arc")\" -o \"$(winpath "$src")\\\" \"@$(response "${top[@]}")\"" >/dev/null; then
    pass "Tar creates $tar_arc"
else
    fail "Tar returned an error"
fi
# pax path records carry the UTF-8 names beside the code page 932 headers.
listed=$(LC_ALL=C.UTF-8 tar --quoting-style=literal -tzf "$tar_arc" | LC_ALL=C sort)
[ "$listed" = "$expected" ] && pass "tar tzf names match the tree" || { fail "tar names differ"; diff <(echo "$expected") <(echo "$listed") || true; }
listed=$(LC_ALL=C.UTF-8 bsdtar -tf "$tar_arc" | LC_ALL=C sort)
[ "$listed" = "$expected" ] && pass "bsdtar -tf names match the tree" || { fail "bsdtar names differ"; diff <(echo "$expected") <(echo "$listed") || true; }
mkdir -p "$work/untarred"
tar xzf "$tar_arc" -C "$work/untarred"
while IFS= read -r name; do
    case $name in
    */) [ -d "$work/untarred/$name" ] || fail "tar: folder $name missing" ;;
    *) cmp -s "$src/$name" "$work/untarred/$name" || fail "tar: $name differs" ;;
    esac
done <<< "$expected"
[ "$(find "$work/untarred" -mindepth 1 | wc -l)" = "${#expected_names[@]}" ] || fail "tar: extra or missing entries"
pass "GNU tar extraction checked"

# ---------------------------------------------------------------- Linux writes, DLL reads
# The Linux tools get a copy of the tree whose names are CP932 bytes, as a Windows archiver would store them.
raw=$work/raw
mkdir -p "$raw"
while IFS= read -r name; do
    target="$raw/$(printf '%s' "$name" | cp932)"
    case $name in
    */) mkdir -p "$target" ;;
    *) cp "$src/$name" "$target" ;;
    esac
done <<< "$expected"

make_archives() {
    (cd "$raw" && LC_ALL=C zip -q -r -X "$work/in/deflated.zip" -- *)
    (cd "$raw" && LC_ALL=C zip -q -r -X -0 "$work/in/stored.zip" -- *)
    # Written to a pipe, zip cannot seek back: every entry gets a data descriptor.
    (cd "$raw" && LC_ALL=C zip -q -r -X -fz- - -- * | cat > "$work/in/streamed.zip")
    (cd "$raw" && tar cf "$work/in/plain.tar" -- *)
    (cd "$raw" && tar czf "$work/in/gzipped.tar" -- *)
    # From Linux with a UTF-8 locale: the same names as UTF-8 bytes with no mark.
    (cd "$src" && LC_ALL=C zip -q -r -X "$work/in/utf8.zip" -- *)
    (cd "$src" && tar cf "$work/in/utf8.tar" -- *)
}
mkdir -p "$work/in"
make_archives
details=$(unzip -Z -v "$work/in/streamed.zip")   # grep -q ending a pipe early would fail it under pipefail
if grep -Eq 'extended local header: +yes' <<< "$details"; then
    pass "streamed.zip carries data descriptors"
else
    fail "streamed.zip has no data descriptors; the case is not exercised"
fi

for archive in deflated.zip stored.zip streamed.zip plain.tar gzipped.tar utf8.zip utf8.tar; do
    case $archive in
    *.zip) library=UNZIP32.DLL prefix=UnZip; want=$(unzip -Z1 "$work/in/$archive" | wc -l) ;;
    *) library=tar32.dll prefix=Tar; want=$(tar tf "$work/in/$archive" | wc -l) ;;
    esac
    count=$(drive $library $prefix count "$(winpath "$work/in/$archive")")
    [ "$count" = "$want" ] && pass "$archive: GetFileCount $count" || fail "$archive: GetFileCount $count, want $want"
    names=$(drive $library $prefix list "$(winpath "$work/in/$archive")" | utf8 | LC_ALL=C sort)
    [ "$names" = "$expected" ] && pass "$archive: FindFirst/FindNext names" || { fail "$archive: listed names differ"; diff <(echo "$expected") <(echo "$names") || true; }
    dest=$work/extract-$archive
    case $archive in
    *.zip) line="-x -o \"$(winpath "$work/in/$archive")\" \"$(winpath "$dest")\\\"" ;;
    *) line="-xvf \"$(winpath "$work/in/$archive")\" -o \"$(winpath "$dest")\\\"" ;;
    esac
    if drive $library $prefix run "$line" >/dev/null; then
        diff -r "$src" "$dest" && pass "$archive: extracted tree is byte-identical" || fail "$archive: extracted tree differs"
    else
        fail "$archive: extraction returned an error"
    fi
done

echo "interop: $failures failure(s)"
[ "$failures" -eq 0 ]

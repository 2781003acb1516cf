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
# Names as this unzip shows them: itself with -O cp932 where it has the option,
# else through its own OEM-to-ISO byte mapping (Debian's unzip has no -O).
mapfile -t expected_names <<< "$expected"
mapfile -t shown_names < <(printf '%s\n' "${expected_names[@]}" | python3 "$here/unzip_names.py" "$work")
if unzip -O cp932 -l "$zip_arc" >/dev/null 2>&1; then
    charset=(-O cp932)
    pass "unzip -O cp932 -l lists it"
else
    charset=()
    unzip -l "$zip_arc" >/dev/null && pass "unzip -l lists it (this unzip has no -O; names compared as it maps them)" || fail "unzip -l failed"
fi
listed=$(unzip "${charset[@]}" -Z1 "$zip_arc" | LC_ALL=C sort)
shown=$(printf '%s\n' "${shown_names[@]}" | LC_ALL=C sort)
[ "$listed" = "$shown" ] && pass "zip names match the tree" || { fail "zip names differ"; diff <(echo "$shown") <(echo "$listed") || true; }
mkdir -p "$work/unzipped"
unzip "${charset[@]}" -q "$zip_arc" -d "$work/unzipped"
bad=0
for i in "${!expected_names[@]}"; do
    name=${expected_names[$i]} on_disk="$work/unzipped/${shown_names[$i]}"
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
listed=$(tar --quoting-style=literal -tzf "$tar_arc" | utf8 | LC_ALL=C sort)
[ "$listed" = "$expected" ] && pass "tar tzf names match the tree" || { fail "tar names differ"; diff <(echo "$expected") <(echo "$listed") || true; }
mkdir -p "$work/untarred"
tar xzf "$tar_arc" -C "$work/untarred"
while IFS= read -r name; do
    raw=$(printf '%s' "$name" | cp932)
    case $name in
    */) [ -d "$work/untarred/$raw" ] || fail "tar: folder $name missing" ;;
    *) cmp -s "$src/$name" "$work/untarred/$raw" || fail "tar: $name differs" ;;
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
}
mkdir -p "$work/in"
make_archives
details=$(unzip -Z -v "$work/in/streamed.zip")   # grep -q ending a pipe early would fail it under pipefail
if grep -Eq 'extended local header: +yes' <<< "$details"; then
    pass "streamed.zip carries data descriptors"
else
    fail "streamed.zip has no data descriptors; the case is not exercised"
fi

for archive in deflated.zip stored.zip streamed.zip plain.tar gzipped.tar; do
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

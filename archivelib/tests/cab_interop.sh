#!/usr/bin/env bash
# Cabinets written by fdarc.dll under Wine, judged by cabextract and gcab.
#   cab_interop.sh WINE_RUN DRIVER_EXE
# The DLL is called as the compression run calls it: "-a -r -o", once per
# folder group on the same archive; then a group replaces one file. Names hold
# double-byte characters whose trail byte is 0x5C.
set -euo pipefail
wine_run=$1
driver=$2
dll="$(dirname "$driver")/fdarc.dll"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work=$(mktemp -d /tmp/fdarc-cab.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$here/check_helpers.sh"

mkdir -p "$work/lib"
cp "$dll" "$work/lib/cab32.dll"

run_cab() {  # command line (UTF-8) -> the main entry, through a file in CP932
    printf '%s' "$1" | cp932 > "$work/arg.txt"
    "$wine_run" "$driver" "$(winpath "$work/lib/cab32.dll")" Cab run "$(winpath "$work/arg.txt")" >/dev/null
}

response() {  # names (UTF-8) -> response file in CP932, one "name" a line
    local file=$work/resp$RANDOM.tmp
    for name in "$@"; do printf '"%s"\n' "$name"; done | cp932 > "$file"
    winpath "$file"
}

files_of() {  # relative names of the files under a folder, '/' separators
    (cd "$1" && find . -type f -printf '%P\n') | LC_ALL=C sort
}

# Extracts with cabextract and compares with the tree: names that are not
# ASCII are UTF-8 with their flag, so the encoding for unflagged names
# (-e CP932) changes nothing, and without it no name splits at a 0x5C byte.
check_with_cabextract() {
    local cab=$1 tree=$2 what=$3
    cabextract -q -t "$cab" >/dev/null && pass "$what: cabextract -t passes" || fail "$what: cabextract -t fails"
    local encoding
    for encoding in "-e CP932" ""; do
        rm -rf "$work/x"
        LC_ALL=C.UTF-8 cabextract -q $encoding -d "$work/x" "$cab" >/dev/null 2>&1 || fail "$what: cabextract $encoding failed"
        if [ "$(files_of "$tree")" = "$(files_of "$work/x")" ] && diff -r "$tree" "$work/x" >/dev/null; then
            pass "$what: cabextract $encoding gives the tree byte-identical with its names"
        else
            fail "$what: cabextract $encoding: files differ"
            diff <(files_of "$tree") <(files_of "$work/x") || true
        fi
    done
}

# gcab shows the stored bytes: UTF-8 names with '\'.
check_with_gcab() {
    local cab=$1 tree=$2 what=$3
    local want got
    want=$(files_of "$tree" | tr '/' '\\' | LC_ALL=C sort)
    got=$(gcab -l "$cab" | LC_ALL=C sed -E 's/ [0-9]+ [0-9-]+ [0-9:]+ 0x[0-9a-fA-F]+$//' | LC_ALL=C sort)  # name, then size, time, attributes
    [ "$want" = "$got" ] && pass "$what: gcab -l lists the UTF-8 names" || { fail "$what: gcab -l names differ"; diff <(echo "$want") <(echo "$got") || true; }
    rm -rf "$work/g" && mkdir "$work/g"
    (cd "$work/g" && gcab -x "$cab") && pass "$what: gcab -x extracts it" || fail "$what: gcab -x failed"
    local bytes
    bytes=$(find "$work/g" -type f -exec cat {} + | wc -c)
    [ "$bytes" = "$(find "$tree" -type f -exec cat {} + | wc -c)" ] && pass "$what: gcab -x gives every byte" || fail "$what: gcab -x byte count differs"
}

# ---------------------------------------------------------------- two folder groups
d=$work/d e=$work/e
mkdir -p "$d/ソフト/能力" "$d/ソ" "$d/空フォルダ" "$e"
printf '表示のテキスト\r\n' > "$d/ソフト/表示.txt"
head -c 200000 /dev/urandom > "$d/ソフト/能力/データ.bin"
printf 'so' > "$d/ソ/x.txt"
: > "$d/empty.txt"
head -c 32768 /dev/urandom > "$d/exact.bin"
head -c 32769 /dev/urandom > "$d/over.bin"
for i in $(seq 1 60000); do echo "line $i of a compressible text"; done > "$e/readme.txt"
head -c 1500000 /dev/urandom > "$e/random.bin"

cab=$work/out/x.cab
mkdir -p "$work/out"
run_cab "-a -r -o \"$(winpath "$cab")\" \"$(winpath "$d")\\\" \"@$(response ソフト ソ empty.txt exact.bin over.bin '空フォルダ\')\"" &&
    pass "Cab creates the archive from the first group" || fail "Cab returned an error for the first group"
run_cab "-a -r -o \"$(winpath "$cab")\" \"$(winpath "$e")\\\" \"@$(response readme.txt random.bin)\"" &&
    pass "Cab adds the second group" || fail "Cab returned an error for the second group"

expected=$work/expected
mkdir -p "$expected"
(cd "$d" && find . -type f -exec cp --parents {} "$expected" \;)
cp "$e/readme.txt" "$e/random.bin" "$expected/"
check_with_cabextract "$cab" "$expected" "two groups"
check_with_gcab "$cab" "$expected" "two groups"

# ---------------------------------------------------------------- replacing one file
f=$work/f
mkdir -p "$f/ソフト"
printf 'a newer text\r\n' > "$f/ソフト/表示.txt"
run_cab "-a -r -o \"$(winpath "$cab")\" \"$(winpath "$f")\\\" \"@$(response ソフト)\"" &&
    pass "Cab replaces ソフト/表示.txt" || fail "Cab returned an error replacing a file"
cp "$f/ソフト/表示.txt" "$expected/ソフト/表示.txt"
check_with_cabextract "$cab" "$expected" "after the update"
check_with_gcab "$cab" "$expected" "after the update"

echo "cab interop: $failures failure(s)"
[ "$failures" -eq 0 ]

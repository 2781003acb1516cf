#!/usr/bin/env bash
# Checks the 32-bit build, which cannot run on this machine, by reading its
# files, then makes the 32-bit release zip, unpacks it into a clean folder
# and checks what a user would get the same way.
#   tools/check-win32.sh BUILD_DIR           (build/win32, built first)
#   tools/check-win32.sh --zip ZIP BUILD_DIR (an existing zip: tools/release.sh)
# Each file:
#   - is a 32-bit (pei-i386) file;
#   - imports system DLLs only: no MinGW runtime (libstdc++, libgcc_s,
#     libwinpthread), which a user's machine does not have;
#   - carries the version resource of the build's version;
# fardelix.exe also carries its manifest and the About box's version text,
# and names archivers\fdarc.dll, where the library lies beside it (in the
# build and in the zip) for the program to find;
# fdarc.dll exports every entry of archivelib/fdarc.def, none decorated
# (Zip@16 would not be found by GetProcAddress(module, "Zip")).
# That every entry is called through a WINAPI pointer is checked when the
# program is compiled (archivers/record_layouts.cpp and ArchiverEntry).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
zip=""
if [ "${1:-}" = "--zip" ]; then zip="$(realpath "$2")"; shift 2; fi
if [ $# -ne 1 ]; then
    echo "usage: $0 [--zip ZIP] BUILD_DIR" >&2
    exit 2
fi
build="$(realpath "$1")"
def="$here/archivelib/fdarc.def"
objdump=i686-w64-mingw32-objdump
windres=i686-w64-mingw32-windres
version=$(sed -n 's/^#define FARDELIX_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/fardelix_version.h")
[ -n "$version" ] || { echo "check-win32: no version in $build/generated/fardelix_version.h" >&2; exit 2; }
major=${version%%.*}; minor=${version#*.}; minor=$((10#$minor))

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

check_width() {
    if $objdump -f "$1" | grep -q "file format pei-i386"; then pass "$(basename "$1") is 32-bit"
    else fail "$1 is not a 32-bit Windows file ($($objdump -f "$1" | grep -o 'file format .*'))"; fi
}

# Windows' own DLLs, by the names the import tables use.
system_dll='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|oleaut32|advapi32|shlwapi|msvcrt|version|uxtheme|ws2_32|bcrypt|crypt32)\.dll$'
check_imports() {
    local file="$1" name bad=0
    while read -r name; do
        if ! echo "$name" | tr 'A-Z' 'a-z' | grep -Eq "$system_dll"; then
            fail "$(basename "$file") imports $name, which is no system DLL"
            bad=1
        fi
    done < <($objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
    [ $bad -eq 1 ] || pass "$(basename "$file") imports system DLLs only: $($objdump -p "$file" |
        sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')"
}

# The names after EXPORTS, without comments, "=internal" or "@ordinal" parts
# (a decorated name such as Zip@16 keeps its decoration and is caught below).
def_entries() {
    sed -n '/^[[:space:]]*EXPORTS/,$p' "$def" | sed '1d; s/;.*//' |
        awk 'NF { name = $1; sub(/=.*/, "", name); print name }'
}

check_exports() {
    local dll="$1" exported entry bad=0
    exported=$($objdump -p "$dll" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p')
    if echo "$exported" | grep -q '@'; then
        fail "$(basename "$dll") exports decorated names: $(echo "$exported" | grep '@' | tr '\n' ' ')"
        bad=1
    fi
    while read -r entry; do
        if ! echo "$exported" | grep -qx "$entry"; then
            fail "$(basename "$dll") does not export $entry (listed in fdarc.def)"
            bad=1
        fi
    done < <(def_entries)
    [ $bad -eq 1 ] || pass "$(basename "$dll") exports all $(def_entries | wc -l) entries of fdarc.def undecorated"
}

check_version() {
    local file="$1" resources
    resources=$($windres -i "$file" -O rc 2>/dev/null || true)
    if echo "$resources" | grep -q "FILEVERSION $major, $minor, 0, 0" &&
       echo "$resources" | grep -q "VALUE \"ProductVersion\", \"$version\"" &&
       echo "$resources" | grep -q 'VALUE "ProductName", "fardelix"' &&
       echo "$resources" | grep -q 'VALUE "FileDescription"'; then
        pass "$(basename "$file") carries version $version"
    else
        fail "$(basename "$file") lacks the version resource of version $version"
    fi
}

check_program_resources() {
    local exe="$1" resources
    resources=$($windres -i "$exe" -O rc 2>/dev/null || true)
    if echo "$resources" | grep -q "LTEXT \"Version $version\""; then pass "About box shows Version $version"
    else fail "the About box of $(basename "$exe") does not show Version $version"; fi
    if echo "$resources" | grep -q '^1 24 ' &&
       echo "$resources" | grep -q 'Microsoft.Windows.Common-Controls"" version=""6.0.0.0' &&
       echo "$resources" | grep -q 'level=""asInvoker""' &&
       echo "$resources" | grep -q 'supportedOS Id='; then
        pass "$(basename "$exe") carries its manifest"
    else
        fail "$(basename "$exe") lacks its manifest (common controls 6, asInvoker, supported OS)"
    fi
}

# The shell, common-dialog and COM libraries are loaded when a drop or a
# dialog needs them: imported, every start would load them before the window.
check_startup_imports() {
    local late
    late=$($objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r' | tr 'A-Z' 'a-z' |
        { grep -E '^(shell32|comdlg32|ole32)\.dll$' || true; } | tr '\n' ' ')
    if [ -z "$late" ]; then pass "$(basename "$1") imports no shell32, comdlg32 or ole32"
    else fail "$(basename "$1") imports $late: loaded at every start"; fi
}

check_files() {
    local exe="$1" dll="$2"
    for file in "$exe" "$dll"; do
        if [ ! -f "$file" ]; then fail "$file is missing"; return; fi
        check_width "$file"
        check_imports "$file"
        check_version "$file"
    done
    check_program_resources "$exe"
    check_startup_imports "$exe"
    check_exports "$dll"
}

# The program takes the bundled library from archivers\fdarc.dll of its own
# folder (a wide string in fardelix.exe): that file must lie there.
check_bundled_place() {
    local exe="$1" folder
    folder=$(dirname "$exe")
    if ! strings -el "$exe" | grep -qF 'archivers\fdarc.dll'; then
        fail "$(basename "$exe") does not name archivers/fdarc.dll"
    elif [ -f "$folder/archivers/fdarc.dll" ]; then
        pass "archivers/fdarc.dll lies where $(basename "$exe") looks for the bundled library"
    else
        fail "no archivers/fdarc.dll beside $exe"
    fi
}

check_stripped() {
    if $objdump -t "$1" | grep -q '^no symbols'; then pass "$(basename "$1") is stripped"
    else fail "$1 is not stripped"; fi
}

# A user's text: UTF-8 with a byte-order mark, CRLF line ends.
check_text() {
    local file="$1"
    if [ ! -s "$file" ]; then fail "$file is missing"; return; fi
    if [ "$(head -c3 "$file" | od -An -tx1 | tr -d ' ')" != "efbbbf" ]; then
        fail "$file has no UTF-8 byte-order mark"
    elif [ "$(grep -c $'\r$' "$file")" -ne "$(wc -l < "$file")" ] ||
         ! iconv -f UTF-8 -t UTF-8 "$file" >/dev/null 2>&1; then
        fail "$file is not UTF-8 text with CRLF line ends"
    else
        pass "${file#"$unpacked"/} is UTF-8 with a byte-order mark and CRLF"
    fi
}

echo "== the 32-bit build in $build"
check_files "$build/fardelix.exe" "$build/archivers/fdarc.dll"
check_bundled_place "$build/fardelix.exe"

if [ -z "$zip" ]; then
    echo "== the 32-bit release zip"
    rm -f "$build"/package/fardelix-*-win32.zip
    (cd "$build" && cpack -G ZIP >/dev/null)
    zip="$build/package/fardelix-$version-win32.zip"
fi
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
if ! unzip -q "$zip" -d "$unpacked"; then
    fail "$zip could not be unpacked"
else
    top="$unpacked/fardelix-$version-win32"
    echo "== $(basename "$zip") unpacked into a clean folder"
    check_files "$top/fardelix.exe" "$top/archivers/fdarc.dll"
    check_bundled_place "$top/fardelix.exe"
    check_stripped "$top/fardelix.exe"
    check_stripped "$top/archivers/fdarc.dll"
    # Nothing beside the program that the loader could take for an archiver library.
    stray=$(find "$top" -maxdepth 1 -iname '*.dll')
    if [ -n "$stray" ]; then fail "DLLs beside fardelix.exe: $stray"; else pass "no DLL beside fardelix.exe"; fi
    check_text "$top/README.txt"
    check_text "$top/archivers/README.txt"
    # The names the library stands in for, derived from fdarc.def and the format table.
    served=$(grep -Eic $'^  [^ ]+\\.dll\r?$' "$top/archivers/README.txt" || true)
    if [ "$served" -gt 0 ]; then pass "archivers/README.txt names $served libraries fdarc.dll stands in for"
    else fail "archivers/README.txt names no library fdarc.dll stands in for"; fi
    for license in zlib mingw-w64 gcc-runtime-library GPL-3; do
        if [ -s "$top/licenses/$license.txt" ]; then pass "licenses/$license.txt"
        else fail "licenses/$license.txt is missing"; fi
    done
    if [ -d "$build/archivelib/licenses" ]; then
        for license in "$build"/archivelib/licenses/*.txt; do
            [ -e "$license" ] || continue
            if [ -s "$top/licenses/$(basename "$license")" ]; then pass "licenses/$(basename "$license")"
            else fail "licenses/$(basename "$license") of the bundled library is missing"; fi
        done
    fi
fi

if [ $failures -gt 0 ]; then
    echo "check-win32: $failures check(s) failed"
    exit 1
fi
echo "check-win32: all checks passed"

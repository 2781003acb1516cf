#!/usr/bin/env bash
# Installs the built fdarc.dll into the Wine prefix's system folder under
# every name the program loads it by (archivelib/library-names.txt: ZIP32J.DLL,
# UNZIP32.DLL, tar32.dll, 7-zip32.dll, UNLHA32.DLL, cab32.dll, unrar32.dll).
#   archivelib/install-into-prefix.sh BUILD_DIR      (for example build/win64)
# The prefix is $WINEPREFIX, else the project's build/wineprefix (as tools/wine-run.sh).
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dll="$1/archivelib/fdarc.dll"
[ -f "$dll" ] || dll="$1/fdarc.dll"  # a standalone build of archivelib/
if [ ! -f "$dll" ]; then
    echo "$0: no fdarc.dll under $1 (build the fdarc target first)" >&2
    exit 1
fi
prefix="${WINEPREFIX:-${FARDELIX_WINEPREFIX:-$root/build/wineprefix}}"
if [ ! -f "$prefix/system.reg" ]; then
    # Let the project's runner create the prefix the way it always does.
    "$root/tools/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
fi
# A 64-bit DLL belongs in system32 of a 64-bit prefix; a 32-bit one in syswow64.
case "$(od -An -tx1 -j"$(( $(od -An -tu4 -j60 -N4 "$dll") + 4 ))" -N2 "$dll" | tr -d ' ')" in
    6486) system="$prefix/drive_c/windows/system32" ;;
    4c01) system="$prefix/drive_c/windows/syswow64" ;;
    *) echo "$0: $dll is no Windows DLL" >&2; exit 1 ;;
esac
mkdir -p "$system"
mapfile -t names <"$root/archivelib/library-names.txt"
for name in "${names[@]}"; do
    install -m 0644 "$dll" "$system/$name"
done
echo "installed $dll as ${names[*]} in $system"

#!/usr/bin/env bash
# Makes the release zips on a fresh Debian 12 machine (as root):
#   build/win32/package/fardelix-VERSION-win32.zip
#   build/win64-release/package/fardelix-VERSION-win64.zip
# Installs what is missing, builds both widths optimised, packs them with
# CPack (stripped) and checks the 32-bit zip the way tools/test.sh does.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

for preset in win32 win64-release; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target fardelix fdarc
    rm -f build/"$preset"/package/fardelix-*.zip
    cpack --preset "$preset" >/dev/null
done

zip32=$(ls build/win32/package/fardelix-*-win32.zip)
zip64=$(ls build/win64-release/package/fardelix-*-win64.zip)
bash tools/check-win32.sh --zip "$zip32" build/win32
echo "release: $zip32"
echo "release: $zip64"

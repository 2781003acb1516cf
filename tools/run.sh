#!/usr/bin/env bash
# Builds fardelix and its bundled archiver library optimised (the
# win64-release preset; the tests keep the debug build of the win64 preset)
# and starts it under Wine; arguments go to the program,
# for example: tools/run.sh "C:\data\report.txt"
# Without a display it starts a virtual one (Xvfb) and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
# The program runs in a Wine prefix of its own, apart from the tests'
# build/wineprefix. Nothing is installed there: the build puts the bundled
# archiver library in archivers/fdarc.dll beside fardelix.exe, as the
# release does, where the program finds it.
export FARDELIX_WINEPREFIX="${FARDELIX_WINEPREFIX:-$PWD/build/wineprefix-run}"
bash tools/setup.sh
build=build/win64-release
cmake --preset win64-release >/dev/null
cmake --build --preset win64-release --target fardelix
if [ -z "${DISPLAY:-}" ]; then
    echo "run: no DISPLAY is set; starting the program on a virtual display (Xvfb)."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" tools/wine-run.sh "$build/fardelix.exe" "$@"
fi
exec tools/wine-run.sh "$build/fardelix.exe" "$@"

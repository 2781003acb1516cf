#!/usr/bin/env bash
# Starts a Windows program of the build inside a Wine virtual desktop on a
# virtual display, waits, saves a screenshot and ends the program. Wine draws
# the window frames itself there, so titles and borders show.
#   tools/screenshot.sh OUT.png SECONDS PROGRAM.exe [arguments...]
# Set SCREENSHOT_DIR to start the program in another current directory.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "$1")"; seconds="$2"; program="$(realpath "$3")"; shift 3
export WINEPREFIX="${FARDELIX_WINEPREFIX:-$here/build/wineprefix}"
export FARDELIX_WINEPREFIX="$WINEPREFIX"
inner=$(mktemp)
# Quoted: the program's arguments reach it untouched, backslashes included.
cat > "$inner" <<'INNER'
here="$1"; out="$2"; seconds="$3"; program="$4"; shift 4
"$here/tools/wine-run.sh" explorer /desktop=shot,1024x768 "$program" "$@" &
sleep "$seconds"
import -window root "$out"
/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
INNER
/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
(cd "${SCREENSHOT_DIR:-$PWD}" && xvfb-run -a -s "-screen 0 1024x768x24" bash "$inner" "$here" "$out" "$seconds" "$program" "$@")
rm -f "$inner"
echo "screenshot: $out"

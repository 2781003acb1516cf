#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine with the project's own prefix,
# code page 932 (ja_JP.UTF-8) and no debug chatter. Used by CTest as the
# cross-compiling emulator and by tools/run.sh.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${FARDELIX_WINEPREFIX:-$here/build/wineprefix}"
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=-all
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    # mscoree/mshtml off: no Mono or Gecko installer prompt on first use.
    WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
    # The desktop process of the set-up keeps the display it started with;
    # end it so the program below gets the current one.
    /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w || true
fi
# Wine draws the window frames itself. Under Xvfb there is no window manager:
# a managed window then has no title bar, and hiding one (EndDialog, a hidden
# file-list window) waits two seconds for the manager that never answers.
# The dialogs' "MS Shell Dlg" is "MS UI Gothic" on Japanese Windows, a font
# with narrow kana; without a stand-in of the same kind their labels are cut.
if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null ||
   ! grep -q '^"MS UI Gothic"="IPAPGothic"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS UI Gothic" /d IPAPGothic /f \
        >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w || true
fi
exec /usr/lib/wine/wine64 "$@"

# Sourced by the Wine scripts: one prefix per checkout, code page 936, quiet.
KORVEXA_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${KORVEXA_WINEPREFIX:-$KORVEXA_ROOT/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
KORVEXA_WINE=/usr/lib/wine/wine64
[ -x "$KORVEXA_WINE" ] || KORVEXA_WINE=$(command -v wine64 || command -v wine)
KORVEXA_WINESERVER=/usr/lib/wine/wineserver64
[ -x "$KORVEXA_WINESERVER" ] || KORVEXA_WINESERVER=$(command -v wineserver)

#!/bin/sh
# Starts the program under Wine, in Xvfb when there is no display.
set -eu
. "$(dirname "$0")/wine-env.sh"
. "$(dirname "$0")/xvfb.sh"

if qv_can_run_32bit; then
    exe=$QV_ROOT/dist/Quorventile.exe
    loader=$QV_WINE32
else
    exe=$QV_ROOT/build/x86_64/app/Quorventile.exe
    loader=$QV_WINE64
    export WINELOADER=$QV_WINE64
    echo "run: this machine can't start 32-bit programs; running the 64-bit build"
fi
if [ ! -f "$exe" ]; then
    echo "run: the program is not built yet ($exe)"
    exit 0
fi
qv_prepare_prefix
if [ -z "${DISPLAY:-}" ]; then
    qv_start_xvfb
    trap qv_stop_xvfb EXIT INT TERM
    echo "run: no display; started Xvfb on $DISPLAY. Take a look with:"
    echo "  xwd -root -display $DISPLAY -silent | convert xwd:- shot.png"
fi
"$loader" "$exe" "$@"

#!/bin/sh
# Starts the program under Wine, in Xvfb when there is no display: the real
# 32-bit dist/Quorventile.exe wherever 32-bit programs start (natively or
# through with-i386.sh), the 64-bit build only where they can't.
set -eu
tools=$(cd "$(dirname "$0")" && pwd)
. "$tools/wine-env.sh"
. "$tools/xvfb.sh"

if "$QV_WITH_I386" true 2>/dev/null; then
    bits=32
    exe=$QV_ROOT/dist/Quorventile.exe
else
    bits=64
    exe=$QV_ROOT/build/x86_64/app/Quorventile.exe
    "$QV_WITH_I386" true 2>&1 | sed 's/^with-i386/run/' || true
    echo "run: running the 64-bit build"
fi
if [ ! -f "$exe" ]; then
    echo "run: the program is not built yet ($exe)"
    exit 0
fi
if [ -z "${DISPLAY:-}" ]; then
    qv_start_xvfb
    trap qv_stop_xvfb EXIT INT TERM
    echo "run: no display; started Xvfb on $DISPLAY. Take a look with:"
    # Not xwd -root: on this Xvfb its picture shows a popup menu that lies
    # over another window as black, while the display has it drawn.
    echo "  import -display $DISPLAY -window root shot.png"
fi
"$tools/wine-run.sh" $bits "$exe" "$@"

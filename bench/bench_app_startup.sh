#!/bin/sh
# Runs app_startup_bench against the real program of its tree (QV_BITS 32
# or 64) in a Wine prefix of its own (a copy of the booted test prefix), on
# the display or a private Xvfb.
set -u
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export QV_ROOT
. "$QV_ROOT/tools/wine-env.sh"
. "$QV_ROOT/tools/xvfb.sh"
tree=x86_64
[ "$QV_BITS" = 32 ] && tree=i686
bench=$QV_ROOT/build/$tree/bench/app_startup_bench.exe
if [ ! -f "$bench" ]; then
    echo "bench_app_startup: not built ($bench)"
    exit 0
fi
qv_prepare_prefix
work=$QV_ROOT/build/$tree/bench/startup
rm -rf "$work"
mkdir -p "$work/home"
cp -a "$WINEPREFIX" "$work/prefix"
export WINEPREFIX="$work/prefix"
export HOME="$work/home"
export WINELOADER=$QV_WINE64
[ -n "${DISPLAY:-}" ] || qv_start_xvfb
finish() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    qv_stop_xvfb
    rm -rf "$work"
}
trap finish EXIT INT TERM
wineserver -p
if [ "${QV_BENCH_UNMANAGED:-1}" = 1 ]; then
    # Xvfb has no window manager: Wine waits 2 s for one whenever a managed
    # window (the main window, the tray icon's window) is unmapped.
    # Unmanaged windows measure the program instead.  The session starts
    # again so that explorer, which shows the tray icon, reads it too.
    "$QV_WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -k
    wineserver -w
    wineserver -p
fi
"$QV_WINE64" cmd /c exit >/dev/null 2>&1 </dev/null
timeout 400 "$(qv_loader)" "$bench"
echo "bench_app_startup: unmanaged windows (no 2 s wait for a window manager): ${QV_BENCH_UNMANAGED:-1}"

#!/bin/sh
# Runs the shell extension's probe in a fresh Wine prefix of its own (a copy
# of the booted test prefix): it registers the DLL, writes the user's data
# folder and holds the main program's mutex and window, none of which may
# meet another test.  The prefix runs in code page 936, as a Chinese Windows
# does (the type library's help string is read in it); with the Unix locale
# not installed, Wine then can't name files in other than ASCII.  Every
# process of that prefix is ended afterwards.
# Usage: run-probe.sh <probe.exe> <QuorventileShellExt.dll> <stand-in.exe> <work folder>
set -u
probe=$1
dll=$2
standin=$3
work=$4
QV_ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
export QV_ROOT
. "$QV_ROOT/tools/wine-env.sh"
. "$QV_ROOT/tools/xvfb.sh"
qv_test_deadline
qv_prepare_prefix

rm -rf "$work"
mkdir -p "$work/home" "$work/files"
cp -a "$WINEPREFIX" "$work/prefix"
export WINEPREFIX="$work/prefix"
export HOME="$work/home"
export WINELOADER=$QV_WINE64
export LC_ALL=zh_CN.UTF-8
# A crash ends the probe instead of waiting in the debugger.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"
if [ -z "${DISPLAY:-}" ]; then
    qv_start_xvfb
fi

windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
export QV_PROBE_DLL="$(windows_path "$dll")"
export QV_PROBE_STANDIN="$(windows_path "$standin")"
export QV_PROBE_WORK="$(windows_path "$work/files")"

finish() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    rm -rf "$work/prefix"
    qv_stop_xvfb
}
trap finish EXIT INT TERM
wineserver -p
WINELOADER=$QV_WINE64 "$QV_WINE64" cmd /c exit >/dev/null 2>&1 </dev/null
status=0
timeout "$(qv_time_left)" "$QV_WINE64" "$probe" ${QV_PROBE_ARGS:-} || status=1
# The menu once more as on Windows XP, where its item is owner-drawn: Wine
# reports that version to the probe alone.
"$QV_WINE64" reg add 'HKCU\Software\Wine\AppDefaults\shellext_probe.exe' /v Version /d winxp64 /f \
    >/dev/null 2>&1 || status=1
QV_PROBE_XP=1 timeout "$(qv_time_left)" "$QV_WINE64" "$probe" \
    --gtest_filter='ProbeSystem.*:ContextMenuTest.Menu*:ContextMenuTest.CommandIds*:ContextMenuTest.OwnerDraw*' \
    ${QV_PROBE_ARGS:-} || status=1
exit $status

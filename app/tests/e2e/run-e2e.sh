#!/bin/sh
# Runs the end-to-end probe against the real program in a fresh Wine prefix
# of its own (a copy of the booted test prefix), under the test display or
# a private Xvfb.  Every process of that prefix is ended afterwards.
# Usage: [QV_BITS=32] run-e2e.sh <probe.exe> <Quorventile.exe> <work folder>
# QV_BITS (from CTest) names the tree, 64 by default.
set -u
probe=$1
program=$2
work=$3
QV_ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
export QV_ROOT
. "$QV_ROOT/tools/wine-env.sh"
. "$QV_ROOT/tools/xvfb.sh"
qv_test_deadline
if [ "$QV_BITS" = 32 ]; then qv_enter_32bit "$0" "$@"; fi
qv_prepare_prefix

rm -rf "$work/prefix" "$work/home"
mkdir -p "$work/home" "$work/artefacts"
rm -f "$work/artefacts"/*
cp -a "$WINEPREFIX" "$work/prefix"
# The user's shell folders (Desktop, Documents...) link to the HOME the
# prefix was booted with, which other tests share: make them real folders of
# this prefix, so that a desktop synchronisation reads only what a test put
# there.
for folder in "$work"/prefix/drive_c/users/*/*; do
    if [ -L "$folder" ]; then
        rm "$folder" && mkdir "$folder"
    fi
done
# QV_E2E_UNMANAGED_WINDOWS=1: Wine's windows are not managed, so that
# closing a window does not wait for a window manager that Xvfb lacks and a
# program's exit can be timed.  Read when the wineserver starts.
if [ "${QV_E2E_UNMANAGED_WINDOWS:-}" = 1 ]; then
    printf '\n[Software\\\\Wine\\\\X11 Driver] 0\n"Managed"="N"\n' >>"$work/prefix/user.reg"
fi
export WINEPREFIX="$work/prefix"
export HOME="$work/home"
# Every shortcut a test saves on a desktop would start a winemenubuilder
# that waits for the probe to end: two more processes and X clients for
# each program start, piling up over a repeated run, and an X server takes
# 256 clients at most (past that a program starts with no window).
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
export WINELOADER=$QV_WINE64
if [ -z "${DISPLAY:-}" ]; then
    qv_start_xvfb
fi

windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
export QV_E2E_PROGRAM="$(windows_path "$program")"
export QV_E2E_ARTEFACTS="$(windows_path "$work/artefacts")"

finish() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    qv_stop_xvfb
    rm -rf "$work/prefix" # a copy of the test prefix; the artefacts stay
}
trap finish EXIT INT TERM
wineserver -p
timeout "$(qv_time_left)" "$(qv_loader)" "$probe"
status=$?
for shot in "$work"/artefacts/*.bmp; do
    [ -f "$shot" ] && command -v convert >/dev/null || continue
    convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
    echo "run-e2e: screenshot: ${shot%.bmp}.png"
done
exit $status

#!/bin/sh
# Runs every benchmark program (bench/*) under Wine; each prints BENCH lines.
set -u
. "$(dirname "$0")/wine-env.sh"
. "$(dirname "$0")/xvfb.sh"
qv_prepare_prefix
# The window benchmarks need a display.
[ -n "${DISPLAY:-}" ] || qv_start_xvfb
wineserver -p
trap 'wineserver -k 2>/dev/null; qv_stop_xvfb' EXIT INT TERM
export WINELOADER=$QV_WINE64
"$QV_WINE64" cmd /c exit >/dev/null 2>&1 </dev/null
status=0
for b in "$QV_ROOT"/build/x86_64/bench/bench_*.exe; do
    [ -f "$b" ] || continue
    "$QV_WINE64" "$b" || status=1
done
for s in "$QV_ROOT"/bench/*.sh; do
    [ -f "$s" ] || continue
    sh "$s" || status=1
done
exit $status

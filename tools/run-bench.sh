#!/bin/sh
# Runs every benchmark program (bench/*) under Wine; each prints BENCH lines.
set -u
. "$(dirname "$0")/wine-env.sh"
qv_prepare_prefix
wineserver -p
trap 'wineserver -k 2>/dev/null' EXIT INT TERM
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

#!/bin/sh
# Runs every benchmark (bench/*) under Wine, one tree after the other so that
# they never share the machine.  Each prints "BENCH <name> <value> <unit>"
# lines; here the name is prefixed with the tree the figure comes from
# ("BENCH i686/startup_to_window ...").  The 32-bit tree is what users get
# (Quorventile.exe and Notelet.dll are 32-bit programs): it runs wherever
# 32-bit programs start, natively or through with-i386.sh, whose emulator
# then takes part in every figure it gives.
set -u
tools=$(cd "$(dirname "$0")" && pwd)

# run-bench.sh --tree 32|64 <tree>: one tree's benchmarks in its own
# wineserver session.
if [ "${1:-}" = --tree ]; then
    QV_BITS=$2
    export QV_BITS
    . "$tools/wine-env.sh"
    qv_prepare_prefix
    qv_start_session
    [ "$QV_BITS" = 64 ] && export WINELOADER=$QV_WINE64
    status=0
    for b in "$QV_ROOT/build/$3/bench"/bench_*.exe; do
        [ -f "$b" ] || continue
        "$(qv_loader)" "$b" || status=1
    done
    for s in "$QV_ROOT"/bench/*.sh; do
        [ -f "$s" ] || continue
        sh "$s" || status=1
    done
    exit $status
fi

. "$tools/wine-env.sh"
. "$tools/xvfb.sh"
# The window benchmarks need a display.
[ -n "${DISPLAY:-}" ] || qv_start_xvfb
trap 'qv_stop_xvfb' EXIT INT TERM
rm -f "$QV_ROOT"/build/*/bench/rc
status=0

# bench_tree tree bits [wrapper...]: the tree's figures, tagged.
bench_tree() {
    tree=$1 bits=$2
    shift 2
    rc=$QV_ROOT/build/$tree/bench/rc
    "$@" sh "$tools/run-bench.sh" --tree "$bits" "$tree" </dev/null 2>&1
    echo $? >"$rc"
}
tag() { sed -u "s|^BENCH |BENCH $1/|"; }

echo "# x86_64 tree (64-bit build of every source)"
bench_tree x86_64 64 | tag x86_64
[ "$(cat "$QV_ROOT/build/x86_64/bench/rc")" = 0 ] || status=1
if qv_can_run_32bit; then
    echo "# i686 tree (the shipped 32-bit programs), run natively"
    bench_tree i686 32 | tag i686
elif qv_can_start_32bit; then
    echo "# i686 tree (the shipped 32-bit programs), run through qemu-i386: its times include the emulator"
    bench_tree i686 32 "$QV_WITH_I386" | tag i686
else
    echo "# i686 tree: 32-bit programs can't start here, so the shipped programs' figures are left out"
fi
if [ -f "$QV_ROOT/build/i686/bench/rc" ] && [ "$(cat "$QV_ROOT/build/i686/bench/rc")" != 0 ]; then
    status=1
fi
exit $status

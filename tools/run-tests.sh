#!/bin/sh
# Runs every test under Wine, both trees at once: each tree has its own
# prefix, wineserver and Xvfb display (a tree's GUI tests take turns on its
# display), so the whole run takes about as long as the longer tree.  The
# 32-bit tree runs wherever 32-bit programs start, natively or through
# with-i386.sh; where they can't, only the 64-bit tree runs and the log says
# so.  Each line of output is tagged with its tree; the last lines give each
# tree's count and time, then the total.
set -u
tools=$(cd "$(dirname "$0")" && pwd)

# run-tests.sh --tree 32|64: one tree's tests, in its own wineserver session.
if [ "${1:-}" = --tree ]; then
    QV_BITS=$2
    . "$tools/wine-env.sh"
    qv_prepare_prefix
    qv_start_session
    ctest --test-dir "$3" --output-on-failure -j "${QV_TEST_JOBS:-$(nproc)}"
    exit
fi

. "$tools/wine-env.sh"
. "$tools/xvfb.sh"
logs=$QV_ROOT/build/test-logs
rm -rf "$logs"
mkdir -p "$logs"
xvfbs=""
trees=""
trap 'for p in $xvfbs; do kill "$p" 2>/dev/null; done' EXIT INT TERM

# run_tree name bits [wrapper...]: runs in the background; leaves the tree's
# ctest output in $logs/name.log, its exit code in name.rc, its time in
# name.seconds.
run_tree() {
    name=$1 bits=$2
    shift 2
    qv_start_xvfb
    xvfbs="$xvfbs $QV_XVFB_PID"
    : >"$logs/$name.log"
    (
        start=$(date +%s)
        "$@" sh "$tools/run-tests.sh" --tree "$bits" "$QV_ROOT/build/$name" >"$logs/$name.log" 2>&1 </dev/null
        echo $? >"$logs/$name.rc"
        echo $(($(date +%s) - start)) >"$logs/$name.seconds"
    ) &
    trees="$trees $!"
    # Shows the log as it grows, tagged; ends with the tree.
    tail -n +1 -f --pid=$! "$logs/$name.log" 2>/dev/null | sed -u "s/^/[$name] /" &
    trees="$trees $!"
}

if qv_can_run_32bit; then
    how32="natively"
    run_tree i686 32
elif qv_can_start_32bit; then
    how32="through qemu-i386 in a private namespace"
    run_tree i686 32 "$QV_WITH_I386"
else
    how32=""
fi
run_tree x86_64 64
# Not a bare wait: the Xvfb servers are background jobs too.
for p in $trees; do wait "$p"; done

# summary name: "name tree: N passed, N failed in S s" from CTest's last words.
status=0
passed=0
failed=0
summary() {
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$logs/$1.log" | tail -n 1)
    total=$(echo "$line" | sed -E 's/.* out of ([0-9]+).*/\1/')
    bad=$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/')
    if [ -z "$line" ] || [ "$(cat "$logs/$1.rc")" != 0 ]; then status=1; fi
    if [ -z "$line" ]; then
        echo "run-tests: $1 tree: no test ran (see $logs/$1.log)"
        return
    fi
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    echo "run-tests: $1 tree${2:+ ($2)}: $((total - bad)) passed, $bad failed in $(cat "$logs/$1.seconds") s"
}
summary x86_64
if [ -n "$how32" ]; then
    summary i686 "$how32"
else
    "$QV_WITH_I386" true 2>&1 | sed 's/^with-i386/run-tests/'
    echo "run-tests: the 32-bit tree was built, but its tests were NOT run; only the 64-bit tree's ran"
fi
echo "run-tests: $passed passed, $failed failed"
exit $status

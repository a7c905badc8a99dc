#!/bin/sh
# Runs every test under Wine: one prefix, one wineserver and one Xvfb for the
# whole run.  The 32-bit tree's tests run only where this machine can start
# 32-bit programs; the 64-bit tree builds and tests the same sources.
set -u
. "$(dirname "$0")/wine-env.sh"
. "$(dirname "$0")/xvfb.sh"

qv_prepare_prefix
qv_start_xvfb
wineserver -p
# Wine's own service processes start with the first program of a session and
# live as long as the server; start them here so that they don't hold a
# test's output pipe open.
WINELOADER=$QV_WINE64 "$QV_WINE64" cmd /c exit >/dev/null 2>&1 </dev/null
trap 'wineserver -k 2>/dev/null; qv_stop_xvfb' EXIT INT TERM

JOBS=${QV_TEST_JOBS:-$(nproc)}
status=0
ctest --test-dir "$QV_ROOT/build/x86_64" --output-on-failure -j "$JOBS" || status=1
if qv_can_run_32bit; then
    ctest --test-dir "$QV_ROOT/build/i686" --output-on-failure -j "$JOBS" || status=1
else
    echo "run-tests: this machine can't start 32-bit programs; the 32-bit tree was built, its tests were not run"
fi
exit $status

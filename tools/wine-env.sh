# Sourced by the scripts that run Windows binaries: one Wine prefix per build
# tree, with its own HOME so that no shell folder links to the real home.
# QV_BITS (32 or 64, default 64) picks the tree: build/wine is the 64-bit
# tree's prefix, build/wine32 the 32-bit tree's, so that both trees' tests
# can run at once, each with its own wineserver.
QV_ROOT=${QV_ROOT:-$(cd "$(dirname "$0")/.." && pwd)}
QV_BITS=${QV_BITS:-64}
if [ "$QV_BITS" = 32 ]; then
    QV_WINE_DIR=${QV_WINE_DIR:-$QV_ROOT/build/wine32}
else
    QV_WINE_DIR=${QV_WINE_DIR:-$QV_ROOT/build/wine}
fi
export WINEPREFIX="$QV_WINE_DIR/prefix"
export HOME="$QV_WINE_DIR/home"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

QV_WINE64=/usr/lib/wine/wine64
QV_WINE32=/usr/lib/wine/wine
QV_WITH_I386=$QV_ROOT/tools/with-i386.sh

# Whether Wine's 32-bit loader starts in this process: natively, or inside
# with-i386.sh's namespace.
qv_can_run_32bit() {
    [ -x "$QV_WINE32" ] && "$QV_WINE32" --version >/dev/null 2>&1
}

# Whether 32-bit programs can start on this machine at all (through
# with-i386.sh where the kernel refuses them).
qv_can_start_32bit() {
    "$QV_WITH_I386" "$QV_WINE32" --version >/dev/null 2>&1
}

# A script that runs 32-bit programs calls this with "$0" "$@" first: where
# the 32-bit loader doesn't start here, it runs again inside with-i386.sh.
qv_enter_32bit() {
    if [ ! -e /proc/sys/fs/binfmt_misc/qv-i386 ] && ! qv_can_run_32bit; then
        exec "$QV_WITH_I386" sh "$@"
    fi
}

# Boots the prefix once; later callers wait on the lock and find it ready.
# A prefix booted where the 32-bit loader could not start has no 32-bit
# system (syswow64 stays empty and no 32-bit program finds kernel32.dll), so
# the file .booted records "32-bit: yes" or "no" and a prefix booted without
# is booted again once 32-bit programs start.
qv_prepare_prefix() {
    mkdir -p "$QV_WINE_DIR" "$HOME"
    (
        flock 9
        if [ ! -f "$QV_WINE_DIR/.booted" ] ||
            { ! grep -qx '32-bit: yes' "$QV_WINE_DIR/.booted" && qv_can_run_32bit; }; then
            rm -rf "$WINEPREFIX" "$QV_WINE_DIR/.booted"
            support=no
            if qv_can_run_32bit; then support=yes; fi
            WINELOADER=$QV_WINE64 "$QV_WINE64" wineboot -i >/dev/null 2>&1 || true
            # regedit reads UTF-16 files whole; the committed file is UTF-8.
            # Wine links the 32-bit view of the font keys to the 64-bit one.
            iconv -f UTF-8 -t UTF-16 "$QV_ROOT/tools/wine-prefix.reg" >"$QV_WINE_DIR/prefix.reg"
            WINELOADER=$QV_WINE64 "$QV_WINE64" regedit "$QV_WINE_DIR/prefix.reg" >/dev/null 2>&1 || true
            wineserver -w
            echo "32-bit: $support" >"$QV_WINE_DIR/.booted"
        fi
    ) 9>"$QV_WINE_DIR/.lock"
}

# Starts this tree's wineserver session for a run of many programs and ends
# it when the calling script exits.  Wine's service processes and its desktop
# (explorer.exe /desktop) start with the first program of a session; the
# desktop ends a moment after the last other program does, and the next
# program that needs a desktop starts it again, handing it that program's
# standard error: CTest then waits on that test's pipe until its time-out.
# A cmd that waits on an empty pipe for the whole session keeps them all, and
# they start here with no output of anyone's.
qv_start_session() {
    wineserver -p
    trap 'wineserver -k 2>/dev/null' EXIT INT TERM
    rm -f "$QV_WINE_DIR/session.fifo"
    mkfifo "$QV_WINE_DIR/session.fifo"
    exec 8<>"$QV_WINE_DIR/session.fifo"
    WINELOADER=$QV_WINE64 "$QV_WINE64" cmd <"$QV_WINE_DIR/session.fifo" >/dev/null 2>&1 &
    WINELOADER=$QV_WINE64 "$QV_WINE64" cmd /c exit >/dev/null 2>&1 </dev/null
}

# Scripts that start Wine themselves end their prefix's processes before
# CTest's time-out, which kills with SIGKILL and would leave them running.
# QV_TEST_TIMEOUT is the test's TIMEOUT, taken GTEST_REPEAT times as CTest
# then does (cmake/RepeatedTestTimeouts.cmake), less a margin for ending the
# prefix.  The first call sets the deadline, also for the scripts it runs.
qv_test_deadline() {
    if [ -z "${QV_TEST_DEADLINE:-}" ]; then
        repeat=${GTEST_REPEAT:-1}
        case $repeat in '' | *[!0-9]* | 0) repeat=1 ;; esac
        QV_TEST_DEADLINE=$(($(date +%s) + ${QV_TEST_TIMEOUT:-300} * repeat - 30))
        export QV_TEST_DEADLINE
    fi
}

# Seconds left until the deadline, at least one.
qv_time_left() {
    left=$((QV_TEST_DEADLINE - $(date +%s)))
    [ "$left" -gt 0 ] || left=1
    echo "$left"
}

# The loader for this tree's programs.
qv_loader() {
    if [ "$QV_BITS" = 32 ]; then echo "$QV_WINE32"; else echo "$QV_WINE64"; fi
}

# Sourced: starts a private Xvfb at 24 bits and exports DISPLAY.  Xvfb takes
# the first free display itself and names it once it accepts clients: two
# scripts starting at once (two trees, two checkouts on one machine) would
# both have seen the same number free, and the one whose server lost the
# race would have drawn on the other's display.
qv_start_xvfb() {
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/qv-xvfb.XXXXXX")
    mkfifo "$fifo"
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
    QV_XVFB_PID=$!
    n=""
    read -r n <"$fifo"
    rm -f "$fifo"
    if [ -z "$n" ]; then echo "xvfb: Xvfb did not start" >&2; fi
    export DISPLAY=:$n
}
qv_stop_xvfb() {
    if [ -n "${QV_XVFB_PID:-}" ]; then kill "$QV_XVFB_PID" 2>/dev/null || true; fi
}

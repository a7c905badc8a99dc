# Sourced by the scripts that run Windows binaries: one Wine prefix per build
# folder, with its own HOME so that no shell folder links to the real home.
QV_ROOT=${QV_ROOT:-$(cd "$(dirname "$0")/.." && pwd)}
QV_WINE_DIR=${QV_WINE_DIR:-$QV_ROOT/build/wine}
export WINEPREFIX="$QV_WINE_DIR/prefix"
export HOME="$QV_WINE_DIR/home"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# The 32-bit loader only runs where the kernel executes 32-bit ELF programs.
QV_WINE64=/usr/lib/wine/wine64
QV_WINE32=/usr/lib/wine/wine
qv_can_run_32bit() {
    [ -x "$QV_WINE32" ] && "$QV_WINE32" --version >/dev/null 2>&1
}

# Boots the prefix once; later callers wait on the lock and find it ready.
qv_prepare_prefix() {
    mkdir -p "$QV_WINE_DIR" "$HOME"
    (
        flock 9
        if [ ! -f "$QV_WINE_DIR/.booted" ]; then
            rm -rf "$WINEPREFIX"
            WINELOADER=$QV_WINE64 "$QV_WINE64" wineboot -i >/dev/null 2>&1 || true
            # regedit reads UTF-16 files whole; the committed file is UTF-8.
            iconv -f UTF-8 -t UTF-16 "$QV_ROOT/tools/wine-prefix.reg" >"$QV_WINE_DIR/prefix.reg"
            WINELOADER=$QV_WINE64 "$QV_WINE64" regedit "$QV_WINE_DIR/prefix.reg" >/dev/null 2>&1 || true
            wineserver -w
            touch "$QV_WINE_DIR/.booted"
        fi
    ) 9>"$QV_WINE_DIR/.lock"
}

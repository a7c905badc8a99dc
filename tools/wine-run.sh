#!/bin/sh
# CTest's emulator: wine-run.sh 32|64 program.exe [args...]
# Each tree's programs run in that tree's prefix; a 32-bit program runs
# through with-i386.sh where the kernel doesn't start 32-bit programs.
set -e
QV_BITS=$1
. "$(dirname "$0")/wine-env.sh"
if [ "$QV_BITS" = 32 ]; then
    qv_enter_32bit "$0" "$@"
    shift
    qv_prepare_prefix
    exec "$QV_WINE32" "$@"
fi
shift
qv_prepare_prefix
export WINELOADER=$QV_WINE64
exec "$QV_WINE64" "$@"

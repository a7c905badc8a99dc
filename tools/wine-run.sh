#!/bin/sh
# CTest's emulator: wine-run.sh 32|64 program.exe [args...]
set -e
. "$(dirname "$0")/wine-env.sh"
bits=$1; shift
qv_prepare_prefix
if [ "$bits" = 32 ]; then
    exec "$QV_WINE32" "$@"
fi
export WINELOADER=$QV_WINE64
exec "$QV_WINE64" "$@"

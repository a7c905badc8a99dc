#!/bin/sh
# Gathers what a Windows user copies into dist/.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DIST=$ROOT/dist
rm -rf "$DIST"
mkdir -p "$DIST"
copy() { if [ -e "$1" ]; then cp -r "$1" "$DIST/"; fi; }
copy "$ROOT/build/i686/app/Quorventile.exe"
copy "$ROOT/build/i686/notelet/Notelet.dll"
copy "$ROOT/build/x86_64/shellext/QuorventileShellExt.dll"
copy "$ROOT/build/i686/Skin"

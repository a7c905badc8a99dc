#!/bin/sh
# Installs what the build and the tests need on a Debian machine, then
# unpacks the SQLite amalgamation.  Safe to run again: it only does what is
# missing.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
SQLITE_NPM_VERSION=12.4.1
DEPS_DIR="$ROOT/build/deps"

PACKAGES="g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
libz-mingw-w64-dev wine wine32:i386 wine64 xvfb xauth x11-apps xdotool
imagemagick fonts-wine fonts-wqy-microhei sqlite3 cmake ninja-build googletest libwine-dev
w3c-sgml-lib python3 python3-pil zip unzip iproute2"

# libwine-dev brings the system IDL files that widl (mingw-w64-tools) reads
# for the shell extension's type library and proxy/stub.

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done

# npm may come from another Node.js distribution; only ask Debian for it when
# there is none.
if ! command -v npm >/dev/null 2>&1; then missing="$missing nodejs npm"; fi

if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi

if [ ! -f "$DEPS_DIR/sqlite3/sqlite3.c" ]; then
    echo "setup: unpacking SQLite from better-sqlite3@$SQLITE_NPM_VERSION"
    tmp=$(mktemp -d)
    (cd "$tmp" && npm pack --silent "better-sqlite3@$SQLITE_NPM_VERSION" >/dev/null &&
        tar -xzf "better-sqlite3-$SQLITE_NPM_VERSION.tgz" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h)
    mkdir -p "$DEPS_DIR/sqlite3"
    cp "$tmp/package/deps/sqlite3/sqlite3.c" "$tmp/package/deps/sqlite3/sqlite3.h" "$DEPS_DIR/sqlite3/"
    rm -rf "$tmp"
fi

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
    # A mirror in the middle of a sync fails one index now and then; the
    # install below still fails loudly if a package can't be had.
    $SUDO apt-get update -qq || echo "setup: apt-get update reported errors; installing from the lists it has" >&2
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

# Where the kernel refuses 32-bit programs, Wine's 32-bit loader runs through
# qemu's i386 user-mode emulator (see tools/with-i386.sh).  Debian 12's own
# qemu 7.2 spends about a minute starting each 32-bit Wine program, so
# the binary comes from the backports suite, unpacked into build/deps/qemu
# through a private apt state: the machine's apt sources stay as they are.
# Should the suite have moved on from the pinned version, its current one is
# taken (the file "pin" keeps the version asked for, so this runs once).
QEMU_SUITE=bookworm-backports
QEMU_VERSION=1:10.0.2+ds-2+deb13u1~bpo12+1
QEMU_DIR="$DEPS_DIR/qemu"
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 &&
    [ "$(cat "$QEMU_DIR/pin" 2>/dev/null)" != "$QEMU_VERSION" ]; then
    echo "setup: unpacking qemu-i386 from qemu-user $QEMU_VERSION ($QEMU_SUITE)"
    # The suite's mirror is the one this machine already uses for Debian.
    mirror=$(apt-get indextargets --format '$(REPO_URI)' "Release: bookworm" "Identifier: Packages" | head -n 1)
    if [ -z "$mirror" ]; then
        echo "setup: no Debian bookworm archive among the apt sources; can't fetch qemu-user" >&2
        exit 1
    fi
    apt_dir="$DEPS_DIR/apt"
    rm -rf "$apt_dir"
    mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/deb"
    cat >"$apt_dir/sources/qemu.sources" <<SOURCES
Types: deb
URIs: $mirror
Suites: $QEMU_SUITE
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    : >"$apt_dir/none.list"
    qemu_apt() {
        "$@" -q -o Dir::Etc::SourceList="$apt_dir/none.list" -o Dir::Etc::SourceParts="$apt_dir/sources" \
            -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" \
            -o APT::Architectures::="$(dpkg --print-architecture)" -o APT::Sandbox::User=root
    }
    qemu_apt apt-get update >/dev/null
    (cd "$apt_dir/deb" && { qemu_apt apt-get download "qemu-user=$QEMU_VERSION" >/dev/null 2>&1 ||
        qemu_apt apt-get download qemu-user >/dev/null; })
    dpkg-deb -x "$apt_dir/deb"/qemu-user_*.deb "$apt_dir/unpacked"
    mkdir -p "$QEMU_DIR"
    cp "$apt_dir/unpacked/usr/bin/qemu-i386" "$QEMU_DIR/qemu-i386"
    "$QEMU_DIR/qemu-i386" --version | head -n 1
    echo "$QEMU_VERSION" >"$QEMU_DIR/pin"
    rm -rf "$apt_dir"
fi

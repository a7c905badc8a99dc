#!/bin/sh
# Runs the message module's end-to-end probe where the web host's name means
# 127.0.0.1: in a network and mount namespace of its own, with its own
# /etc/hosts and loopback, so that the real program and module talk to their
# constant host on port 80 and the probe plays that host.  Nothing outside
# the namespace sees the name or the port.  The program folder holds the
# program, the module and the skin; run-e2e.sh does the rest (a fresh prefix
# copy, its own wineserver).
# Usage: run-notelet-e2e.sh <probe.exe> <Quorventile.exe> <Notelet.dll> <work folder>
set -u
probe=$1
program=$2
module=$3
work=$4
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
web_host=$(sed -n 's/.*WebHost = L"\([^"]*\)".*/\1/p' "$root/online/WebHost.h")

if [ -z "${QV_IN_WEB_HOST_NAMESPACE:-}" ]; then
    as_root=""
    [ "$(id -u)" = 0 ] || as_root="--user --map-root-user"
    # shellcheck disable=SC2086
    if ! unshare $as_root --mount --net true 2>/dev/null; then
        echo "run-notelet-e2e: no network namespace here (unshare failed); test skipped"
        exit 77
    fi
    # shellcheck disable=SC2086
    exec env QV_IN_WEB_HOST_NAMESPACE=1 unshare $as_root --mount --net sh "$0" "$@"
fi

mkdir -p "$work"
printf '127.0.0.1 localhost\n127.0.0.1 %s\n' "$web_host" >"$work/hosts"
mount --bind "$work/hosts" /etc/hosts || exit 1
ip link set lo up || exit 1

rm -rf "$work/program"
mkdir -p "$work/program"
cp "$program" "$module" "$work/program/"
cp -r "$(dirname "$program")/Skin" "$work/program/"
export QV_E2E_WEB_HOST="$web_host"
# The probe times the program's exit.
export QV_E2E_UNMANAGED_WINDOWS=1
exec sh "$root/app/tests/e2e/run-e2e.sh" "$probe" "$work/program/$(basename "$program")" "$work"

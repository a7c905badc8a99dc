#!/bin/sh
# with-i386.sh command [args...]
# Runs the command where 32-bit ELF programs (Wine's 32-bit loader) start:
# as it is where they already do, otherwise in a private user and mount
# namespace whose own binfmt_misc sends i386 ELF programs to qemu-i386
# (build/deps/qemu, fetched by tools/setup.sh).  Only that process tree sees
# the registration; the machine's own binfmt_misc is never touched.  The
# kernel allows binfmt_misc in a user namespace from Linux 6.7 on.
# Exits 125 with a message where neither works.
set -eu
QV_ROOT=${QV_ROOT:-$(cd "$(dirname "$0")/.." && pwd)}
loader32=/usr/lib/wine/wine
qemu=$QV_ROOT/build/deps/qemu/qemu-i386
binfmt=/proc/sys/fs/binfmt_misc

if [ "${1:-}" = --in-namespace ]; then
    shift
    mount -t binfmt_misc binfmt_misc "$binfmt"
    # i386 ELF executables (and PIEs), any OS ABI.  F opens the emulator
    # now, so it runs whatever the process's mounts and root look like.
    printf '%s' ':qv-i386:M::\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' >"$binfmt/register"
    exec "$@"
fi

if [ -e "$binfmt/qv-i386" ] || "$loader32" --version >/dev/null 2>&1; then exec "$@"; fi
if [ -x "$qemu" ] && command -v unshare >/dev/null &&
    unshare --user --map-root-user --mount "$0" --in-namespace "$loader32" --version >/dev/null 2>&1; then
    exec unshare --user --map-root-user --mount "$0" --in-namespace "$@"
fi
echo "with-i386: 32-bit programs can't start here: the kernel refuses them and" \
    "${qemu##*/} can't be registered in a private namespace (needs $qemu from tools/setup.sh, unshare and Linux 6.7 or later)" >&2
exit 125

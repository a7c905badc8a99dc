#!/bin/sh
# Figures of the online services, each measured side by side with its
# reference in this one run: our SHA-1 against sha1sum on the same 256 MiB
# file, our level-8 deflate against zlib's level 8, and a 50 MB download
# from the local HTTP server with its peak memory.  QV_BITS (32 or 64) picks
# the tree whose online_bench runs.
set -u
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export QV_ROOT
. "$QV_ROOT/tools/wine-env.sh"
tree=x86_64
[ "$QV_BITS" = 32 ] && tree=i686
bench=$QV_ROOT/build/$tree/bench/online_bench.exe
if [ ! -f "$bench" ]; then
    echo "bench_online: not built ($bench)"
    exit 0
fi
qv_prepare_prefix
loader=$(qv_loader)
[ "$QV_BITS" = 64 ] && export WINELOADER=$QV_WINE64
work=$QV_ROOT/build/$tree/bench/online
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT INT TERM
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
status=0

# SHA-1: the best of three runs each, the file cached for both.
head -c 268435456 /dev/urandom >"$work/sha1.bin"
theirs=9999
for round in 1 2 3; do
    start=$(date +%s.%N)
    digest=$(sha1sum "$work/sha1.bin" | cut -c1-40)
    theirs=$(awk -v start="$start" -v end="$(date +%s.%N)" -v best="$theirs" \
        'BEGIN { s = end - start; print (s < best) ? s : best }')
done
set -- $("$loader" "$bench" sha1 "$(windows_path "$work/sha1.bin")" | tr -d '\r')
if [ $# -eq 2 ] && [ "$2" = "$(echo "$digest" | tr a-f A-F)" ]; then
    echo "# sha1: sha1sum $theirs s, ours $1 s"
    awk -v theirs="$theirs" -v ours="$1" 'BEGIN { printf "BENCH sha1_ratio_vs_sha1sum %.3f x\n", theirs / ours }'
else
    echo "bench_online: our SHA-1 failed or differs from sha1sum's"
    status=1
fi
rm -f "$work/sha1.bin"

# Deflate: a text corpus (our sources and the common licences) and the
# program users get (the 32-bit one where it was built); the program adds
# random bytes and zeros.
find "$QV_ROOT" -path "$QV_ROOT/build" -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort |
    xargs cat /usr/share/common-licenses/* >"$work/corpus.txt"
program=$QV_ROOT/build/i686/app/Quorventile.exe
[ -f "$program" ] || program=$QV_ROOT/build/x86_64/app/Quorventile.exe
"$loader" "$bench" deflate "$(windows_path "$work/corpus.txt")" "$(windows_path "$program")" || status=1

"$loader" "$bench" download || status=1
exit $status

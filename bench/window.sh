#!/usr/bin/env bash
# The benchmark tree searched three ways, warm: from the window program under
# Wine (Go to the last group, and the longest time the window kept anyone
# waiting), by twinsweep-cli.exe under Wine, and by the native twinsweep-cli.
#   bash bench/window.sh [--files N] [--runs R]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
files=60000
runs=3
while [ $# -ge 2 ]; do
    case $1 in
        --files) files=$2 ;;
        --runs) runs=$2 ;;
        *) echo "usage: bash bench/window.sh [--files N] [--runs R]" >&2; exit 2 ;;
    esac
    shift 2
done

. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES $WINDOWS_PACKAGES $BENCH_PACKAGES
cmake -S "$root" -B "$root/out/bench" -DCMAKE_BUILD_TYPE=Release -DTWINSWEEP_TESTS=OFF >/dev/null
cmake --build "$root/out/bench" --target twinsweep-cli make_bench_tree -j2 >/dev/null
cmake -S "$root" -B "$root/out/bench-win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    -DTWINSWEEP_TESTS=OFF >/dev/null
cmake --build "$root/out/bench-win64" --target window_search twinsweep-cli -j2 >/dev/null

tree=/tmp/twinsweep-bench/tree-$files-1
if [ ! -d "$tree" ]; then
    mkdir -p /tmp/twinsweep-bench
    rm -rf "$tree.partial"
    "$root/out/bench/bench/make_bench_tree" "$tree.partial" --files "$files"
    mv "$tree.partial" "$tree"
fi
find "$tree" -type f -print0 | xargs -0 -P2 cat >/dev/null
windowsTree="Z:${tree//\//\\}"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

export root
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    . "$root/scripts/wine-env.sh"
    wine_start
    for i in $(seq '"$runs"'); do
        $WINE "$root/out/bench-win64/bench/window_search.exe" "'"$windowsTree"'" >>/tmp/twinsweep-window.$$
        # Output to a file, as in bench/wine.sh: Wine takes /dev/null for a console.
        /usr/bin/time -f %e -a -o /tmp/twinsweep-wincli.$$ \
            $WINE "$root/out/bench-win64/twinsweep-cli.exe" "'"$windowsTree"'" >/tmp/twinsweep-wincli-output.$$ 2>&1
    done
    wine_stop
    cat /tmp/twinsweep-window.$$ >/tmp/twinsweep-window.out
    cat /tmp/twinsweep-wincli.$$ >/tmp/twinsweep-wincli.out
    rm -f /tmp/twinsweep-window.$$ /tmp/twinsweep-wincli.$$ /tmp/twinsweep-wincli-output.$$
'
for i in $(seq "$runs"); do
    /usr/bin/time -f %e -a -o /tmp/twinsweep-native.out "$root/out/bench/twinsweep-cli" "$tree" >/dev/null 2>&1
done

window=$(awk '$1 == "seconds" { print $2 }' /tmp/twinsweep-window.out | median)
wait=$(awk '$1 == "longest-ui-wait-ms" { print $2 }' /tmp/twinsweep-window.out | sort -n | tail -1)
lines=$(awk '$1 == "lines" { print $2 }' /tmp/twinsweep-window.out | tail -1)
groups=$(awk '$1 == "groups" { print $2 }' /tmp/twinsweep-window.out | tail -1)
wincli=$(median </tmp/twinsweep-wincli.out)
native=$(tail -n "$runs" /tmp/twinsweep-native.out | median)
rm -f /tmp/twinsweep-native.out
echo "Tree $tree, warm cache, median of $runs runs"
printf '%-40s %8s s\n' "window program under Wine (Go to end)" "$window"
printf '%-40s %8s s   (process start included)\n' "twinsweep-cli.exe under Wine" "$wincli"
printf '%-40s %8s s\n' "native twinsweep-cli" "$native"
echo "window: $groups groups, $lines lines; longest wait of the user-interface thread: $wait ms"

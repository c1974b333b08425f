#!/usr/bin/env bash
# Times twinsweep-cli.exe under Wine, x86_64 and i686, against the Win32 floor
# (bench/win_floor.cpp, under the same Wine) and the native twinsweep-cli
# against jdupes and rdfind, on trees of four shapes, and prints the ratios:
#   bash bench/wine.sh [--runs R] [--best B] [--dir D] [--trees "60000 250000 hugepairs deep-2000 flat-300000"]
# A number is a tree of that many files made by make_bench_tree, random, tail2,
# tail1 and hugepairs its trees of files of one size (as in bench/run.sh);
# deep-N is N nested folders and flat-N one folder of N files (make_walk_tree). Trees are
# made once under D (default /tmp/twinsweep-bench) and kept. Times are medians
# of R runs (default 3), warm cache, process start included; the floor program
# runs in every round too, between the others, so that both see the same moments
# of a busy machine, and its figure is the median of its rounds (each the best of
# three in-process). twinsweep-cli.exe likewise runs B times in each round (default
# 3), and the round keeps its best run, so that both sides are the best of as
# many tries; the least of the rounds is printed too. The start of a Wine
# process, timed on an empty folder, is printed for its share of each run. Figures, not a test: CI does not run this.
set -euo pipefail
# Wine maps the trees' UTF-8 names only under a UTF-8 locale.
export LC_ALL=C.UTF-8

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=3
best=3
base=/tmp/twinsweep-bench
trees="60000 250000 hugepairs deep-2000 flat-300000"

usage() {
    echo 'usage: bash bench/wine.sh [--runs R] [--best B] [--dir D] [--trees "60000 deep-2000 ..."]' >&2
    exit 2
}
while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || usage
    case $1 in
        --runs) runs=$2 ;;
        --best) best=$2 ;;
        --dir) base=$2 ;;
        --trees) trees=$2 ;;
        *) usage ;;
    esac
    shift 2
done

. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES $WINDOWS_PACKAGES $BENCH_PACKAGES

echo "Building"
cmake -S "$root" -B "$root/out/bench" -DCMAKE_BUILD_TYPE=Release -DTWINSWEEP_TESTS=OFF >/dev/null
cmake --build "$root/out/bench" --target twinsweep-cli make_bench_tree make_walk_tree -j2 >/dev/null
for arch in x86_64 i686; do
    build=$root/out/bench-win-$arch
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DTWINSWEEP_TESTS=OFF >/dev/null
    cmake --build "$build" --target twinsweep-cli win_floor -j2 >/dev/null
done

mkdir -p "$base"
base=$(cd "$base" && pwd)
scratch=$base/wine-scratch
rm -rf "$scratch"
mkdir -p "$scratch"
empty=$base/wine-empty  # a folder with nothing to search, for the start of a process
mkdir -p "$empty"

# The tree's folder, made aside and renamed when complete, so that an interrupted
# generation is never taken for a finished tree. The generated trees are named
# as bench/run.sh names them, so that both scripts share them.
make_tree() {
    local name=$1 tree
    case $name in
        deep-* | flat-*) tree=$base/$name ;;
        hugepairs) tree=$base/tree-hugepairs-4-1 ;;
        random | tail2 | tail1) tree=$base/tree-$name-50000-1 ;;
        *) tree=$base/tree-$name-1 ;;
    esac
    if [ ! -d "$tree" ]; then
        echo "Generating $tree" >&2
        rm -rf "$tree.partial"
        case $name in
            deep-*) "$root/out/bench/bench/make_walk_tree" "$tree.partial" --depth "${name#deep-}" ;;
            flat-*) "$root/out/bench/bench/make_walk_tree" "$tree.partial" --flat "${name#flat-}" ;;
            random | tail2 | tail1 | hugepairs)
                "$root/out/bench/bench/make_bench_tree" "$tree.partial" --shape "$name" >/dev/null ;;
            *) "$root/out/bench/bench/make_bench_tree" "$tree.partial" --files "$name" >/dev/null ;;
        esac
        mv "$tree.partial" "$tree"
    fi
    echo "$tree"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
least() { sort -n | head -1; }

# Appends the wall time of one run of a command to $scratch/NAME. Its output goes
# to a file, as a user keeps it: under Wine /dev/null is a character device, which
# the C runtime takes for a console and asks for its mode at every write.
timed() {
    local name=$1
    shift
    /usr/bin/time -f %e -a -o "$scratch/$name" "$@" >"$scratch/$name.out" 2>"$scratch/$name.err" ||
        { echo "$name failed; see $scratch/$name.err" >&2; exit 1; }
}

export WINEPREFIX=${WINEPREFIX:-$root/out/bench-wineprefix}
. "$root/scripts/wine-env.sh"
wine_start >/dev/null 2>&1
trap wine_stop EXIT
archs="x86_64"
if $WINE32 "$root/out/bench-win-i686/twinsweep-cli.exe" --help >/dev/null 2>&1; then
    archs="x86_64 i686"
else
    echo "32-bit Windows programs do not run here: the i686 figures are left out" >&2
fi
loader() { if [ "$1" = i686 ]; then echo "$WINE32"; else echo "$WINE64"; fi; }

for name in $trees; do
    tree=$(make_tree "$name")
    windowsTree="Z:${tree//\//\\}"
    echo "Warming the page cache for $tree"
    find "$tree" -type f -print0 | xargs -0 -P2 cat >/dev/null
    rm -f "$scratch"/*
    for i in $(seq "$runs"); do
        echo "Run $i of $runs"
        for arch in $archs; do
            $(loader $arch) "$root/out/bench-win-$arch/bench/win_floor.exe" "$windowsTree" >>"$scratch/floor-$arch.txt"
            for try in $(seq "$best"); do
                timed "tries-$arch" $(loader $arch) "$root/out/bench-win-$arch/twinsweep-cli.exe" "$windowsTree"
            done
            least <"$scratch/tries-$arch" >>"$scratch/ours-$arch"
            rm "$scratch/tries-$arch"
            timed "start-$arch" $(loader $arch) "$root/out/bench-win-$arch/twinsweep-cli.exe" "Z:${empty//\//\\}"
        done
        timed native "$root/out/bench/twinsweep-cli" "$tree"
        timed jdupes jdupes -r -q "$tree"
        timed rdfind rdfind -dryrun true -outputname "$scratch/rdfind.results" "$tree"
    done

    echo
    echo "Tree $tree: $(awk '/^Files:/ { sub(/^Files: /, ""); print; exit }' "$scratch/floor-x86_64.txt")"
    printf '  %-34s %10s  %s\n' "" "seconds" "ratio"
    for arch in $archs; do
        floor=$(awk '/^Floor:/ { print $2 }' "$scratch/floor-$arch.txt" | median)
        bySize=$(awk '/^Floor by size:/ { print $4 }' "$scratch/floor-$arch.txt" | median)
        walk=$(awk '/^Walk floor/ { print $5 }' "$scratch/floor-$arch.txt" | median)
        read=$(awk '/^Read floor,/ { print $5 }' "$scratch/floor-$arch.txt" | median)
        readBySize=$(awk '/^Read floor by size,/ { print $7 }' "$scratch/floor-$arch.txt" | median)
        ours=$(median <"$scratch/ours-$arch")
        start=$(median <"$scratch/start-$arch")
        oursBest=$(least <"$scratch/ours-$arch")
        floorBest=$(awk '/^Floor:/ { print $2 }' "$scratch/floor-$arch.txt" | least)
        bySizeBest=$(awk '/^Floor by size:/ { print $4 }' "$scratch/floor-$arch.txt" | least)
        printf '  %-34s %10.3f  (walk %.3f + read %.3f)\n' "Win32 floor, $arch" "$floor" "$walk" "$read"
        printf '  %-34s %10.3f  (walk %.3f + read %.3f)\n' "Win32 floor reading by size, $arch" "$bySize" "$walk" \
            "$readBySize"
        awk -v arch="$arch" -v ours="$ours" -v floor="$floor" -v bySize="$bySize" -v start="$start" 'BEGIN {
            printf "  %-34s %10.3f  %.2f x the floor (%.2f x without the process start, %.3f s)\n",
                   "twinsweep-cli.exe, " arch, ours, ours / floor, (ours - start) / floor, start
            printf "  %-34s %10s  %.2f x the floor reading by size (%.2f x without the process start)\n",
                   "", "", ours / bySize, (ours - start) / bySize
        }'
        # A busy moment only ever adds time: the least of the rounds is the figure
        # least disturbed, on both sides.
        awk -v ours="$oursBest" -v floor="$floorBest" -v bySize="$bySizeBest" 'BEGIN {
            printf "  %-34s %10.3f  %.2f x the least floor, %.2f x the least floor reading by size\n",
                   "  least of the rounds", ours, ours / floor, ours / bySize
        }'
    done
    native=$(median <"$scratch/native")
    jdupes=$(median <"$scratch/jdupes")
    rdfind=$(median <"$scratch/rdfind")
    awk -v native="$native" -v jdupes="$jdupes" -v rdfind="$rdfind" -v wine="$(median <"$scratch/ours-x86_64")" 'BEGIN {
        printf "  %-34s %10.3f  %.2f x jdupes, %.2f x rdfind\n", "twinsweep-cli, native", native,
               native / jdupes, native / rdfind
        printf "  %-34s %10.3f\n", "jdupes", jdupes
        printf "  %-34s %10.3f\n", "rdfind", rdfind
        printf "  %-34s %10.2f\n", "x86_64 under Wine / native", wine / native
    }'
    echo
done

#!/usr/bin/env bash
# Times twinsweep-cli.exe under Wine, x86_64 and i686, against the Win32 floor
# (bench/win_floor.cpp, under the same Wine) and the native twinsweep-cli
# against jdupes and rdfind, on trees of four shapes, and prints the ratios:
#   bash bench/wine.sh [--runs R] [--cold] [--dir D] [--trees "60000 250000 hugepairs deep-2000 flat-300000"]
# A number is a tree of that many files made by make_bench_tree, random, tail2,
# tail1, hugepairs, head1 and empty its other shapes (as in bench/run.sh);
# deep-N is N nested folders and flat-N one folder of N files (make_walk_tree).
# Trees are made once under D (default /tmp/twinsweep-bench) and kept.
# Every program, the floor's passes included, is timed alike, in R interleaved
# rounds (default 3) as bench/rounds.sh says: the wall time of its process, the
# start of a Wine process included on every side. The floor's reads are planned
# by a process of their own before the rounds, so that no pass follows a pass
# of its own over the same bytes. --cold drops the page cache before every run.
# The start of a Wine process alone (twinsweep-cli.exe searching an empty
# folder) is timed in the same rounds and printed for its share.
# Figures, not a test: CI does not run this.
set -euo pipefail
# Wine maps the trees' UTF-8 names only under a UTF-8 locale.
export LC_ALL=C.UTF-8

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=3
cache=warm
base=/tmp/twinsweep-bench
trees="60000 250000 hugepairs deep-2000 flat-300000"

usage() {
    echo 'usage: bash bench/wine.sh [--runs R] [--cold] [--dir D] [--trees "60000 deep-2000 ..."]' >&2
    exit 2
}
. "$root/bench/rounds.sh"
parse_options "runs dir trees" "$@"
require_count --runs "$runs"
for name in $trees; do
    case $name in
        random | tail2 | tail1 | hugepairs | head1 | empty) ;;
        deep-* | flat-*) require_count "--trees ${name%%-*}-N" "${name#*-}" ;;
        *[!0-9]* | 0*)
            echo "a tree is a number of files, random, tail2, tail1, hugepairs, head1, empty, deep-N or flat-N; not '$name'" >&2
            exit 2 ;;
    esac
done
[ -n "$trees" ] || usage
check_cache_mode

. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES $WINDOWS_PACKAGES $BENCH_PACKAGES

echo "Building"
cmake -S "$root" -B "$root/out/bench" -DCMAKE_BUILD_TYPE=Release -DTWINSWEEP_TESTS=OFF >/dev/null
cmake --build "$root/out/bench" --target twinsweep-cli make_bench_tree make_walk_tree -j2 >/dev/null
build_windows() {
    local build=$root/out/bench-win-$1
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$1.cmake" -DTWINSWEEP_TESTS=OFF >/dev/null &&
        cmake --build "$build" --target twinsweep-cli win_floor -j2 >/dev/null
}
build_windows x86_64
# Without a 32-bit build the i686 figures are left out below.
build_windows i686 || rm -f "$root/out/bench-win-i686/twinsweep-cli.exe"

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
        head1) tree=$base/tree-head1-4000-1 ;;
        empty) tree=$base/tree-empty-1000000-1 ;;
        *) tree=$base/tree-$name-1 ;;
    esac
    if [ ! -d "$tree" ]; then
        echo "Generating $tree" >&2
        rm -rf "$tree.partial"
        case $name in
            deep-*) "$root/out/bench/bench/make_walk_tree" "$tree.partial" --depth "${name#deep-}" ;;
            flat-*) "$root/out/bench/bench/make_walk_tree" "$tree.partial" --flat "${name#flat-}" ;;
            random | tail2 | tail1 | hugepairs | head1 | empty)
                "$root/out/bench/bench/make_bench_tree" "$tree.partial" --shape "$name" >/dev/null ;;
            *) "$root/out/bench/bench/make_bench_tree" "$tree.partial" --files "$name" >/dev/null ;;
        esac
        mv "$tree.partial" "$tree"
    fi
    echo "$tree"
}

q() { printf '%q' "$1"; }
windowsPath() { echo "Z:${1//\//\\}"; }

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
    rm -f "$scratch"/*
    declare -A commands=()
    names=()
    for arch in $archs; do
        floor="$(q "$(loader $arch)") $(q "$root/out/bench-win-$arch/bench/win_floor.exe")"
        plan=$(windowsPath "$scratch/plan-$arch")
        echo "Planning the floor's reads, $arch"
        eval "$floor --plan $(q "$(windowsPath "$tree")") $(q "$plan")" >"$scratch/floor-$arch.txt"
        commands[ours-$arch]="$(q "$(loader $arch)") $(q "$root/out/bench-win-$arch/twinsweep-cli.exe") $(q "$(windowsPath "$tree")")"
        commands[floor-$arch]="$floor --pass $(q "$(windowsPath "$tree")") $(q "$plan")"
        commands[floor-by-size-$arch]="$floor --pass $(q "$(windowsPath "$tree")") $(q "$plan") --by-size"
        commands[start-$arch]="$(q "$(loader $arch)") $(q "$root/out/bench-win-$arch/twinsweep-cli.exe") $(q "$(windowsPath "$empty")")"
        names+=(ours-$arch floor-$arch floor-by-size-$arch start-$arch)
    done
    commands[native]="$(q "$root/out/bench/twinsweep-cli") $(q "$tree")"
    commands[jdupes]="jdupes -r -q $(q "$tree")"
    commands[rdfind]="rdfind -dryrun true -outputname $(q "$scratch/rdfind.results") $(q "$tree")"
    names+=(native jdupes rdfind)
    if [ "$cache" = warm ]; then
        echo "Warming the page cache for $tree"
        find "$tree" -type f -print0 | xargs -0 -P2 cat >/dev/null
    fi
    time_rounds "$runs" "${names[@]}"

    echo
    echo "Tree $tree: $(awk '/^Files:/ { sub(/^Files: /, ""); print; exit }' "$scratch/floor-x86_64.txt")"
    describe_clock "$runs"
    printf '  %-34s %9s %9s  %s\n' "" "median s" "least s" "ratio of medians (of leasts)"
    line() { # LABEL NAME [TEXT]
        awk -v label="$1" -v median="$(median_of "$2")" -v least="$(least_of "$2")" -v text="${3:-}" \
            'BEGIN { printf "  %-34s %9.3f %9.3f  %s\n", label, median, least, text }'
    }
    ratio() { # NAME OTHER
        awk -v a="$(median_of "$1")" -v b="$(median_of "$2")" -v c="$(least_of "$1")" -v d="$(least_of "$2")" \
            'BEGIN { printf "%.2f (%.2f)", a / b, c / d }'
    }
    for arch in $archs; do
        for floor in floor floor-by-size; do
            line "Win32 $floor, $arch" $floor-$arch "$(awk -v walk="$(figure_median_of $floor-$arch Walk:)" \
                -v read="$(figure_median_of $floor-$arch Read:)" \
                'BEGIN { printf "in-process medians: walk %.3f + read %.3f", walk, read }')"
        done
        line "twinsweep-cli.exe, $arch" ours-$arch \
            "$(ratio ours-$arch floor-$arch) x the floor, $(ratio ours-$arch floor-by-size-$arch) x by size"
        line "  start of a Wine process, $arch" start-$arch "(an empty folder searched)"
    done
    line "twinsweep-cli, native" native "$(ratio native jdupes) x jdupes, $(ratio native rdfind) x rdfind"
    line jdupes jdupes
    line rdfind rdfind
    printf '  %-34s %9s %9s  %s\n' "x86_64 under Wine / native" "" "" "$(ratio ours-x86_64 native)"
    echo
done

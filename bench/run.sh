#!/usr/bin/env bash
# Times twinsweep-cli against other duplicate finders on one generated tree,
# next to the floors of walking and reading that tree, and of reading and comparing
# it, and checks that every tool finds the same groups:
#   bash bench/run.sh [--shape SHAPE] [--files N] [--runs R] [--cold] [--calls] [--dir D] [--seed S]
#                     [--tools "twinsweep-cli jdupes ..."]
# SHAPE is mixed (the default, 60 000 files like a user's disk), a tree of
# files of one size (see bench/make_tree.cpp): random, tail2, tail1 (50 000
# files of 16 KiB), hugepairs (two pairs of 1 GiB files), head1 (4 000 files of
# 1 MiB), on which the slow peers are left out unless --tools names them, or a
# tree that strains the walk: empty (1 000 000 empty files, a thousand to a
# folder), flat (one folder of 300 000 files) or deep (2 000 nested folders; see
# bench/make_walk_tree.cpp). --files changes the count. The tree is made once under D
# (default /tmp/twinsweep-bench) and kept for later runs; the tools only read it.
# The tools and the floor programs are timed alike, in R interleaved rounds
# (default 5), as bench/rounds.sh says; --cold drops the page cache before each run.
# --calls also counts the system calls of twinsweep-cli and of the floor reading
# and comparing (one run each under strace), and prices the difference at what a
# call that does no work costs on this machine.
# Figures, not a test: CI does not run this.
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
shape=mixed
files=
runs=5
tools=
all_tools="twinsweep-cli jdupes fdupes rdfind rmlint duff"
base=/tmp/twinsweep-bench
seed=1
cache=warm

usage() {
    echo "usage: bash bench/run.sh [--shape SHAPE] [--files N] [--runs R] [--cold] [--calls] [--dir D] [--seed S] [--tools LIST]" >&2
    exit 2
}

. "$root/bench/rounds.sh"
calls=no
parse_options "files runs dir seed shape tools calls?" "$@"
require_count --runs "$runs"
[ -z "$files" ] || require_count --files "$files"
check_cache_mode

. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES $BENCH_PACKAGES

build=$root/out/bench
echo "Building into $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTWINSWEEP_TESTS=OFF >/dev/null
cmake --build "$build" --target twinsweep-cli make_bench_tree make_walk_tree read_floor -j2 >/dev/null
cli=$build/twinsweep-cli

mkdir -p "$base"
base=$(cd "$base" && pwd)
case $shape in
    mixed) files=${files:-60000} tools=${tools:-$all_tools} tree=$base/tree-${files}-$seed ;;
    random | tail2 | tail1 | hugepairs | head1)
        [ "$shape" = hugepairs ] && files=4
        [ "$shape" = head1 ] && files=${files:-4000}
        files=${files:-50000} tools=${tools:-twinsweep-cli jdupes rdfind}
        tree=$base/tree-$shape-$files-$seed ;;
    empty) files=${files:-1000000} tools=${tools:-$all_tools} tree=$base/tree-$shape-$files-$seed ;;
    flat) files=${files:-300000} tools=${tools:-$all_tools} tree=$base/flat-$files ;;
    deep) files=${files:-2000} tools=${tools:-$all_tools} tree=$base/deep-$files ;;
    *) usage ;;
esac
for tool in $tools; do
    case " $all_tools " in
        *" $tool "*) ;;
        *) echo "unknown tool '$tool'; the tools are: $all_tools" >&2; exit 2 ;;
    esac
done
case " $tools " in
    *" twinsweep-cli "*) ;;
    *) echo "--tools names twinsweep-cli too: the others are set against it" >&2; exit 2 ;;
esac
# A tree is generated aside and renamed when complete, so an interrupted
# generation is never mistaken for a cached tree.
if [ ! -d "$tree" ]; then
    echo "Generating $tree"
    rm -rf "$tree.partial"
    case $shape in
        flat) "$build/bench/make_walk_tree" "$tree.partial" --flat "$files" ;;
        deep) "$build/bench/make_walk_tree" "$tree.partial" --depth "$files" ;;
        *) "$build/bench/make_bench_tree" "$tree.partial" --files "$files" --seed "$seed" --shape "$shape" ;;
    esac
    mv "$tree.partial" "$tree"
fi

scratch=$base/scratch
rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch"  # rmlint and rdfind leave their files in the working folder

echo "Planning the floor's reads"
"$build/bench/read_floor" --plan "$tree" "$scratch/plan" | tee "$scratch/floors.txt"
if [ "$cache" = warm ]; then
    echo "Warming the page cache"
    find "$tree" -type f -print0 | xargs -0 -P2 cat >/dev/null
fi

q() { printf '%q' "$1"; }
read -r -a tools <<<"$tools"
# Each tool looks for files of equal contents only: recursing, following no
# links, counting hard links once, skipping empty files and not skipping hidden ones.
declare -A commands=(
    [twinsweep-cli]="$(q "$cli") $(q "$tree")"
    [jdupes]="jdupes -r -q $(q "$tree")"
    [fdupes]="fdupes -r -q -n $(q "$tree")"
    [rdfind]="rdfind -dryrun true -outputname $(q "$scratch/rdfind.results") $(q "$tree")"
    [rmlint]="rmlint -T df --hidden -F -L -o fdupes $(q "$tree")"
    [duff]="duff -r -a -z -p $(q "$tree")"
    [read-floor-1]="$(q "$build/bench/read_floor") --pass $(q "$tree") $(q "$scratch/plan") --threads 1"
    [read-floor-2]="$(q "$build/bench/read_floor") --pass $(q "$tree") $(q "$scratch/plan") --threads 2"
    [compare-floor-2]="$(q "$build/bench/read_floor") --pass $(q "$tree") $(q "$scratch/plan") --threads 2 --compare"
)
# Groups as one line each, the group's paths sorted and joined by tabs, the
# lines sorted. Paths are absolute, so any other line separates two groups:
# the blank lines of most tools and the cluster headers of duff.
canonical_blocks() {
    awk 'BEGIN { group = 0 } !/^\// { group++; next } { print group "\t" $0 }' | canonical_pairs
}

# rdfind writes "duptype id depth size device inode priority name"; the copies
# of a group carry the negated id of its first file.
canonical_rdfind() {
    awk '/^#/ { next }
         { id = $2 < 0 ? -$2 : $2; path = $0
           for (i = 0; i < 7; i++) sub(/^[^ ]+ /, "", path)
           print id "\t" path }' | canonical_pairs
}

# Reads "group<TAB>path" lines.
canonical_pairs() {
    sort -t"$(printf '\t')" -k1,1n -k2 |
        awk -F'\t' 'NR == 1 || $1 != group { if (line != "") print line; group = $1; line = $2; next }
                    { line = line "\t" $2 }
                    END { if (line != "") print line }' |
        sort
}

# One run per tool for its output and its peak memory (GNU time's %M, in KiB).
for tool in "${tools[@]}"; do
    echo "Running $tool once for its groups and peak memory"
    /usr/bin/time -f %M -o "$scratch/$tool.rss" sh -c "exec ${commands[$tool]}" \
        >"$scratch/$tool.out" 2>"$scratch/$tool.err" ||
        { echo "$tool failed; see $scratch/$tool.err" >&2; exit 1; }
    if [ "$tool" = rdfind ]; then
        canonical_rdfind <"$scratch/rdfind.results" >"$scratch/$tool.groups"
    else
        canonical_blocks <"$scratch/$tool.out" >"$scratch/$tool.groups"
    fi
done

echo "Timing"
time_rounds "$runs" "${tools[@]}" read-floor-1 read-floor-2 compare-floor-2 2>>"$scratch/rounds.log"

reference=$(median_of twinsweep-cli)
referenceLeast=$(least_of twinsweep-cli)
echo
echo "Tree $tree"
describe_clock "$runs"
treeFiles=$(awk '/^Files:/ { print $2 }' "$scratch/floors.txt")
printf '%-14s %9s %9s %13s %11s %9s %7s  %s\n' tool "median s" "least s" "ratio" "max RSS MB" "B/file" groups \
    "groups as twinsweep-cli"
for tool in "${tools[@]}"; do
    median=$(median_of "$tool")
    least=$(least_of "$tool")
    rss=$(cat "$scratch/$tool.rss")
    groups=$(wc -l <"$scratch/$tool.groups")
    if [ "$tool" = twinsweep-cli ]; then
        verdict="-"
    elif cmp -s "$scratch/$tool.groups" "$scratch/twinsweep-cli.groups"; then
        verdict="agrees"
    else
        comm -23 "$scratch/$tool.groups" "$scratch/twinsweep-cli.groups" >"$scratch/$tool.only"
        comm -13 "$scratch/$tool.groups" "$scratch/twinsweep-cli.groups" >"$scratch/$tool.missing"
        verdict="DIFFERS: $(wc -l <"$scratch/$tool.only") groups only here ($tool.only), $(wc -l <"$scratch/$tool.missing") only in twinsweep-cli ($tool.missing)"
    fi
    awk -v tool="$tool" -v median="$median" -v least="$least" -v reference="$reference" \
        -v referenceLeast="$referenceLeast" -v rss="$rss" -v groups="$groups" -v verdict="$verdict" \
        -v files="$treeFiles" \
        'BEGIN { printf "%-14s %9.3f %9.3f %5.2f (%5.2f) %11.1f %9.0f %7d  %s\n", tool, median, least,
                 median / reference, least / referenceLeast, rss / 1024, rss * 1024 / files, groups, verdict }'
done

# The fastest other tool by its median, and its least.
best=
bestLeast=
for tool in "${tools[@]}"; do
    [ "$tool" = twinsweep-cli ] && continue
    median=$(median_of "$tool")
    if [ -z "$best" ] || awk -v a="$median" -v b="$best" 'BEGIN { exit !(a < b) }'; then
        best=$median bestName=$tool bestLeast=$(least_of "$tool")
    fi
done
readBytes=$(awk '/^Read floor bytes:/ { print $4 }' "$scratch/floors.txt")
echo
echo "Floors: one process walks the tree (readdir + fstatat, 1 thread) and reads, once, the"
echo "$(awk -v b="$readBytes" 'BEGIN { printf "%.1f", b / 1e6 }') MB an exact comparison cannot skip, planned beforehand by another process"
declare -A floorNames=([read-floor-1]="read on 1 thread" [read-floor-2]="read on 2 threads"
    [compare-floor-2]="read + compare, 2 threads")
for floor in read-floor-1 read-floor-2 compare-floor-2; do
    awk -v name="${floorNames[$floor]}" -v median="$(median_of $floor)" -v least="$(least_of $floor)" \
        -v walk="$(figure_median_of $floor Walk:)" -v read="$(figure_median_of $floor Read:)" \
        'BEGIN { printf "  walk + %-25s %9.3f %9.3f   (in-process medians: walk %.3f, read %.3f)\n",
                 name, median, least, walk, read }'
done
echo "  (read + compare: each byte read is also compared once with a byte read before it, as"
echo "  confirming equal files does; 256 KiB chunks)"
echo
ratio() { awk -v a="$1" -v b="$2" -v c="$3" -v d="$4" 'BEGIN { printf "%6.2f (%.2f)", a / b, c / d }'; }
echo "twinsweep-cli / floor reading on 1 thread:   $(ratio "$reference" "$(median_of read-floor-1)" "$referenceLeast" "$(least_of read-floor-1)")"
echo "twinsweep-cli / floor reading on 2 threads:  $(ratio "$reference" "$(median_of read-floor-2)" "$referenceLeast" "$(least_of read-floor-2)")"
echo "twinsweep-cli / floor reading and comparing: $(ratio "$reference" "$(median_of compare-floor-2)" "$referenceLeast" "$(least_of compare-floor-2)")"
if [ -f "$scratch/jdupes.times" ]; then
    echo "twinsweep-cli / jdupes:                      $(ratio "$reference" "$(median_of jdupes)" "$referenceLeast" "$(least_of jdupes)")"
fi
if [ -n "$best" ]; then
    printf '%-45s%s\n' "twinsweep-cli / the fastest other ($bestName):" "$(ratio "$reference" "$best" "$referenceLeast" "$bestLeast")"
fi

if [ "$calls" = yes ]; then
    echo
    echo "System calls, one run each under strace -f -c:"
    calls_of() { awk '$NF == "total" { print $4 }' "$scratch/$1.calls"; }
    for name in twinsweep-cli compare-floor-2; do
        strace -f -c -o "$scratch/$name.calls" sh -c "exec ${commands[$name]}" >/dev/null 2>&1 ||
            { echo "$name failed under strace" >&2; exit 1; }
        printf '  %-30s %9d\n' "$name" "$(calls_of "$name")"
    done
    callCost=$("$build/bench/read_floor" --call-cost | awk '{ print $3 }')
    echo "  one call that does no work: $callCost us (best of 5 batches of 200 000)"
    awk -v ours="$(calls_of twinsweep-cli)" -v floor="$(calls_of compare-floor-2)" \
        -v cost="$callCost" -v floorTime="$(median_of compare-floor-2)" \
        'BEGIN { ms = (ours - floor) * cost / 1000 / 2
                 printf "  the calls beyond the floor'"'"'s, at that cost on 2 threads: %.1f ms, %.3f of the floor reading and comparing\n",
                        ms, ms / 1000 / floorTime }'
    echo "  (the counts of each call are in $scratch/NAME.calls)"
fi
echo
echo "Outputs, groups and every run's time are in $scratch"

#!/usr/bin/env bash
# Times twinsweep-cli against other duplicate finders on one generated tree,
# next to the floors of walking and reading that tree, and checks that every
# tool finds the same groups:
#   bash bench/run.sh [--shape SHAPE] [--files N] [--runs R] [--dir D] [--seed S]
#                     [--tools "twinsweep-cli jdupes ..."]
# SHAPE is mixed (the default, 60 000 files like a user's disk) or a tree of
# files of one size (see bench/make_tree.cpp): random, tail2, tail1 (50 000
# files of 16 KiB) or hugepairs (two pairs of 1 GiB files). On those the slow
# peers are left out unless --tools names them. The tree is made once under D
# (default /tmp/twinsweep-bench) and kept for later runs; the tools only read it.
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

usage() {
    echo "usage: bash bench/run.sh [--shape SHAPE] [--files N] [--runs R] [--dir D] [--seed S] [--tools LIST]" >&2
    exit 2
}

while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || usage
    case $1 in
        --files) files=$2 ;;
        --runs) runs=$2 ;;
        --dir) base=$2 ;;
        --seed) seed=$2 ;;
        --shape) shape=$2 ;;
        --tools) tools=$2 ;;
        *) usage ;;
    esac
    shift 2
done

. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES $BENCH_PACKAGES

build=$root/out/bench
echo "Building into $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTWINSWEEP_TESTS=OFF >/dev/null
cmake --build "$build" --target twinsweep-cli make_bench_tree read_floor -j2 >/dev/null
cli=$build/twinsweep-cli

mkdir -p "$base"
base=$(cd "$base" && pwd)
case $shape in
    mixed) files=${files:-60000} tools=${tools:-$all_tools} tree=$base/tree-${files}-$seed ;;
    random | tail2 | tail1 | hugepairs)
        [ "$shape" = hugepairs ] && files=4
        files=${files:-50000} tools=${tools:-twinsweep-cli jdupes rdfind}
        tree=$base/tree-$shape-$files-$seed ;;
    *) usage ;;
esac
# A tree is generated aside and renamed when complete, so an interrupted
# generation is never mistaken for a cached tree.
if [ ! -d "$tree" ]; then
    echo "Generating $tree"
    rm -rf "$tree.partial"
    "$build/bench/make_bench_tree" "$tree.partial" --files "$files" --seed "$seed" --shape "$shape"
    mv "$tree.partial" "$tree"
fi

echo "Warming the page cache"
find "$tree" -type f -print0 | xargs -0 -P2 cat >/dev/null

scratch=$base/scratch
rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch"  # rmlint and rdfind leave their files in the working folder

echo
"$build/bench/read_floor" "$tree" | tee "$scratch/floors.txt"
echo

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

for tool in "${tools[@]}"; do
    echo "Timing $tool"
    hyperfine --warmup 1 --runs "$runs" --style none --export-csv "$scratch/$tool.csv" \
        -n "$tool" "${commands[$tool]}" >>"$scratch/hyperfine.log" 2>&1 ||
        { tail -5 "$scratch/hyperfine.log" >&2; exit 1; }
done

median_of() { awk -F, 'NR == 2 { print $4 }' "$scratch/$1.csv"; }
floor_of() { grep "^$1" "$scratch/floors.txt" | sed 's/^[^:]*: *//; s/ .*//'; }

reference=$(median_of twinsweep-cli)
echo
echo "Median wall time of $runs runs after a warm-up run, warm cache; tree $tree"
printf '%-14s %10s %12s %12s %8s  %s\n' tool "median s" "ratio" "max RSS MB" groups "groups as twinsweep-cli"
for tool in "${tools[@]}"; do
    median=$(median_of "$tool")
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
    awk -v tool="$tool" -v median="$median" -v reference="$reference" -v rss="$rss" \
        -v groups="$groups" -v verdict="$verdict" \
        'BEGIN { printf "%-14s %10.3f %12.2f %12.1f %8d  %s\n", tool, median, median / reference, rss / 1024, groups, verdict }'
done

walk=$(floor_of "Walk floor")
read1=$(floor_of "Read floor, 1 thread")
read2=$(floor_of "Read floor, 2 threads")
readBytes=$(floor_of "Read floor bytes")
best=
for tool in "${tools[@]}"; do
    [ "$tool" = twinsweep-cli ] && continue
    best=$(median_of "$tool" | awk -v best="$best" '{ print best == "" || $1 < best ? $1 : best }')
done
awk -v walk="$walk" -v read1="$read1" -v read2="$read2" -v bytes="$readBytes" \
    -v ours="$reference" -v jdupes="$(median_of jdupes)" -v best="$best" 'BEGIN {
    printf "\nFloors (warm cache, best of 3)\n"
    printf "  %-36s %8.3f s\n", "walk (readdir + fstatat, 1 thread)", walk
    printf "  %-36s %8.1f MB\n", "bytes a comparison must read", bytes / 1e6
    printf "  %-36s %8.3f s\n", "read, 1 thread", read1
    printf "  %-36s %8.3f s\n", "read, 2 threads", read2
    printf "  %-36s %8.3f s\n", "walk + read, 1 thread", walk + read1
    printf "  %-36s %8.3f s\n", "walk + read, 2 threads", walk + read2
    printf "\ntwinsweep-cli / (walk + read, 1 thread):  %6.2f\n", ours / (walk + read1)
    printf "twinsweep-cli / (walk + read, 2 threads): %6.2f\n", ours / (walk + read2)
    printf "twinsweep-cli / jdupes:                   %6.2f\n", ours / jdupes
    printf "twinsweep-cli / the fastest other tool:   %6.2f\n", ours / best
}'
echo
echo "Outputs, groups and hyperfine's log are in $scratch"

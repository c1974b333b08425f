# The clock of the bench scripts, sourced by them. The caller fills the array
# commands (a name -> a shell command) and sets scratch (a folder of its own) and
# cache (warm or cold).
#
# Every figure is the wall time of one whole process, its start included, taken
# by this shell around it; a floor program also loads its plan, work no search
# does, and the time it reports for that ("Plan: S s") is taken off. The runs go
# in rounds: in each round every name runs once, in an order turned by one each
# round, so that no series runs back to back, every tool follows the others
# alike and a busy moment of the machine falls on all sides. Every side has as
# many rounds, and the same two figures are taken of each: the median and the
# least of its rounds.
#
# Warm: the caller reads the tree into the page cache and one untimed round
# goes first. Cold: the page cache is dropped before every run, of every side.

# parse_options "NAME..." ARGUMENT...: --cold sets cache to cold, --NAME VALUE,
# for the names given, sets the variable NAME (--dir sets base), and --NAME alone,
# for a name given as NAME?, sets NAME to yes; any other argument ends the script
# through the caller's usage.
parse_options() {
    local names=" $1 " name
    shift
    while [ $# -gt 0 ]; do
        if [ "$1" = --cold ]; then
            cache=cold
            shift
            continue
        fi
        name=${1#--}
        if [[ $1 == --* && $names == *" $name? "* ]]; then
            printf -v "$name" yes
            shift
            continue
        fi
        { [ $# -ge 2 ] && [ "$1" = "--$name" ] && [[ $names == *" $name "* ]]; } || usage
        [ "$name" = dir ] && name=base
        printf -v "$name" '%s' "$2"
        shift 2
    done
}

# Ends the script with a usage error unless the value is a whole number from 1.
require_count() {
    case $2 in
        '' | *[!0-9]* | 0*) echo "$1 takes a whole number from 1, not '$2'" >&2; exit 2 ;;
    esac
}

# Checks that the page cache can be dropped, before hours of work depend on it.
check_cache_mode() {
    case $cache in
        warm) ;;
        cold) drop_page_cache ;;
        *) echo "the cache is warm or cold, not '$cache'" >&2; exit 2 ;;
    esac
}

drop_page_cache() {
    sync
    if ! (echo 1 >/proc/sys/vm/drop_caches) 2>/dev/null; then
        echo "--cold drops the page cache before every run, which takes root" \
             "(writing /proc/sys/vm/drop_caches); run warm, or as root" >&2
        exit 2
    fi
}

# Appends the seconds of one run of the named command to $scratch/NAME.times,
# and the figures a bench program prints of itself ("Walk: S", "seconds S", ...)
# to $scratch/NAME.figures.
timed_run() {
    local name=$1 start end plan
    [ "$cache" = cold ] && drop_page_cache
    start=$EPOCHREALTIME
    eval "${commands[$name]}" >"$scratch/$name.out" 2>"$scratch/$name.err" ||
        { echo "$name failed; see $scratch/$name.err" >&2; exit 1; }
    end=$EPOCHREALTIME
    plan=$(awk '$1 == "Plan:" { print $2 }' "$scratch/$name.out")
    awk -v start="$start" -v end="$end" -v plan="${plan:-0}" \
        'BEGIN { printf "%.6f\n", end - start - plan }' >>"$scratch/$name.times"
    grep -E '^(Walk:|Read:|seconds |longest-ui-wait-ms |groups |lines )' "$scratch/$name.out" \
        >>"$scratch/$name.figures" || true
}

# KiB read from block devices since boot (the kernel's pgpgin counts KiB), or
# nothing where /proc/vmstat cannot be read.
disk_reads_kib() { awk '$1 == "pgpgin" { print $2 }' /proc/vmstat 2>/dev/null || true; }

# time_rounds ROUNDS NAME... Leaves in $scratch/disk-reads.kib what the timed
# rounds read from disk: warm figures hold only if that is next to nothing.
time_rounds() {
    local rounds=$1 round i name before
    shift
    local names=("$@")
    local count=${#names[@]}
    for name in "${names[@]}"; do
        rm -f "$scratch/$name.times" "$scratch/$name.figures"
    done
    if [ "$cache" = warm ]; then
        echo "Untimed round" >&2
        for name in "${names[@]}"; do
            timed_run "$name"
        done
        for name in "${names[@]}"; do
            rm -f "$scratch/$name.times" "$scratch/$name.figures"
        done
    fi
    rm -f "$scratch/disk-reads.kib"
    before=$(disk_reads_kib)
    for ((round = 0; round < rounds; round++)); do
        echo "Round $((round + 1)) of $rounds" >&2
        for ((i = 0; i < count; i++)); do
            timed_run "${names[(i + round) % count]}"
        done
    done
    [ -z "$before" ] || echo $(($(disk_reads_kib) - before)) >"$scratch/disk-reads.kib"
}

# The middle value of the numbers read, or the mean of the two middle ones.
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.6f\n", (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2 }'; }
median_of() { median <"$scratch/$1.times"; }
least_of() { sort -n "$scratch/$1.times" | head -1; }
# figure_median_of NAME KEY: the median of a figure the program printed of itself.
figure_median_of() {
    awk -v key="$2" '$1 == key { print $2 }' "$scratch/$1.figures" | median
}

# One line saying how the figures were taken, for the printout.
describe_clock() {
    local rounds=$1
    if [ "$cache" = warm ]; then
        echo "Wall time of each process, its start included; $rounds interleaved rounds after an untimed one;" \
             "warm page cache. Median and least of the rounds; ratios of medians (of leasts)."
        if [ -f "$scratch/disk-reads.kib" ]; then
            echo "Read from disk in the timed rounds: $(($(cat "$scratch/disk-reads.kib") / 1024)) MB (pgpgin);" \
                 "more than a few MB means the tree did not stay in the page cache: the figures are partly of the disk."
        fi
    else
        echo "Wall time of each process, its start included; $rounds interleaved rounds;" \
             "page cache dropped before every run. Median and least of the rounds; ratios of medians (of leasts)."
    fi
}

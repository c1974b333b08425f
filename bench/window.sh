#!/usr/bin/env bash
# The benchmark tree searched three ways: from the window program under Wine
# (bench/window_search.cpp: Go, up to the last group), by twinsweep-cli.exe under
# Wine, and by the native twinsweep-cli; and from the window once more with a
# probe of the longest time the window kept anyone waiting, in runs of its own,
# since the probe's round trips to the Wine server slow the search:
#   bash bench/window.sh [--files N] [--runs R] [--arch x86_64|i686] [--cold] [--dir D]
# All are timed alike, in R interleaved rounds (default 3) as bench/rounds.sh
# says, as whole processes, their start included. The window is also set against
# the console search with the start on neither side: the window's own clock from
# Go to the end, against the console search less a search of an empty folder
# timed in the same rounds; and each whole process less its own search of an
# empty folder, whose time is printed beside that of a bare window program
# (bench/bare_window.cpp), the start any window program pays. The Windows
# programs are of one build, x86_64 unless --arch says i686, the bitness of the
# program users get.
set -euo pipefail
export LC_ALL=C.UTF-8
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
files=60000
runs=3
arch=x86_64
cache=warm
base=/tmp/twinsweep-bench
usage() { echo "usage: bash bench/window.sh [--files N] [--runs R] [--arch x86_64|i686] [--cold] [--dir D]" >&2; exit 2; }
arguments=("$@")
. "$root/bench/rounds.sh"
parse_options "files runs arch dir" "$@"
require_count --files "$files"
require_count --runs "$runs"
case $arch in
    x86_64 | i686) ;;
    *) echo "--arch takes x86_64 or i686, not '$arch'" >&2; exit 2 ;;
esac
check_cache_mode

# The window needs a display: the whole script goes on inside a virtual one.
if [ -z "${TWINSWEEP_BENCH_DISPLAY:-}" ]; then
    . "$root/scripts/deps.sh"
    ensure_packages $BUILD_PACKAGES $WINDOWS_PACKAGES $BENCH_PACKAGES
    exec env TWINSWEEP_BENCH_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "${arguments[@]}"
fi

cmake -S "$root" -B "$root/out/bench" -DCMAKE_BUILD_TYPE=Release -DTWINSWEEP_TESTS=OFF >/dev/null
cmake --build "$root/out/bench" --target twinsweep-cli make_bench_tree -j2 >/dev/null
win=$root/out/bench-win-$arch
cmake -S "$root" -B "$win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DTWINSWEEP_TESTS=OFF >/dev/null
cmake --build "$win" --target window_search bare_window twinsweep-cli -j2 >/dev/null

mkdir -p "$base"
base=$(cd "$base" && pwd)
tree=$base/tree-$files-1  # named as bench/run.sh names it, so that both share it
if [ ! -d "$tree" ]; then
    rm -rf "$tree.partial"
    "$root/out/bench/bench/make_bench_tree" "$tree.partial" --files "$files" >/dev/null
    mv "$tree.partial" "$tree"
fi
empty=$base/wine-empty
mkdir -p "$empty"
scratch=$base/window-scratch
rm -rf "$scratch"
mkdir -p "$scratch"

q() { printf '%q' "$1"; }
windowsPath() { echo "Z:${1//\//\\}"; }
. "$root/scripts/wine-env.sh"
wine_start >/dev/null 2>&1
trap wine_stop EXIT
wine_use_loader_of "$win/twinsweep-cli.exe"
if ! $WINE "$win/twinsweep-cli.exe" --help >/dev/null 2>&1; then
    echo "The $arch programs do not run under Wine here ($WINE)" >&2
    exit 1
fi
# The console search looks for equal folders too, as the window always does.
# Every output goes to a file, as a user keeps it: under Wine /dev/null is a
# character device, which the C runtime takes for a console and asks for its mode
# at every write.
declare -A commands=(
    [window]="$(q "$WINE") $(q "$win/bench/window_search.exe") $(q "$(windowsPath "$tree")")"
    [window-probed]="$(q "$WINE") $(q "$win/bench/window_search.exe") --probe $(q "$(windowsPath "$tree")")"
    [console]="$(q "$WINE") $(q "$win/twinsweep-cli.exe") --folders $(q "$(windowsPath "$tree")")"
    [console-start]="$(q "$WINE") $(q "$win/twinsweep-cli.exe") --folders $(q "$(windowsPath "$empty")")"
    [window-start]="$(q "$WINE") $(q "$win/bench/window_search.exe") $(q "$(windowsPath "$empty")")"
    [bare-window]="$(q "$WINE") $(q "$win/bench/bare_window.exe")"
    [native]="$(q "$root/out/bench/twinsweep-cli") $(q "$tree")"
)
if [ "$cache" = warm ]; then
    find "$tree" -type f -print0 | xargs -0 -P2 cat >/dev/null
fi
time_rounds "$runs" window window-probed console console-start window-start bare-window native

window=$(figure_median_of window seconds)
console=$(median_of console)
start=$(median_of console-start)
echo
echo "Tree $tree, the $arch build"
describe_clock "$runs"
line() { # LABEL NAME [TEXT]
    awk -v label="$1" -v median="$(median_of "$2")" -v least="$(least_of "$2")" -v text="${3:-}" \
        'BEGIN { printf "%-44s %9.3f %9.3f  %s\n", label, median, least, text }'
}
printf '%-44s %9s %9s\n' "" "median s" "least s"
line "window program under Wine, whole process" window
line "  with the probe of its waits" window-probed
line "twinsweep-cli.exe under Wine" console
line "  searching an empty folder" console-start
line "window program searching an empty folder" window-start
line "a bare window shown and closed" bare-window
line "native twinsweep-cli" native
awk -v wholeWindow="$(median_of window)" -v wholeLeast="$(least_of window)" -v console="$console" \
    -v consoleLeast="$(least_of console)" -v window="$window" -v start="$start" \
    -v windowStart="$(median_of window-start)" -v bare="$(median_of bare-window)" 'BEGIN {
    printf "window / console, both whole processes (start included):  %.2f (%.2f)\n",
           wholeWindow / console, wholeLeast / consoleLeast
    printf "window / console, start on neither side:                  %.2f\n", window / (console - start)
    printf "  (the window from Go to the end, median %.3f s, against the console less its empty search, %.3f s)\n",
           window, console - start
    printf "window / console, each process less its empty search:     %.2f\n",
           (wholeWindow - windowStart) / (console - start)
    printf "  (an empty search: the window program %.3f s, the console search %.3f s; a bare window %.3f s)\n",
           windowStart, start, bare
}'
echo "window: $(tail -1 <(awk '$1 == "groups" { print $2 }' "$scratch/window.figures")) groups," \
     "$(tail -1 <(awk '$1 == "lines" { print $2 }' "$scratch/window.figures")) lines;" \
     "longest wait of the user-interface thread: $(awk '$1 == "longest-ui-wait-ms" { print $2 }' \
         "$scratch/window-probed.figures" | sort -n | tail -1) ms (median of the rounds' longest:" \
     "$(figure_median_of window-probed longest-ui-wait-ms | awk '{ printf "%.1f", $1 }') ms)"

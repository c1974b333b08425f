#!/usr/bin/env bash
# Makes the screenshots in docs/screenshots: the real program, in Wine's virtual
# desktop inside a virtual X display, on a small tree of example files; then the
# help file, compiled with those pictures, as a CHM reader (xchm) shows its start
# page.
# usage: screenshots.sh [BUILD-FOLDER]   (a Windows x86_64 build, out/win64 if none)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES $WINDOWS_PACKAGES $SCREENSHOT_PACKAGES
build=${1:-$root/out/win64}
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$build" --target gui_screenshots wine_keepalive -j"$(nproc)" >/dev/null

shots=$(mktemp -d)
export root shots build
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    . "$root/scripts/wine-env.sh"
    wine_start
    (cd "$shots" && exec $WINE "$build/tests/wine_keepalive.exe") </dev/null >/dev/null 2>&1 &
    keepalive=$!
    $WINE "$build/tools/gui_screenshots.exe" "C:\\users\\Public\\Twinsweep examples" "Z:${shots//\//\\}"
    kill $keepalive 2>/dev/null || true
    wine_stop
'
mkdir -p "$root/docs/screenshots"
for bmp in "$shots"/*.bmp; do
    convert "$bmp" "$root/docs/screenshots/$(basename "${bmp%.bmp}").png"
done
rm -rf "$shots"

# The reader keeps its window's place and size in a file of its own: a home of
# its own, so that it opens the same way every time.
cmake --build "$build" --target help_file >/dev/null
reader_home=$(mktemp -d)
mkdir -p "$reader_home/.config"
printf '[Position]\nxOrig=0\nyOrig=0\nwidth=1240\nheight=900\n[Sash]\nleftMargin=250\n' \
    >"$reader_home/.config/xchm.conf"
HOME=$reader_home xvfb-run -a -s "-screen 0 1280x960x24" bash -c '
    xchm "$1" >/dev/null 2>&1 &
    reader=$!
    window=
    for _ in $(seq 300); do
        window=$(xwininfo -root -tree | sed -n "s/^ *\(0x[0-9a-f]*\) \"xCHM[^\"]*: Twinsweep Help\".*/\1/p")
        [ -n "$window" ] && break
        sleep 0.1
    done
    # The page and its pictures are laid out after the window shows.
    sleep 3
    import -window "$window" "$2"
    kill $reader
' screenshot "$build/Help/SweepHelp.chm" "$root/docs/screenshots/help-viewer.png"
rm -rf "$reader_home"
ls "$root/docs/screenshots"

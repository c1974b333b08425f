#!/usr/bin/env bash
# Makes the screenshots in docs/screenshots: the real program, in Wine's virtual
# desktop inside a virtual X display, on a small tree of example files.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES $WINDOWS_PACKAGES imagemagick
cmake -S "$root" -B "$root/out/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$root/out/win64" --target gui_screenshots wine_keepalive -j"$(nproc)" >/dev/null

shots=$(mktemp -d)
export root shots
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    . "$root/scripts/wine-env.sh"
    wine_start
    (cd "$shots" && exec $WINE "$root/out/win64/tests/wine_keepalive.exe") </dev/null >/dev/null 2>&1 &
    keepalive=$!
    $WINE "$root/out/win64/tests/gui_screenshots.exe" "C:\\users\\Public\\Twinsweep examples" "Z:${shots//\//\\}"
    kill $keepalive 2>/dev/null || true
    wine_stop
'
mkdir -p "$root/docs/screenshots"
for bmp in "$shots"/*.bmp; do
    convert "$bmp" "$root/docs/screenshots/$(basename "${bmp%.bmp}").png"
done
rm -rf "$shots"
ls "$root/docs/screenshots"

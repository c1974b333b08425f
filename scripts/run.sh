#!/usr/bin/env bash
# Runs Twinsweep: the Windows program under Wine on your display, with the
# folders given already in its folder list. Without a display it runs the
# console search on those folders instead.
#   usage: run.sh [FOLDER...]       (run.sh --help for the console options)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/deps.sh"

run_console() {
    ensure_packages $BUILD_PACKAGES
    cmake -S "$root" -B "$root/out/linux" -DCMAKE_BUILD_TYPE=Release -DTWINSWEEP_TESTS=OFF >/dev/null
    cmake --build "$root/out/linux" --target twinsweep-cli -j"$(nproc)" >/dev/null
    exec "$root/out/linux/twinsweep-cli" "$@"
}

if [ -z "${DISPLAY:-}" ]; then
    echo "No display: running the console search instead of the window program." >&2
    run_console "$@"
fi

ensure_packages $BUILD_PACKAGES $WINDOWS_PACKAGES
cmake -S "$root" -B "$root/out/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$root/out/win64" --target Twinsweep -j"$(nproc)" >/dev/null

# Wine sends deleted files to the user's trash only where the trash folder can be
# made; without ~/.local/share it deletes them for good. An XDG_DATA_HOME that is
# not absolute does not count.
data_home=${XDG_DATA_HOME:-}
[[ $data_home == /* ]] || data_home=$HOME/.local/share
mkdir -p "$data_home"
mkdir -p -m 700 "$data_home/Trash" "$data_home/Trash/files" "$data_home/Trash/info"

# Its own prefix, without the tests' virtual desktop.
export WINEPREFIX="$root/out/wineprefix-run"
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
# The dialogs are laid out in "MS Sans Serif": Wine's copy of it goes into the
# prefix, or a wider font stands in and cuts off the ends of their texts.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
[ -d "$fonts" ] || { /usr/lib/wine/wine64 wineboot -i && /usr/lib/wine/wineserver -w; } >/dev/null 2>&1
[ -f "$fonts/sserife.fon" ] || cp /usr/share/wine/fonts/sserife.fon "$fonts/" 2>/dev/null || true

folders=()
for folder in "$@"; do
    absolute=$(realpath -m -- "$folder")
    folders+=("Z:${absolute//\//\\}")
done
exec /usr/lib/wine/wine64 "$root/out/win64/Twinsweep.exe" "${folders[@]}"

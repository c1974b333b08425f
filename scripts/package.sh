#!/usr/bin/env bash
# Makes the downloads from the Windows release builds: Twinsweep-1.0-win32.zip
# (the deliverable, for every Windows) and Twinsweep-1.0-win64.zip, each holding
# the folder Twinsweep with Twinsweep.exe, Vexil.dll, Help\SweepHelp.chm,
# twinsweep-cli.exe and ReadMe.txt.
# usage: package.sh [OUTPUT-FOLDER [WIN32-BUILD WIN64-BUILD]]
#   defaults: out/package, out/win32 and out/win64 (configured and built as needed)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES $WINDOWS_PACKAGES
output=$(mkdir -p "${1:-$root/out/package}" && cd "${1:-$root/out/package}" && pwd)
declare -A builds=([win32]=${2:-$root/out/win32} [win64]=${3:-$root/out/win64})
declare -A toolchains=([win32]=mingw-i686 [win64]=mingw-x86_64)
version=1.0

# CRLF line ends: Notepad of older Windows shows a file with bare LFs as one line.
# The program carries the same text, by which its uninstall run knows this file.
write_readme() {
    sed 's/$/\r/' "$root/resources/ReadMe.txt" >"$1"
}

for kind in win32 win64; do
    build=${builds[$kind]}
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/${toolchains[$kind]}.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j"$(nproc)" --target Twinsweep Vexil twinsweep-cli
    # Without the CHM compiler the build only warns; a download needs its help.
    if ! cmake --build "$build" --target help_file >/dev/null 2>&1; then
        echo "package.sh: $build cannot build Help/SweepHelp.chm (needs chmcmd, package fp-utils)" >&2
        exit 1
    fi
    stage=$(mktemp -d)
    mkdir -p "$stage/Twinsweep/Help"
    cp "$build/Twinsweep.exe" "$build/Vexil.dll" "$build/twinsweep-cli.exe" "$stage/Twinsweep/"
    cp "$build/Help/SweepHelp.chm" "$stage/Twinsweep/Help/"
    write_readme "$stage/Twinsweep/ReadMe.txt"
    zip_file="$output/Twinsweep-$version-$kind.zip"
    rm -f "$zip_file"
    (cd "$stage" && zip -q -X -9 -r "$zip_file" Twinsweep)
    rm -rf "$stage"
    echo "$zip_file: $(stat -c %s "$zip_file") bytes"
done

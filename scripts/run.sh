#!/usr/bin/env bash
# Builds Twinsweep's console front end and searches the folders given for
# duplicate files: usage: run.sh [OPTIONS] FOLDER...
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES
cmake -S "$root" -B "$root/out/linux" -DCMAKE_BUILD_TYPE=Release -DTWINSWEEP_TESTS=OFF >/dev/null
cmake --build "$root/out/linux" --target twinsweep-cli -j"$(nproc)" >/dev/null
exec "$root/out/linux/twinsweep-cli" "$@"

#!/usr/bin/env bash
# Builds Twinsweep for Linux, Windows x86_64 and Windows i686 and runs every test:
# the native ones under AddressSanitizer and UndefinedBehaviorSanitizer, the Windows
# ones of both builds under Wine in a virtual X display. Exits non-zero when
# anything fails. Where this machine cannot run 32-bit programs (32-bit Wine cannot
# be installed, or the kernel runs no 32-bit code), it says so in one line and
# leaves out the i686 build's tests alone: the i686 build and its zip are made.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES $WINDOWS_PACKAGES
ensure_optional_packages "$WINDOWS32_LEFT_OUT" $WINDOWS32_PACKAGES
jobs=$(nproc)
step() { printf '\n== %s\n' "$*"; }

step "Linux build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S "$root" -B "$root/out/linux-asan" -DCMAKE_BUILD_TYPE=Debug -DTWINSWEEP_SANITIZE=address >/dev/null
cmake --build "$root/out/linux-asan" -j"$jobs"

step "Linux tests"
ctest --test-dir "$root/out/linux-asan" --output-on-failure -j"$jobs"

step "Linux engine tests under ThreadSanitizer"
cmake -S "$root" -B "$root/out/linux-tsan" -DCMAKE_BUILD_TYPE=Debug -DTWINSWEEP_SANITIZE=thread >/dev/null
cmake --build "$root/out/linux-tsan" -j"$jobs" --target engine_tests
TSAN_OPTIONS=halt_on_error=1 "$root/out/linux-tsan/tests/engine_tests" --gtest_brief=1

step "Windows x86_64 build"
cmake -S "$root" -B "$root/out/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$root/out/win64" -j"$jobs"

step "Windows i686 build"
cmake -S "$root" -B "$root/out/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$root/out/win32" -j"$jobs"

# One prefix for each build, used one after the other: the two runs never share a
# wineserver, and neither sees what the other left in the registry. A test that
# stalls fails after ten minutes instead of holding the run.
prefix=${WINEPREFIX:-$root/out/wineprefix}
wine_tests() {
    WINEPREFIX=$1 xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/wine-ctest.sh" "$2" -j"$jobs" --timeout 600
}

step "Windows x86_64 tests under Wine"
wine_tests "$prefix" "$root/out/win64"

step "Windows i686 tests under Wine's 32-bit loader"
i686=0
wine_tests "$prefix-i686" "$root/out/win32" || i686=$?
# 77: this machine cannot run 32-bit programs, which wine-ctest.sh has said.
[ $i686 -eq 0 ] || [ $i686 -eq 77 ] || exit $i686

step "Download zips (scripts/package.sh), unpacked under Wine and run from there"
bash "$root/scripts/package.sh"
zip_test() {
    WINEPREFIX=$1 xvfb-run -a -s "-screen 0 1024x768x24" \
        "$root/scripts/test-package.sh" "$root/out/package/Twinsweep-1.0-$2.zip" "$root/out/$2"
}
zip_test "$prefix" win64
zip32=0
zip_test "$prefix-i686" win32 || zip32=$?
[ $zip32 -eq 0 ] || [ $zip32 -eq 77 ] || exit $zip32

if [ $i686 -eq 0 ]; then
    step "All tests passed"
else
    step "All tests that can run here passed"
fi

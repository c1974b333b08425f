#!/usr/bin/env bash
# Builds Twinsweep for Linux, Windows x86_64 and Windows i686 and runs every test:
# the native ones under AddressSanitizer and UndefinedBehaviorSanitizer, the Windows
# ones under Wine in a virtual X display. Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES $WINDOWS_PACKAGES
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

step "Windows i686 build (the 32-bit deliverables; linked, not run)"
cmake -S "$root" -B "$root/out/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$root/out/win32" -j"$jobs"

step "Windows tests under Wine"
# A test that stalls fails after ten minutes instead of holding the run.
xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/wine-ctest.sh" "$root/out/win64" -j"$jobs" --timeout 600

step "All tests passed"

#!/usr/bin/env bash
# Runs the tests of a Windows build under Wine. Call it inside an X display
# (xvfb-run): usage: wine-ctest.sh BUILD-FOLDER [ctest arguments]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/wine-env.sh"
build=$1
shift
wine_start
# Without a window kept open, Wine starts its desktop process anew for every
# test executable.
$WINE "$build/tests/wine_keepalive.exe" &
keepalive=$!
status=0
ctest --test-dir "$build" --output-on-failure "$@" || status=$?
kill $keepalive 2>/dev/null || true
wine_stop
exit $status

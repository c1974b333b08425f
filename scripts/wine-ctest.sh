#!/usr/bin/env bash
# Runs the tests of a Windows build under Wine. Call it inside an X display
# (xvfb-run): usage: wine-ctest.sh BUILD-FOLDER [ctest arguments]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/wine-env.sh"
build=$(cd "$1" && pwd)
shift
wine_start
# Without a window kept open, Wine starts its desktop process anew for every
# test executable. The desktop must be up before ctest starts: a desktop process
# started by a test would inherit the pipe ctest reads that test's output from,
# and ctest would wait for it until the test's timeout.
rm -f "$build/keepalive.ready"
(cd "$build" && exec $WINE tests/wine_keepalive.exe) </dev/null >/dev/null 2>&1 &
keepalive=$!
for _ in $(seq 600); do
    [ -f "$build/keepalive.ready" ] && break
    sleep 0.1
done
status=0
ctest --test-dir "$build" --output-on-failure "$@" || status=$?
kill $keepalive 2>/dev/null || true
rm -f "$build/keepalive.ready"
wine_stop
exit $status

#!/usr/bin/env bash
# Runs the tests of a Windows build under Wine, with the loader of the build's
# bitness. Call it inside an X display (xvfb-run):
#   usage: wine-ctest.sh BUILD-FOLDER [ctest arguments]
# Exits with 77, having said why in one line, when this machine cannot run
# programs of the build's bitness.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/wine-env.sh"
build=$(cd "$1" && pwd)
shift
wine_use_loader_of "$build/tests/wine_probe.exe"
wine_start_or_skip "$build/tests/wine_probe.exe"
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

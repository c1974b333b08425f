#!/usr/bin/env bash
# Tests a download zip as a Windows user meets it: unpacks it under Wine into a
# folder with blanks in its path, then runs the build's package driver
# (tests/package), of the zip's bitness, on the unpacked folder: the programs
# start from there, F1 finds the help, and the install and uninstall runs work
# from there. Call it inside an X display (xvfb-run).
#   usage: test-package.sh ZIP BUILD-FOLDER
# Exits with 77, having said why in one line, when this machine cannot run
# programs of the zip's bitness.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/wine-env.sh"
zip=$(realpath "$1")
build=$(cd "$2" && pwd)
driver=$build/tests/package/package_tests.exe
wine_use_loader_of "$driver"
wine_start_or_skip "$build/tests/wine_probe.exe"

place="Twin sweep download test"
unpacked="$WINEPREFIX/drive_c/Program Files/$place"
rm -rf "$unpacked"
mkdir -p "$unpacked"
unzip -q "$zip" -d "$unpacked"

# The desktop process comes up before the driver, which would otherwise start
# it anew for every program it starts.
ready=$(mktemp -d)
(cd "$ready" && exec $WINE "$build/tests/wine_keepalive.exe") </dev/null >/dev/null 2>&1 &
keepalive=$!
for _ in $(seq 600); do
    [ -f "$ready/keepalive.ready" ] && break
    sleep 0.1
done
status=0
echo "$(basename "$zip") unpacked into C:\\Program Files\\$place"
$WINE "$driver" --gtest_brief=1 "C:\\Program Files\\$place\\Twinsweep" || status=$?
kill $keepalive 2>/dev/null || true
wine_stop
rm -rf "$ready" "$unpacked"
exit $status

#!/usr/bin/env bash
# scripts/deps.sh against a fake apt-get and dpkg on PATH that fail as a mirror in
# the middle of a sync makes them fail: the i386 index cannot be read, so 32-bit
# Wine cannot be installed, while every 64-bit package can.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
mkdir "$fake/bin"
failures=0

fake_command() {
    printf '#!/usr/bin/env bash\nstate=%q\n%s\n' "$fake" "$2" >"$fake/bin/$1"
    chmod +x "$fake/bin/$1"
}
fake_command sudo '"$@"'
fake_command sleep 'echo "sleep $*" >>"$state/log"'
fake_command dpkg-query 'grep -qx -- "${@: -1}" "$state/installed" 2>/dev/null && printf "install ok installed"; true'
fake_command dpkg '
case $1 in
--print-foreign-architectures) cat "$state/arches" 2>/dev/null || true ;;
--add-architecture) echo "$2" >>"$state/arches" ;;
--remove-architecture) grep -vx -- "$2" "$state/arches" >"$state/arches.new" || true
                       mv "$state/arches.new" "$state/arches" ;;
esac'
fake_command apt-get '
echo "apt-get $*" >>"$state/log"
case " $* " in
*" update "*)
    if [ -f "$state/broken-mirror" ] || grep -qx i386 "$state/arches" 2>/dev/null; then
        echo "E: Failed to fetch .../binary-i386/Packages  File has unexpected size. Mirror sync in progress?" >&2
        exit 100
    fi ;;
*" install "*)
    for package; do
        case $package in
        *:i386|no-such-package) echo "E: Unable to correct problems, you have held broken packages." >&2
                                exit 100 ;;
        esac
    done
    for package; do
        case $package in -*|install) ;; *) echo "$package" >>"$state/installed" ;; esac
    done ;;
esac'

# Runs a piece of script with deps.sh sourced, as the project's scripts do.
run() {
    : >"$fake/log"
    rm -f "$fake/installed" "$fake/arches" "$fake/broken-mirror"
    status=0
    PATH="$fake/bin:$PATH" bash -c "set -euo pipefail; . '$root/scripts/deps.sh'; $1" >"$fake/out" 2>&1 || status=$?
}

check() {
    if eval "$2"; then
        echo "ok   $1"
    else
        echo "FAIL $1"
        sed 's/^/     | /' "$fake/out" "$fake/log"
        failures=$((failures + 1))
    fi
}

run 'ensure_packages g++ cmake; ensure_optional_packages "$WINDOWS32_LEFT_OUT" $WINDOWS32_PACKAGES; echo after'
check "64-bit packages installed, the script goes on" \
    '[ $status -eq 0 ] && grep -qx cmake "$fake/installed" && grep -qx after "$fake/out"'
check "one line says the i686 tests are left out" \
    '[ "$(grep -cx "32-bit Wine cannot be installed here: the i686 tests are left out" "$fake/out")" -eq 1 ]'
check "a failed update is tried again once after a pause" \
    '[ "$(grep -A3 "^apt-get update" "$fake/log" | tail -4 | cut -d" " -f1-2 | tr "\n" " ")" = "apt-get update sleep 10 apt-get update apt-get install " ]'
check "the i386 architecture is taken back" '! grep -qx i386 "$fake/arches"'

run 'touch "$(dirname "$(dirname "$(command -v apt-get)")")/broken-mirror"; ensure_packages cmake'
check "an unreadable index does not stop an install that can be done" \
    '[ $status -eq 0 ] && grep -qx cmake "$fake/installed"'

run 'ensure_packages cmake no-such-package; echo after'
check "a required package that cannot be installed fails the script" \
    '[ $status -ne 0 ] && ! grep -qx after "$fake/out" && grep -q "could not be installed: cmake no-such-package" "$fake/out"'

run 'touch "$(dirname "$(dirname "$(command -v apt-get)")")/installed"; echo cmake >"$(dirname "$(dirname "$(command -v apt-get)")")/installed"; ensure_packages cmake'
check "nothing missing, apt-get is not run" '[ $status -eq 0 ] && [ ! -s "$fake/log" ]'

[ $failures -eq 0 ] && echo "deps.sh: all cases passed" || exit 1

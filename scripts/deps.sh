# Installs the Debian packages a step needs when they are missing. Sourced by the
# other scripts; runs apt-get as root (or through sudo).
#   ensure_packages PACKAGE...   all of them, or the calling script fails
#   ensure_optional_packages WHAT-IS-LEFT-OUT PACKAGE...
#                                 all of them, or one line saying what is left out
# A package index that cannot be read (a mirror in the middle of a sync) is
# tried again once; then the install goes on with the lists there are, and only
# a package that really cannot be installed counts as missing.

BUILD_PACKAGES="g++ make cmake"
WINDOWS_PACKAGES="googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools wine wine64 xvfb xauth fonts-wine fp-utils zip unzip"
BENCH_PACKAGES="jdupes fdupes rdfind rmlint duff hyperfine time strace"
SCREENSHOT_PACKAGES="imagemagick xchm x11-utils"
# Wine's 32-bit side, which runs the i686 build: packages of Debian's i386
# architecture. The build itself needs nothing of it.
WINDOWS32_PACKAGES="wine32:i386"
WINDOWS32_LEFT_OUT="32-bit Wine cannot be installed here: the i686 tests are left out"

# Seconds between the two tries of reading the package lists.
deps_retry_pause=10

deps_sudo() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

deps_missing() {
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            echo "$package"
    done
}

# Reads the package lists, a second time after a pause when the first fails. A
# list still unreadable then is left as it is: apt keeps the lists it had.
deps_update() {
    deps_sudo apt-get update -qq >&2 && return 0
    echo "Reading the package lists failed; trying again in $deps_retry_pause s" >&2
    sleep "$deps_retry_pause"
    deps_sudo apt-get update -qq >&2 && return 0
    echo "Some package lists could not be read; going on with the lists there are" >&2
}

deps_install() {
    DEBIAN_FRONTEND=noninteractive deps_sudo apt-get install -y -qq --no-install-recommends "$@" >&2
}

# Adds the architectures of packages named name:arch that dpkg does not take yet,
# and prints them.
deps_add_architectures() {
    local package arch
    for package in "$@"; do
        case $package in
        *:*) arch=${package##*:}
             if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
                 deps_sudo dpkg --add-architecture "$arch"
                 echo "$arch"
             fi ;;
        esac
    done | sort -u
}

# Installs the missing ones of the packages given; 1 when any cannot be installed.
deps_ensure() {
    local missing added arch status=0
    missing=$(deps_missing "$@")
    [ -z "$missing" ] && return 0
    echo "Installing" $missing >&2
    # A package of another architecture is unknown to apt until dpkg takes that
    # architecture and the package lists are read again.
    added=$(deps_add_architectures $missing)
    deps_update
    # shellcheck disable=SC2086
    deps_install $missing || status=1
    # An architecture added for packages that did not come would make every
    # later update read its lists for nothing.
    if [ $status -ne 0 ]; then
        for arch in $added; do
            deps_sudo dpkg --remove-architecture "$arch" 2>/dev/null || true
        done
    fi
    return $status
}

ensure_packages() {
    if ! deps_ensure "$@"; then
        echo "These packages could not be installed:" $(deps_missing "$@") >&2
        return 1
    fi
}

ensure_optional_packages() {
    local left_out=$1
    shift
    deps_ensure "$@" || echo "$left_out" >&2
    return 0
}

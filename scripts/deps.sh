# Installs the Debian packages a step needs when they are missing. Sourced by the
# other scripts; runs apt-get as root (or through sudo).

BUILD_PACKAGES="g++ make cmake"
WINDOWS_PACKAGES="googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools wine wine64 xvfb xauth fonts-wine fp-utils zip unzip"
BENCH_PACKAGES="jdupes fdupes rdfind rmlint duff hyperfine time"
SCREENSHOT_PACKAGES="imagemagick xchm x11-utils"
# Wine's 32-bit side, which runs the i686 build and holds the 32-bit stdole2.tlb
# that its type library imports: packages of Debian's i386 architecture.
WINDOWS32_PACKAGES="wine32:i386"

ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    # A package of another architecture (name:i386) is unknown to apt until dpkg
    # takes that architecture and the package lists are read again.
    for package in "${missing[@]}"; do
        case $package in
        *:*) dpkg --print-foreign-architectures | grep -qx "${package##*:}" ||
                 $sudo dpkg --add-architecture "${package##*:}" ;;
        esac
    done
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

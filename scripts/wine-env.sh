# The Wine environment of the tests and of the program: a private prefix, no
# downloads of Mono or Gecko, no Linux menu entries. Sourced.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$root/out/wineprefix}
export XDG_DATA_HOME=${XDG_DATA_HOME:-$root/out/xdg-data}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
WINE64=/usr/lib/wine/wine64
# The 32-bit loader (package wine32) runs i686 programs in the same 64-bit prefix,
# through its WoW64 side, as a 64-bit Windows runs them.
WINE32=/usr/lib/wine/wine
# The loader of the programs to run; wine_use_loader_of changes it.
WINE=$WINE64
WINESERVER=/usr/lib/wine/wineserver

# Picks the loader that runs this Windows program: WINE32 for an i686 one, WINE64
# for any other. The machine field follows the PE signature, whose place the DOS
# header gives at byte 60.
wine_use_loader_of() {
    local signature machine
    signature=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    machine=$(od -An -tx2 -j$((signature + 4)) -N2 "$1" | tr -d ' ')
    if [ "$machine" = 014c ]; then WINE=$WINE32; else WINE=$WINE64; fi
}

# The dialogs are laid out in "MS Sans Serif". Unless Wine's copy of it lies in
# the prefix, a wider font stands in and cuts off the ends of their texts.
wine_dialog_font() {
    [ -f "$1/sserife.fon" ] || cp /usr/share/wine/fonts/sserife.fon "$1/" 2>/dev/null || true
}

# Starts a persistent wineserver inside the current X display, making the prefix
# first when it does not exist yet. The prefix is always made and set up by the
# 64-bit loader: the 32-bit one would make a prefix without a 64-bit side.
wine_start() {
    mkdir -p "$XDG_DATA_HOME"
    $WINESERVER -k 2>/dev/null || true
    $WINESERVER -w
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        $WINE64 wineboot -i
        $WINESERVER -w
    fi
    # Caption buttons are drawn with Marlett; without it they show letters.
    fonts="$WINEPREFIX/drive_c/windows/Fonts"
    [ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/" 2>/dev/null || true
    wine_dialog_font "$fonts"
    $WINESERVER -p
    # A virtual desktop gives windows their frames and spares every hidden window
    # a wait for a window manager that Xvfb does not have.
    $WINE64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
    $WINE64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null
}

# Whether the loader in WINE runs the tiny program given, which ends with 0. When
# it does not, says in one line why not, and returns 1 where this machine cannot
# run programs of that bitness, 2 where the prefix is at fault.
wine_probe() {
    local output status=0 bits=64
    output=$($WINE "$1" 2>&1) || status=$?
    [ $status -eq 0 ] && return 0
    [ "$WINE" = "$WINE32" ] && bits=32
    # Updating a prefix made before wine32 was installed leaves its syswow64
    # folder empty, and every 32-bit program then fails to load kernel32.dll.
    if [ $bits = 32 ] && $WINE32 --version >/dev/null 2>&1 &&
        [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        echo "$WINEPREFIX has no 32-bit side (made before wine32 was installed):" \
             "remove it, or set WINEPREFIX to a new folder" >&2
        return 2
    fi
    # The reason without the shell's "FILE: line N:" before it, or the exit code.
    local reason=${output%%$'\n'*}
    reason=${reason##*: line [0-9]*: }
    echo "$bits-bit Windows programs cannot run here, so the tests of $(dirname "$(dirname "$1")") are skipped" \
         "($WINE: ${reason:-exit code $status})" >&2
    return 1
}

# Starts Wine for the build's programs, or ends the script: with 77 (skipped)
# where they cannot run here, with 1 where the prefix is unfit.
wine_start_or_skip() {
    local probe=0
    wine_start
    wine_probe "$1" || probe=$?
    if [ $probe -ne 0 ]; then
        wine_stop
        [ $probe -eq 1 ] && exit 77
        exit 1
    fi
}

wine_stop() {
    $WINESERVER -k 2>/dev/null || true
}

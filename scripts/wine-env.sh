# The Wine environment of the tests and of the program: a private prefix, no
# downloads of Mono or Gecko, no Linux menu entries. Sourced.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$root/out/wineprefix}
export XDG_DATA_HOME=${XDG_DATA_HOME:-$root/out/xdg-data}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

# Starts a persistent wineserver inside the current X display, making the prefix
# first when it does not exist yet.
wine_start() {
    mkdir -p "$XDG_DATA_HOME"
    $WINESERVER -k 2>/dev/null || true
    $WINESERVER -w
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        $WINE wineboot -i
        $WINESERVER -w
    fi
    # Caption buttons are drawn with Marlett; without it they show letters.
    fonts="$WINEPREFIX/drive_c/windows/Fonts"
    [ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/" 2>/dev/null || true
    $WINESERVER -p
    # A virtual desktop gives windows their frames and spares every hidden window
    # a wait for a window manager that Xvfb does not have.
    $WINE reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
    $WINE reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null
}

wine_stop() {
    $WINESERVER -k 2>/dev/null || true
}

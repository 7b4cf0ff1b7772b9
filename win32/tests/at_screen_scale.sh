#!/bin/sh
# Runs a Windows program under Wine as on a screen of another scale: sets
# the Wine prefix's LogPixels to DPI (144 is Windows' 150 %), runs the
# program with PW_SCREEN_DPI=DPI in its environment, and sets LogPixels
# back as it was, also when the program fails. The prefix is WINEPREFIX;
# programs started in it meanwhile see the same scale, so ctest runs this
# alone (RUN_SERIAL).
#
#   at_screen_scale.sh DPI program.exe [argument...]
set -u
dpi=$1
shift
wine=${PW_WINE:-/usr/lib/wine/wine64}
key='HKCU\Control Panel\Desktop'

before=$("$wine" reg query "$key" /v LogPixels 2>/dev/null | tr -d '\r' | awk '$1 == "LogPixels" { print $3 }')
restore() {
    if [ -n "$before" ]; then
        "$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$((before))" /f >/dev/null
    else
        "$wine" reg delete "$key" /v LogPixels /f >/dev/null 2>&1
    fi
}
trap restore EXIT
trap 'exit 1' INT TERM
"$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null || exit 1
PW_SCREEN_DPI=$dpi "$wine" "$@"

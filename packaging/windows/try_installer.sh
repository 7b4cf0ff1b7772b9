#!/usr/bin/env bash
# Tries the Windows installer under Wine as a user would use it, silently:
# installs it, starts the installed program with --version, uninstalls it
# with the uninstaller Windows lists, and checks that nothing of it is left:
# the program's folder, the Start-menu entry, the uninstall registry key.
# Prints the time each step took.
#
#   packaging/windows/try_installer.sh <setup.exe> <Wine prefix>
set -euo pipefail
installer=$(realpath "$1")
export WINEPREFIX=$(realpath "$2") WINEDEBUG=-all
# No Mono or Gecko prompts, and no menu entries for the Linux desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

folder="$WINEPREFIX/drive_c/Program Files/Patchwarden"
menu_entry="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Patchwarden.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Patchwarden'

now_us() { echo "${EPOCHREALTIME/./}"; }
report_time() { # what, start
  local tenths=$((($(now_us) - $2) / 100000))
  printf '%-30s %3d.%d s\n' "$1" $((tenths / 10)) $((tenths % 10))
}
timed() {
  local what=$1 start
  shift
  start=$(now_us)
  "$@"
  report_time "$what" "$start"
}
fail() {
  echo "try_installer: $*" >&2
  exit 1
}
wait_for_wine() { "$wineserver" -w; }

size=$(stat -c %s "$installer")
echo "installer: $(basename "$installer"), $((size / 1024)) KiB"
"$wineserver" -k 2>/dev/null || true

timed "install (/S)" sh -c '"$0" "$1" /S && "$2" -w' "$wine" "$installer" "$wineserver"
[[ -f $folder/patchwarden.exe ]] || fail "the program is not in $folder"
[[ -f $folder/uninstall.exe ]] || fail "the uninstaller is not in $folder"
[[ -f $menu_entry ]] || fail "no Start-menu entry $menu_entry"
"$wine" reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "no uninstall key $key"

start=$(now_us)
version=$("$wine" 'C:\Program Files\Patchwarden\patchwarden.exe' --version </dev/null | tr -d '\r')
report_time "installed program --version" "$start"
echo "installed: $version"
[[ $version == "Patchwarden v1.00" ]] || fail "--version printed '$version'"

timed "uninstall (/S)" sh -c '"$0" "C:\\Program Files\\Patchwarden\\uninstall.exe" /S && "$1" -w' "$wine" "$wineserver"
[[ ! -e $folder ]] || fail "left behind: $folder ($(ls "$folder" | tr '\n' ' '))"
[[ ! -e $menu_entry ]] || fail "left behind: $menu_entry"
if "$wine" reg query "$key" >/dev/null 2>&1; then fail "left behind: $key"; fi
wait_for_wine
echo "installed, started and removed without a trace"

#!/usr/bin/env bash
# Tries the Windows installer under Wine as a user would use it, silently:
# installs it, starts the installed program with --version, opens a .syx
# file as Explorer does on a double click (open_like_explorer.exe, on a
# virtual display) and sees the program show it, uninstalls it with the
# uninstaller Windows lists, and checks that nothing of it is left: the
# program's folder, the Start-menu entry, the uninstall registry key, the
# .syx file type. Then once more with .syx already claimed by another
# program, which keeps it: Patchwarden is only offered under "Open with",
# and the other program's keys stay as they were. Prints the time each
# step took.
#
#   packaging/windows/try_installer.sh <setup.exe> <Wine prefix> <open_like_explorer.exe>
set -euo pipefail
installer=$(realpath "$1")
opener=$(realpath "$3")
export WINEPREFIX=$(realpath "$2") WINEDEBUG=-all
# No Mono or Gecko prompts, and no menu entries for the Linux desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

folder="$WINEPREFIX/drive_c/Program Files/Patchwarden"
menu_entry="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Patchwarden.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Patchwarden'
classes='HKLM\Software\Classes'
progid=Patchwarden.SysExFile
program='C:\Program Files\Patchwarden\patchwarden.exe'

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

# A registry value's data as "reg query" prints it, or nothing when the
# value (or its key) is missing or not set; "" names a key's default value.
reg_value() { # key name
  local output
  if [[ -z $2 ]]; then output=$("$wine" reg query "$1" /ve 2>/dev/null) || return 0
  else output=$("$wine" reg query "$1" /v "$2" 2>/dev/null) || return 0
  fi
  tr -d '\r' <<<"$output" | awk -v name="${2:-(Default)}" '
    { line = $0; sub(/^ +/, "", line) }
    index(line, name " ") == 1 {
      rest = substr(line, length(name) + 2); sub(/^ +REG_[A-Z_]+ */, "", rest)
      if (rest != "(value not set)") print rest
    }'
}
expect_value() { # key name expected
  local actual
  actual=$(reg_value "$1" "$2")
  [[ $actual == "$3" ]] || fail "$1 ${2:-(default)} is '$actual', not '$3'"
}
has_key() { "$wine" reg query "$1" >/dev/null 2>&1; }

install() {
  timed "install (/S)" sh -c '"$0" "$1" /S && "$2" -w' "$wine" "$installer" "$wineserver"
  [[ -f $folder/patchwarden.exe ]] || fail "the program is not in $folder"
  [[ -f $folder/uninstall.exe ]] || fail "the uninstaller is not in $folder"
  [[ -f $menu_entry ]] || fail "no Start-menu entry $menu_entry"
  "$wine" reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "no uninstall key $key"
  expect_value "$classes\\$progid\\shell\\open\\command" "" "\"$program\" \"%1\""
  expect_value "$classes\\$progid\\DefaultIcon" "" "$program,0"
  "$wine" reg query "$classes\\.syx\\OpenWithProgids" /v $progid >/dev/null 2>&1 ||
    fail ".syx does not offer $progid under Open with"
}

uninstall() {
  timed "uninstall (/S)" sh -c '"$0" "C:\\Program Files\\Patchwarden\\uninstall.exe" /S && "$1" -w' "$wine" "$wineserver"
  [[ ! -e $folder ]] || fail "left behind: $folder ($(ls "$folder" | tr '\n' ' '))"
  [[ ! -e $menu_entry ]] || fail "left behind: $menu_entry"
  if has_key "$key"; then fail "left behind: $key"; fi
  if has_key "$classes\\$progid"; then fail "left behind: $classes\\$progid"; fi
  if has_key "$classes\\.syx\\OpenWithProgids"; then fail "left behind: $classes\\.syx\\OpenWithProgids"; fi
}

size=$(stat -c %s "$installer")
echo "installer: $(basename "$installer"), $((size / 1024)) KiB"
"$wineserver" -k 2>/dev/null || true
"$wine" reg delete "$classes\\.syx" /f >/dev/null 2>&1 || true

# .syx claimed by no program, but described (as Windows describes it).
"$wine" reg add "$classes\\.syx" /v "Content Type" /d audio/x-sysex /f >/dev/null
wait_for_wine
install
expect_value "$classes\\.syx" "" $progid

start=$(now_us)
version=$("$wine" "$program" --version </dev/null | tr -d '\r')
report_time "installed program --version" "$start"
echo "installed: $version"
[[ $version == "Patchwarden v1.00" ]] || fail "--version printed '$version'"
# Wine's desktop, started without a display, ends before one with a display.
wait_for_wine

start=$(now_us)
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '"$0" "$1"; status=$?; "$2" -w; exit $status' \
  "$wine" "$opener" "$wineserver" | tr -d '\r' || fail "a .syx file opened as Explorer opens it did not show"
report_time "a .syx file opened" "$start"

uninstall
expect_value "$classes\\.syx" "" ""
expect_value "$classes\\.syx" "Content Type" audio/x-sysex

# .syx claimed by another program: it keeps the double click and its keys.
"$wine" reg add "$classes\\.syx" /ve /d Other.SysEx /f >/dev/null
wait_for_wine
install
expect_value "$classes\\.syx" "" Other.SysEx
uninstall
expect_value "$classes\\.syx" "" Other.SysEx
expect_value "$classes\\.syx" "Content Type" audio/x-sysex
"$wine" reg delete "$classes\\.syx" /f >/dev/null
wait_for_wine
echo "installed, started, opened a file and removed without a trace"

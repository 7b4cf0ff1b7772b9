#!/usr/bin/env bash
# Installs the build as the package does (prefix /usr, under a staging folder)
# and checks what a desktop relies on: the program on the path, a valid menu
# entry that starts it, its icon at every size the theme is asked for,
# AppStream metadata that points at the menu entry, the MIME type the menu
# entry opens, and for every program a man page that formats cleanly, names
# every option of the program's --help and the other programs.
#
# Usage: check_install.sh BUILD_DIR
set -uo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
prefix=$stage/usr
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null || { echo "FAIL: cmake --install"; exit 1; }

# Every file goes under the prefix: nothing of the package lands in /etc or
# /usr/local.
# (The manifest's last line has no newline.)
while read -r file || [[ -n $file ]]; do
  [[ $file == /usr/* && -e $stage$file ]] || fail "installed outside the prefix: $file"
done < "$build/install_manifest.txt"

[[ -x $prefix/bin/patchwarden ]] || fail "bin/patchwarden is missing"

entries=("$prefix"/share/applications/*.desktop)
[[ ${#entries[@]} == 1 && -f ${entries[0]} ]] || fail "expected one desktop entry, got: ${entries[*]}"
entry=${entries[0]}
desktop-file-validate "$entry" || fail "desktop-file-validate $entry"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[[ -n $exec_program && -x $prefix/bin/$exec_program ]] || fail "Exec=$exec_program is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$entry")
for size in 16 32 48; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png
  if [[ ! -f $png ]]; then fail "no ${size} px icon $icon"; continue; fi
  # The PNG header holds width and height as 32-bit big-endian numbers.
  read -r width height < <(od -An -j16 -N8 --endian=big -tu4 "$png")
  [[ $width == "$size" && $height == "$size" ]] || fail "$png is $width x $height"
done

metainfos=("$prefix"/share/metainfo/*.metainfo.xml)
[[ ${#metainfos[@]} == 1 && -f ${metainfos[0]} ]] || fail "expected one metainfo file, got: ${metainfos[*]}"
metainfo=${metainfos[0]}
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate $metainfo"
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[[ $launchable == "$(basename "$entry")" ]] || fail "metainfo launches $launchable, not $(basename "$entry")"
[[ $(basename "$metainfo") == "$id.metainfo.xml" ]] || fail "metainfo file is not named after its id $id"

# The menu entry opens files of the types it names; each is one the package
# teaches the shared MIME database, which then maps a .syx name to it.
mime_types=$(sed -n 's/^MimeType=//p' "$entry" | tr ';' ' ')
[[ -n $mime_types ]] || fail "the desktop entry names no MIME type"
if XDG_DATA_DIRS=$prefix/share update-mime-database "$prefix/share/mime"; then
  for type in $mime_types; do
    grep -q "^[0-9]*:$type:\*\.syx$" "$prefix/share/mime/globs2" ||
      fail "the MIME database does not map *.syx to $type"
  done
else
  fail "update-mime-database rejects $prefix/share/mime/packages"
fi

for program in "$prefix"/bin/*; do
  name=$(basename "$program")
  man=$prefix/share/man/man1/$name.1.gz
  if [[ ! -f $man ]]; then fail "no man page $man"; continue; fi
  warnings=$(zcat "$man" | groff -man -ww -z 2>&1)
  [[ -z $warnings ]] || fail "man page of $name: $warnings"
  page=$(zcat "$man" | groff -man -Tascii -P-cbou 2>/dev/null)
  grep -q '^NAME' <<<"$page" || fail "man page of $name has no NAME section"
  for option in $("$program" --help | grep -oE -- '(^|[[:space:][,])--?[a-z][a-z-]*' | tr -d ' [,' | sort -u); do
    grep -qF -- "$option" <<<"$page" || fail "man page of $name does not name its option $option"
  done
  see_also=$(sed -n '/^SEE ALSO/,/^[A-Z]/p' <<<"$page")
  for other in "$prefix"/bin/*; do
    [[ $other == "$program" ]] && continue
    grep -qF "$(basename "$other")(1)" <<<"$see_also" || fail "man page of $name does not name $(basename "$other") under SEE ALSO"
  done
done

echo "installed tree: $failures problem(s)"
exit $((failures > 0))

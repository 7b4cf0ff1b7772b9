# Puts Wine and the Windows build's sequencer tests (winmm_sequencer_tests.exe)
# into the test machine's root, beside a6-emulator; sourced by
# kernel_tests.sh, whose copy_libs it uses. Wine comes from this machine's
# wine64 package, at the same paths, so it finds its parts as it does here:
#   - the loader, the server and the Unix side of Wine's libraries whole;
#   - of the Windows side (hundreds of megabytes), only the libraries a run
#     of the tests loads here, found by running them once with Wine's
#     loaddll trace (they fail here without a sequencer, after loading the
#     MIDI drivers), without their debugging information;
#   - the Wine prefix made on this machine (making one takes minutes
#     without KVM), with its copies of Wine's libraries made links to them,
#     and the ALSA driver chosen for sound and MIDI.
# The machine runs the tests as root, as the prefix's owner here must be.

wine_loader=/usr/lib/wine/wine64
wine_lib=/usr/lib/x86_64-linux-gnu/wine

wine_test_binary() { echo "$1/tests/midi/kernel/winmm_sequencer_tests.exe"; }

stage_wine() {  # stage root, Windows build folder, a6-emulator to run with it
    local stage=$1 build=$2 emulator=$3
    local prefix=$build/wine-prefix test
    test=$(wine_test_binary "$build")
    [ -x "$wine_loader" ] || { echo "kernel tests: $wine_loader is missing (make deps-windows)" >&2; exit 1; }
    [ -f "$prefix/.ready" ] || { echo "kernel tests: no Wine prefix in $build (make test-wine-midi makes it)" >&2; exit 1; }
    [ -f "$test" ] || { echo "kernel tests: $test is missing (build it first)" >&2; exit 1; }

    mkdir -p "$stage/usr/lib/wine" "$stage$wine_lib/x86_64-windows" "$stage/usr/share" "$stage/pw-wine" \
        "$stage/etc" "$stage/dev/shm"
    cp -a /usr/lib/wine/. "$stage/usr/lib/wine/"
    cp -a "$wine_lib/x86_64-unix" "$stage$wine_lib/"
    cp -a /usr/share/wine "$stage/usr/share/"
    copy_libs /usr/lib/wine/wineserver64
    copy_libs "$wine_loader"
    local so
    for so in "$stage$wine_lib"/x86_64-unix/*.so; do copy_libs "$so" 2>/dev/null || true; done
    echo "root:x:0:0:root:/tmp:/bin/sh" > "$stage/etc/passwd"

    # The Windows libraries a run loads, traced in a prefix of its own.
    local trace_prefix=$work/wine-trace-prefix listed=$work/wine-loaded.txt
    rm -rf "$trace_prefix" && cp -a "$prefix" "$trace_prefix"
    (cd "$(dirname "$test")" && WINEPREFIX=$trace_prefix WINEDEBUG=+loaddll WINEDLLOVERRIDES=mscoree,mshtml= \
        timeout 120 "$wine_loader" "$test" --gtest_filter='*find_a6*' >/dev/null 2>"$work/wine-trace.log") || true
    WINEPREFIX=$trace_prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
    sed -n 's/.*trace:loaddll:.*Loaded L"[^"]*\\\([^"\\]*\)" at .*: builtin$/\1/p' "$work/wine-trace.log" |
        tr 'A-Z' 'a-z' > "$listed.tmp"
    # The loader loads ntdll itself, before its trace can tell.
    echo ntdll.dll >> "$listed.tmp"
    sort -u "$listed.tmp" > "$listed" && rm -f "$listed.tmp"
    [ -s "$listed" ] || { echo "kernel tests: Wine loaded nothing here (see $work/wine-trace.log)" >&2; exit 1; }
    local name
    while read -r name; do
        [ -f "$wine_lib/x86_64-windows/$name" ] &&
            x86_64-w64-mingw32-strip --strip-debug -o "$stage$wine_lib/x86_64-windows/$name" \
                "$wine_lib/x86_64-windows/$name"
    done < "$listed"
    rm -rf "$trace_prefix"

    # The prefix, its copies of Wine's libraries made links (to what is
    # there or not: only the loaded ones are).
    cp -a "$prefix" "$stage/pw-wine/prefix"
    rm -f "$stage/pw-wine/prefix/.ready"
    local file base
    while IFS= read -r -d '' file; do
        base=$(basename "$file")
        if [ -f "$wine_lib/x86_64-windows/$base" ] && cmp -s "$file" "$wine_lib/x86_64-windows/$base"; then
            ln -sf "$wine_lib/x86_64-windows/$base" "$file"
        fi
    done < <(find "$stage/pw-wine/prefix/drive_c" -type f -print0)
    printf '\n[Software\\\\Wine\\\\Drivers] 1700000000\n"Audio"="alsa"\n' >> "$stage/pw-wine/prefix/user.reg"

    cp "$test" "$stage/pw-wine/"
    strip --strip-debug -o "$stage/pw-wine/a6-emulator" "$emulator"
    copy_libs "$emulator"
    echo "kernel tests: Wine staged with $(wc -l < "$listed") Windows libraries," \
        "$(du -sh "$stage/pw-wine/prefix" | cut -f1) of prefix"
}

#!/usr/bin/env bash
# Runs the sequencer tests (alsa_kernel_tests, with the a6-emulator program
# beside it) of each build folder given against the kernel's real MIDI
# sequencer: on this machine when it has one (/dev/snd/seq), otherwise in a
# small virtual machine. The machine is qemu without KVM running Debian's
# stock kernel with snd-seq-dummy, snd-virmidi and snd-seq-midi, busybox, and
# the tests; nothing is installed on this machine: the kernel, busybox-static
# and alsa-utils packages are only downloaded and unpacked into build-vm/.
#
# Fails when a test fails or is skipped, or when a run gives no result.
#
#   tests/vm/kernel_tests.sh build build-asan
#   tests/vm/kernel_tests.sh --wine build-windows build
#
# With --wine, the virtual machine (also where this machine has a sequencer)
# runs the Windows build's WinMM tests under Wine instead (stage_wine.sh),
# against the first build's a6-emulator.
#
# PW_VM_TIMEOUT (seconds, default 420) bounds the whole virtual machine run.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tests/vm/stage_wine.sh"
wine_build=""
if [ "${1:-}" = --wine ]; then
    [ $# -ge 3 ] || { echo "usage: $0 --wine WINDOWS_BUILD_DIR BUILD_DIR" >&2; exit 2; }
    wine_build=$(cd "$2" && pwd)
    shift 2
fi
[ $# -gt 0 ] || { echo "usage: $0 BUILD_DIR..." >&2; exit 2; }
builds=()
for b in "$@"; do builds+=("$(cd "$b" && pwd)"); done

test_binary() { echo "$1/tests/midi/kernel/alsa_kernel_tests"; }
emulator_binary() { echo "$1/a6_emulator/a6-emulator"; }

for b in "${builds[@]}"; do
    for f in $([ -z "$wine_build" ] && test_binary "$b") "$(emulator_binary "$b")"; do
        [ -x "$f" ] || { echo "kernel tests: $f is missing (build it first)" >&2; exit 1; }
    done
done

# A run's output passes when the tests ran, none was skipped and all passed.
judge() {  # name, exit code, output file
    local name=$1 rc=$2 out=$3
    if [ "$rc" != 0 ]; then echo "kernel tests ($name): FAILED (exit code $rc)"; return 1; fi
    if grep -q '^\[  SKIPPED \]' "$out"; then
        echo "kernel tests ($name): FAILED (tests were skipped:"
        grep '^\[  SKIPPED \]' "$out"
        echo ")"
        return 1
    fi
    if ! grep -q '^\[  PASSED  \] [1-9][0-9]* test' "$out"; then
        echo "kernel tests ($name): FAILED (no test ran)"
        return 1
    fi
    echo "kernel tests ($name): $(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$out" |
        awk '{n += $1} END {print n}') tests passed"
}

if [ -e /dev/snd/seq ] && [ -z "$wine_build" ]; then
    echo "kernel tests: on this machine's sequencer (/dev/snd/seq)"
    status=0
    for b in "${builds[@]}"; do
        out=$(mktemp)
        set +e
        PW_A6_EMULATOR=$(emulator_binary "$b") ASAN_OPTIONS=detect_leaks=1 \
            UBSAN_OPTIONS=print_stacktrace=1 "$(test_binary "$b")" --gtest_color=no 2>&1 | tee "$out"
        rc=${PIPESTATUS[0]}
        set -e
        judge "$(basename "$b")" "$rc" "$out" || status=1
        rm -f "$out"
    done
    exit $status
fi

work=$root/build-vm
debs=$work/debs
stage=$work/root
mkdir -p "$debs"

started=$(date +%s.%N)
elapsed() { echo "$(date +%s.%N) $started" | awk '{printf "%.1f", $1 - $2}'; }

kernel_package=$(apt-cache depends linux-image-amd64 2>/dev/null |
                 sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -n1)
if [ -z "$kernel_package" ]; then
    if [ "$(id -u)" = 0 ]; then apt-get update -qq; fi
    kernel_package=$(apt-cache depends linux-image-amd64 2>/dev/null |
                     sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -n1)
fi
[ -n "$kernel_package" ] || { echo "kernel tests: no linux-image-amd64 in the package lists" >&2; exit 1; }
kernel_version=${kernel_package#linux-image-}

fetch() {  # downloads the packages not yet in build-vm/debs
    local missing=()
    for p in "$@"; do compgen -G "$debs/${p}_*.deb" >/dev/null || missing+=("$p"); done
    [ ${#missing[@]} -eq 0 ] && return 0
    if ! (cd "$debs" && apt-get download "${missing[@]}" >"$work/download.log" 2>&1); then
        # The package lists may be missing or out of date.
        [ "$(id -u)" = 0 ] && apt-get update -qq
        (cd "$debs" && apt-get download "${missing[@]}") ||
            { echo "kernel tests: cannot download ${missing[*]}" >&2; exit 1; }
    fi
}
fetch "$kernel_package" busybox-static alsa-utils

# The kernel and its sound modules, unpacked once per kernel version.
kdir=$work/kernel-$kernel_version
if [ ! -f "$kdir/vmlinuz" ]; then
    rm -rf "$kdir.tmp" && mkdir -p "$kdir.tmp"
    dpkg-deb --fsys-tarfile "$(compgen -G "$debs/${kernel_package}_*.deb" | head -n1)" |
        tar -x -C "$kdir.tmp" --wildcards './boot/vmlinuz-*' "./lib/modules/$kernel_version/kernel/sound/*"
    mv "$kdir.tmp/boot/vmlinuz-$kernel_version" "$kdir.tmp/vmlinuz"
    rm -rf "$kdir" && mv "$kdir.tmp" "$kdir"
fi

rm -rf "$stage"
mkdir -p "$stage"/{bin,usr/bin,usr/share,proc,sys,dev,tmp,pw,lib/x86_64-linux-gnu,lib64}
tmpdeb=$work/unpacked
rm -rf "$tmpdeb" && mkdir -p "$tmpdeb"
dpkg-deb -x "$(compgen -G "$debs/busybox-static_*.deb" | head -n1)" "$tmpdeb/busybox"
dpkg-deb -x "$(compgen -G "$debs/alsa-utils_*.deb" | head -n1)" "$tmpdeb/alsa-utils"
cp "$tmpdeb/busybox/bin/busybox" "$stage/bin/busybox"
ln -s busybox "$stage/bin/sh"
for tool in aconnect amidi aseqdump; do cp "$tmpdeb/alsa-utils/usr/bin/$tool" "$stage/usr/bin/"; done
cp "$root/tests/vm/guest_init.sh" "$stage/init"
cp -r /usr/share/alsa "$stage/usr/share/alsa"

# The three modules the tests need and everything they depend on (the
# package has no modules.dep: the guest runs depmod).
modroot=$kdir/lib/modules/$kernel_version
declare -A wanted=()
want() {
    local name=$1 file dep
    [ -n "${wanted[$name]:-}" ] && return 0
    file=$(find "$modroot" \( -name "$name.ko" -o -name "${name//-/_}.ko" \) | head -n1)
    [ -n "$file" ] || { echo "kernel tests: module $name not in the kernel package" >&2; exit 1; }
    wanted[$name]=$file
    for dep in $(strings -a "$file" | sed -n 's/^depends=//p' | tr ',' ' '); do want "$dep"; done
}
for m in snd-seq-dummy snd-virmidi snd-seq-midi; do want "$m"; done
for file in "${wanted[@]}"; do
    dest=$stage/lib/modules/$kernel_version/${file#"$modroot"/}
    mkdir -p "$(dirname "$dest")"
    cp "$file" "$dest"
done

# The tests of each build, with the shared libraries they load.
copy_libs() {
    ldd "$1" | awk '/=> \//{print $3} /^\t\/lib64\//{print $1}' | while read -r lib; do
        case $lib in
            /lib64/*) dest=$stage$lib ;;
            *) dest=$stage/lib/x86_64-linux-gnu/$(basename "$lib") ;;
        esac
        [ -e "$dest" ] || cp -L "$lib" "$dest"
    done
}
copy_libs "$tmpdeb/alsa-utils/usr/bin/aconnect"
runs=()
if [ -n "$wine_build" ]; then
    stage_wine "$stage" "$wine_build" "$(emulator_binary "${builds[0]}")"
    runs+=(wine)
else
    for b in "${builds[@]}"; do
        name=$(basename "$b")
        mkdir -p "$stage/pw/$name"
        for f in "$(test_binary "$b")" "$(emulator_binary "$b")"; do
            strip --strip-debug -o "$stage/pw/$name/$(basename "$f")" "$f"
            copy_libs "$f"
        done
        runs+=("$name")
    done
fi

(cd "$stage" && find . | cpio -o -H newc --quiet) > "$work/initrd.cpio"
echo "kernel tests: virtual machine prepared in $(elapsed) s (kernel $kernel_version)"

log=$work/serial.log
vm_start=$(date +%s.%N)
set +e
timeout "${PW_VM_TIMEOUT:-420}" qemu-system-x86_64 -accel tcg -smp 2 -m 2048 \
    -nographic -no-reboot -nic none -kernel "$kdir/vmlinuz" -initrd "$work/initrd.cpio" \
    -append "console=ttyS0 panic=-1 quiet loglevel=3" </dev/null >"$log" 2>&1
vm_rc=$?
set -e
vm_time=$(echo "$(date +%s.%N) $vm_start" | awk '{printf "%.1f", $1 - $2}')

# The serial log carries carriage returns and the firmware's escape codes.
clean=$work/serial.txt
sed -e 's/\r//g' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' -e 's/\x1b[()][A-Z0-9]//g' -e 's/\x1bc//g' \
    -e 's/\(.\)@@pw-/\1\n@@pw-/' "$log" > "$clean"

if [ "$vm_rc" = 124 ]; then echo "kernel tests: the virtual machine ran out of time (${PW_VM_TIMEOUT:-420} s)"; fi
sed -n '/^@@pw-boot/,$p' "$clean" | grep -v '^@@pw-' || true
status=0
for name in "${runs[@]}"; do
    out=$work/run-$name.txt
    sed -n "/^@@pw-run $name\$/,/^@@pw-result $name /p" "$clean" > "$out"
    result=$(grep "^@@pw-result $name " "$out" || true)
    if [ -z "$result" ]; then
        echo "kernel tests ($name): FAILED (no result; serial log in $log)"
        status=1
        continue
    fi
    read -r _ _ rc t0 t1 <<<"$result"
    judge "$name" "$rc" "$out" || status=1
    echo "kernel tests ($name): $(echo "$t1 $t0" | awk '{printf "%.1f", $1 - $2}') s in the virtual machine"
done
boot=$(sed -n 's/^@@pw-boot \([0-9.]*\).*/\1/p' "$clean")
echo "kernel tests: virtual machine ran ${vm_time} s (kernel up after ${boot:-?} s of guest time); $(elapsed) s in all"
if ! grep -q '^@@pw-end' "$clean"; then
    echo "kernel tests: FAILED (the virtual machine did not finish; serial log in $log)"
    status=1
fi
exit $status

#!/bin/sh
# /init of the test machine: brings up the kernel's MIDI sequencer, runs the
# sequencer tests of every build copied in under /pw side by side, prints
# each build's output and one result line for it on the serial console, and
# powers off.
/bin/busybox mount -t proc proc /proc
/bin/busybox --install -s /bin
export PATH=/bin:/usr/bin
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp
mount -t tmpfs tmpfs /tmp
export HOME=/tmp

echo "@@pw-boot $(cut -d' ' -f1 /proc/uptime)"
depmod
# Two Midi Through ports and four virmidi devices: one of each per run.
modprobe snd-seq-dummy ports=2 || echo "@@pw-note modprobe snd-seq-dummy failed"
modprobe snd-virmidi || echo "@@pw-note modprobe snd-virmidi failed"
modprobe snd-seq-midi || echo "@@pw-note modprobe snd-seq-midi failed"
n=0
while [ ! -e /dev/snd/seq ] && [ $n -lt 50 ]; do sleep 0.1; n=$((n + 1)); done

uptime_now() { cut -d' ' -f1 /proc/uptime; }

# One build's tests. The raw MIDI tests drain a kernel buffer against the
# clock, so the two runs take them at different times: run 0 first, run 1
# last, each while the other waits out the pauses of its sequencer tests.
run_tests() {
    dir=$1
    number=$2
    if [ "$number" = 0 ]; then order="rawmidi_interface.* -rawmidi_interface.*"
    else order="-rawmidi_interface.* rawmidi_interface.*"; fi
    start=$(uptime_now)
    status=0
    for filter in $order; do
        (cd "$dir" && PW_KERNEL_RUN=$number PW_A6_EMULATOR="$dir/a6-emulator" \
            ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
            ./alsa_kernel_tests --gtest_color=no "--gtest_filter=$filter") || status=$?
    done
    echo "$status $start $(uptime_now)" > "/tmp/result.$(basename "$dir")"
}

# The Windows build's sequencer tests under Wine (/pw-wine, when the
# machine carries Wine): a6-emulator first, since Wine lists the
# sequencer's ports once, when its winmm starts.
run_wine_tests() {
    start=$(uptime_now)
    mkdir -p /dev/shm && mount -t tmpfs tmpfs /dev/shm
    : > /tmp/emulator.log
    /pw-wine/a6-emulator --speed "${PW_WINE_EMULATOR_SPEED:-8}" > /tmp/emulator.log 2>&1 &
    emulator=$!
    n=0
    while ! grep -q '^A6 emulator: ' /tmp/emulator.log && [ $n -lt 300 ]; do sleep 0.1; n=$((n + 1)); done
    cat /tmp/emulator.log
    # Wine may fault as the process ends: the tests' result is what they
    # wrote before.
    rm -f /tmp/wine-result
    (cd /pw-wine && HOME=/tmp USER=root WINEPREFIX=/pw-wine/prefix WINEDEBUG=-all \
        WINEDLLOVERRIDES=mscoree,mshtml= PW_TEST_RESULT='Z:\tmp\wine-result' \
        /usr/lib/wine/wine64 ./winmm_sequencer_tests.exe --gtest_color=no) || true
    status=$(tr -dc 0-9 < /tmp/wine-result 2>/dev/null) || status=""
    [ -n "$status" ] || { echo "the tests wrote no result"; status=1; }
    kill $emulator
    wait $emulator
    echo "$status $start $(uptime_now)" > /tmp/result.wine
}

runs=""
number=0
for dir in /pw/*; do
    [ -d "$dir" ] || continue
    run_tests "$dir" $number > "/tmp/log.$(basename "$dir")" 2>&1 &
    runs="$runs $(basename "$dir")"
    number=$((number + 1))
done
if [ -d /pw-wine ]; then
    run_wine_tests > /tmp/log.wine 2>&1 &
    runs="$runs wine"
fi
wait

failed=0
for run in $runs; do
    echo "@@pw-run $run"
    cat "/tmp/log.$run"
    read -r rc t0 t1 < "/tmp/result.$run"
    [ "$rc" = 0 ] || failed=1
    echo "@@pw-result $run $rc $t0 $t1"
done
if [ $failed = 1 ]; then
    aconnect -l
    cat /proc/asound/cards
fi
echo "@@pw-end"
poweroff -f

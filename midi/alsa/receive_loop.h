#pragma once

// The receive thread's loop, apart from the sequencer: wait for the
// sequencer or the stop signal, read what has come, and stop watching a
// sequencer that reports an error or a hang-up with nothing to read, or that
// fails to be read. Such a
// descriptor makes every later poll return at once, so watching it further
// would spin the thread; its failure is reported once instead.

namespace patchwarden::alsa {

class receive_source {
public:
    enum wake : unsigned { stop = 1u, readable = 2u, broken = 4u };

    virtual ~receive_source() = default;
    // Blocks until the stop signal or, when watch_device, the device has
    // something to say; answers a combination of wake bits.
    virtual unsigned wait(bool watch_device) = 0;
    // Reads and hands on everything waiting, without blocking; false when
    // the device failed.
    virtual bool read_available() = 0;
    // The device failed with nothing to read.
    virtual void report_broken() = 0;
};

// Returns when wait() answers stop.
void run_receive_loop(receive_source& source);

// The wake bits of one device descriptor's poll result.
unsigned device_wake(short revents);

}  // namespace patchwarden::alsa

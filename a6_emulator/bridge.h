#pragma once

// Where a6-emulator meets the outside world: a sequencer port or a raw MIDI
// device, carrying bytes to the emulated instrument and its messages back.
// Every bridge stops the same way: stop() (from any thread, a signal
// handler's thread included) raises a flag and wakes the stop descriptor
// that run() polls beside its device.

#include <atomic>
#include <string>

namespace patchwarden::a6_emulator_program {

class bridge {
public:
    bridge();
    virtual ~bridge();
    bridge(const bridge&) = delete;
    bridge& operator=(const bridge&) = delete;

    // Carries bytes both ways until stop() is called.
    virtual void run() = 0;
    void stop();
    // Where others reach it, for the line printed at start.
    virtual std::string where() const = 0;

protected:
    // Readable once stop() was called; -1 when it could not be made.
    int stop_fd_ = -1;
    std::atomic<bool> stopping_{false};
};

}  // namespace patchwarden::a6_emulator_program

#pragma once

// Where a6-emulator meets the outside world: a sequencer port or a raw MIDI
// device, carrying bytes to the emulated instrument and its messages back.

#include <string>

namespace patchwarden::a6_emulator_program {

class bridge {
public:
    virtual ~bridge() = default;
    // Carries bytes both ways until stop() is called (from any thread).
    virtual void run() = 0;
    virtual void stop() = 0;
    // Where others reach it, for the line printed at start.
    virtual std::string where() const = 0;
};

}  // namespace patchwarden::a6_emulator_program

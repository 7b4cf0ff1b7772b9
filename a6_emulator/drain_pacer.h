#pragma once

// How a MIDI interface drains the buffer that holds what the computer sends
// it: one byte per wire byte time while the buffer holds any, never faster,
// and an idle wire saves no time for later. The reader asks it how much it
// may take now (the wire time passed since the bytes taken so far were done),
// reads that much, and says what it got; a read that found fewer bytes than
// it could take means the buffer ran empty, and the wire is idle until bytes
// come again. A reader that was held up meanwhile catches up, as the wire
// did not stop while it waited.

#include <chrono>
#include <cstddef>

namespace patchwarden::a6_emulator_program {

class drain_pacer {
public:
    using clock = std::chrono::steady_clock;

    // bytes_per_second 0 drains at once. Reads are spaced to take at least
    // quantum bytes each.
    drain_pacer(double bytes_per_second, std::size_t quantum, std::size_t most_per_read);

    // When the next read is worth making.
    clock::time_point next_read() const;
    // How many bytes the wire can have taken by now.
    std::size_t allowance(clock::time_point now) const;
    // A read at now asked for `asked` bytes and got `got`.
    void took(std::size_t got, std::size_t asked, clock::time_point now);
    // Bytes came at now to a wire that was idle.
    void woke(clock::time_point now);

private:
    double rate_;
    std::size_t quantum_;
    std::size_t most_;
    clock::time_point busy_until_{};
};

}  // namespace patchwarden::a6_emulator_program

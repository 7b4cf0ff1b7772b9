#pragma once

// Hands one slice of a SysEx stream to the sequencer at the pace a MIDI
// interface can take it. A SysEx event sent to a hardware port is copied
// into the port's raw MIDI buffer (one 4 KiB page), and what does not fit is
// dropped without an error to the writer. So a slice goes in pieces of at
// most sub_write_size bytes, and the sender keeps account of when the wire
// will have taken what it was given, counting each byte a few per cent
// longer than the nominal rate: MIDI allows the baud rate to be 1% off, and
// an interface that drains slower than the program writes would lose the
// tail of a long transfer. The next piece goes once at most one piece is
// still waiting for the wire, so no more than two pieces are ever in the
// interface and the pace does not suffer from how late the sender gets to
// run. The slice counts as sent once the wire has taken all of it.
//
// A piece the sequencer refuses for the moment (the receiving client's input
// is full) is tried again; one it rejects, or keeps refusing for
// refusal_limit, fails the slice for good: a slice with a failed piece is
// never reported as sent.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace patchwarden::alsa {

inline constexpr std::size_t sub_write_size = 1024;
// 31,250 baud and 10 bits a byte.
inline constexpr std::chrono::microseconds wire_time_per_byte{320};
inline constexpr double pacing_margin = 1.05;
inline constexpr std::chrono::seconds refusal_limit{5};

enum class write_result { written, refused, failed };

class slice_sender {
public:
    using clock = std::chrono::steady_clock;
    using write_function = std::function<write_result(std::span<const std::uint8_t>)>;
    enum class state { sending, sent, failed };

    // speed: the multiple of the MIDI wire rate to pace at (the tests run
    // faster than the wire); 0 writes each piece as soon as the one before
    // it has been written.
    explicit slice_sender(double speed = 1.0);

    // Starts a slice; the bytes must stay valid until it is sent or failed.
    void begin(std::span<const std::uint8_t> slice);
    // Writes the next piece through write when its time has come.
    state poll(clock::time_point now, const write_function& write);
    // How long a piece of this many bytes is given on the wire.
    clock::duration piece_time(std::size_t bytes) const;

private:
    double speed_;
    std::span<const std::uint8_t> slice_;
    std::size_t next_ = 0;
    // When the wire will have taken every piece written so far.
    clock::time_point wire_free_at_{};
    std::optional<clock::time_point> refused_since_;
    state state_ = state::sent;
};

}  // namespace patchwarden::alsa

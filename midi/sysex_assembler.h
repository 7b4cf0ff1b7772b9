#pragma once

// Puts SysEx messages back together from the bytes of a MIDI stream that
// arrives in pieces. 0xF0 starts a message and 0xF7 completes it; real-time
// bytes (0xF8 to 0xFF) in between are skipped, as they may be sent in the
// middle of a SysEx message. Nothing is ever delivered half: a message cut
// off by another status byte, by a new 0xF0, by a lost piece (drop) or by
// growing past the size limit is thrown away whole. Bytes outside a message
// are ignored.

#include <cstddef>
#include <cstdint>
#include <span>

#include "data/bytes.h"

namespace patchwarden {

class sysex_assembler {
public:
    explicit sysex_assembler(std::size_t max_size) : max_size_(max_size) {}

    // Calls on_message(std::span<const std::uint8_t>) with each message
    // completed within bytes, 0xF0 to 0xF7.
    template <class Handler>
    void feed(std::span<const std::uint8_t> bytes, Handler&& on_message);

    // Loses the message in progress (the rest of it is ignored up to its
    // 0xF7).
    void drop() {
        if (state_ == state::idle) return;
        message_.clear();
        state_ = state::skipping;
    }
    bool in_message() const { return state_ != state::idle; }
    std::size_t pending() const { return message_.size(); }
    // Messages thrown away so far.
    std::size_t dropped() const { return dropped_; }

private:
    enum class state { idle, collecting, skipping };

    void discard() {
        if (state_ != state::idle) ++dropped_;
        message_.clear();
    }

    std::size_t max_size_;
    byte_vector message_;
    state state_ = state::idle;
    std::size_t dropped_ = 0;
};

template <class Handler>
void sysex_assembler::feed(std::span<const std::uint8_t> bytes, Handler&& on_message) {
    for (const std::uint8_t b : bytes) {
        if (b >= 0xF8) continue;  // real-time: never part of the message
        if (b == 0xF0) {
            discard();
            message_.push_back(b);
            state_ = state::collecting;
            continue;
        }
        if (b == 0xF7) {
            if (state_ == state::collecting) {
                if (message_.size() < max_size_) {
                    message_.push_back(b);
                    on_message(std::span<const std::uint8_t>(message_));
                    message_.clear();
                } else {
                    discard();
                }
            } else if (state_ == state::skipping) {
                ++dropped_;
            }
            state_ = state::idle;
            continue;
        }
        if (b & 0x80) {  // any other status byte ends a SysEx message unfinished
            discard();
            state_ = state::idle;
            continue;
        }
        if (state_ != state::collecting) continue;
        if (message_.size() + 1 >= max_size_) {
            // Too long: the rest is skipped and the message never delivered.
            message_.clear();
            state_ = state::skipping;
            continue;
        }
        message_.push_back(b);
    }
}

}  // namespace patchwarden

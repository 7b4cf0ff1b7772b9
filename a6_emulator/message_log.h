#pragma once

// What --verbose prints: one line for every whole message the instrument
// receives or sends, saying what it is, its length and a checksum of its
// bytes (64-bit FNV-1a, in hexadecimal), so that a transfer can be checked
// byte for byte from the outside:
//   received Program dump u:005 (2350 bytes, FNV-1a 5c3e0f8d2a8b4c11)
// The bytes received arrive in pieces; the log puts messages together
// itself. Lines from several threads never mix.

#include <cstdint>
#include <mutex>
#include <ostream>
#include <span>
#include <string>

#include "data/a6_message.h"
#include "midi/sysex_assembler.h"

namespace patchwarden::a6_emulator_program {

std::uint64_t fnv1a_64(std::span<const std::uint8_t> bytes);

// "Program dump u:005", "Mix bank request c12", "Identity Request", ...
std::string describe_message(std::span<const std::uint8_t> message);

class message_log {
public:
    // A null stream logs nothing.
    explicit message_log(std::ostream* out);

    // Bytes on their way to the instrument, in the order they came.
    void received_bytes(std::span<const std::uint8_t> bytes);
    // One whole message the instrument sends.
    void sent(std::span<const std::uint8_t> message);

private:
    void line(const char* direction, std::span<const std::uint8_t> message);

    std::ostream* out_;
    std::mutex lock_;
    sysex_assembler incoming_;
};

}  // namespace patchwarden::a6_emulator_program

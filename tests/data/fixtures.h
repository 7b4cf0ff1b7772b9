#pragma once

// Message builders shared by the data layer tests: dumps with chosen bodies,
// random bodies and the padding rule of the last packed byte.

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

#include "data/a6_message.h"
#include "data/bytes.h"
#include "data/seven_bit.h"

namespace patchwarden::testing {

inline byte_vector random_bytes(std::size_t n, std::mt19937& rng, unsigned limit = 0x100) {
    std::uniform_int_distribution<unsigned> pick(0, limit - 1);
    byte_vector out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(pick(rng));
    return out;
}

// A dump message built by hand: head, opcode, bank and number (for Program and
// Mix dumps), the packed body, 0xF7.
inline byte_vector dump_message(std::uint8_t opcode, const byte_vector& body, int bank = 0, int number = 0) {
    byte_vector m = {0xF0, 0x00, 0x00, 0x0E, 0x1D, opcode};
    if (opcode != 0x08) {
        m.push_back(static_cast<std::uint8_t>(bank));
        m.push_back(static_cast<std::uint8_t>(number));
    }
    const byte_vector packed = pack_7bit(body);
    m.insert(m.end(), packed.begin(), packed.end());
    m.push_back(0xF7);
    return m;
}

inline byte_vector program_message(const byte_vector& body, int bank, int number) {
    return dump_message(0x00, body, bank, number);
}
inline byte_vector mix_message(const byte_vector& body, int bank, int number) {
    return dump_message(0x04, body, bank, number);
}
inline byte_vector global_message(const byte_vector& body) { return dump_message(0x08, body); }

// A body whose name bytes (2..17) hold the given Latin-1 text, padded with
// spaces, the rest random.
inline byte_vector body_with_name(std::size_t size, const std::string& name, std::mt19937& rng) {
    byte_vector body = random_bytes(size, rng);
    for (std::size_t i = 0; i < 16; ++i)
        body[2 + i] = i < name.size() ? static_cast<std::uint8_t>(name[i]) : std::uint8_t{0x20};
    return body;
}

// Bits of the last packed byte that carry no body bit, for a packed run of
// m bytes; zero when the body fills the last byte.
inline std::uint8_t padding_mask(std::size_t packed_bytes) {
    const std::size_t body_bits = packed_bytes * 7 / 8 * 8;
    const std::size_t used = body_bits - (packed_bytes - 1) * 7;  // bits of the last byte in use
    return static_cast<std::uint8_t>(0x7F & ~((1u << used) - 1));
}

}  // namespace patchwarden::testing

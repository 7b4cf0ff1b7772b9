#pragma once

// 7-bit packing of A6 dump bodies: the body is one little-endian bit stream
// cut into 7-bit groups, one group per message byte.

#include <cstddef>
#include <cstdint>
#include <span>

#include "data/bytes.h"

namespace patchwarden {

// Message bytes needed for n body bytes: ceil(8n / 7).
constexpr std::size_t packed_size(std::size_t body_bytes) {
    return (body_bytes * 8 + 6) / 7;
}

// Body bytes carried by m message bytes: floor(7m / 8).
constexpr std::size_t unpacked_size(std::size_t message_bytes) {
    return message_bytes * 7 / 8;
}

// Writes packed_size(body.size()) bytes to out.
void pack_7bit(std::span<const std::uint8_t> body, std::uint8_t* out);
byte_vector pack_7bit(std::span<const std::uint8_t> body);

// Writes unpacked_size(packed.size()) bytes to out. Bits left over after the
// last whole body byte are dropped; bit 7 of every input byte is ignored.
void unpack_7bit(std::span<const std::uint8_t> packed, std::uint8_t* out);
byte_vector unpack_7bit(std::span<const std::uint8_t> packed);

}  // namespace patchwarden

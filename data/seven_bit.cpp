#include "data/seven_bit.h"

#include <cstring>

namespace patchwarden {

void pack_7bit(std::span<const std::uint8_t> body, std::uint8_t* out) {
    const std::uint8_t* d = body.data();
    std::size_t n = body.size();
    // Whole groups: 7 body bytes become 8 message bytes.
    while (n >= 7) {
        out[0] = static_cast<std::uint8_t>(d[0] & 0x7F);
        out[1] = static_cast<std::uint8_t>(((d[0] >> 7) | (d[1] << 1)) & 0x7F);
        out[2] = static_cast<std::uint8_t>(((d[1] >> 6) | (d[2] << 2)) & 0x7F);
        out[3] = static_cast<std::uint8_t>(((d[2] >> 5) | (d[3] << 3)) & 0x7F);
        out[4] = static_cast<std::uint8_t>(((d[3] >> 4) | (d[4] << 4)) & 0x7F);
        out[5] = static_cast<std::uint8_t>(((d[4] >> 3) | (d[5] << 5)) & 0x7F);
        out[6] = static_cast<std::uint8_t>(((d[5] >> 2) | (d[6] << 6)) & 0x7F);
        out[7] = static_cast<std::uint8_t>(d[6] >> 1);
        d += 7;
        n -= 7;
        out += 8;
    }
    if (n == 0) return;
    // The last, short group: zero the output, then lay the bits in one by one.
    const std::size_t tail = packed_size(n);
    std::memset(out, 0, tail);
    for (std::size_t bit = 0; bit < n * 8; ++bit) {
        if (d[bit / 8] & (1u << (bit % 8))) out[bit / 7] |= static_cast<std::uint8_t>(1u << (bit % 7));
    }
}

byte_vector pack_7bit(std::span<const std::uint8_t> body) {
    byte_vector out(packed_size(body.size()));
    pack_7bit(body, out.data());
    return out;
}

void unpack_7bit(std::span<const std::uint8_t> packed, std::uint8_t* out) {
    const std::uint8_t* m = packed.data();
    std::size_t n = packed.size();
    while (n >= 8) {
        out[0] = static_cast<std::uint8_t>((m[0] & 0x7F) | (m[1] << 7));
        out[1] = static_cast<std::uint8_t>(((m[1] & 0x7F) >> 1) | (m[2] << 6));
        out[2] = static_cast<std::uint8_t>(((m[2] & 0x7F) >> 2) | (m[3] << 5));
        out[3] = static_cast<std::uint8_t>(((m[3] & 0x7F) >> 3) | (m[4] << 4));
        out[4] = static_cast<std::uint8_t>(((m[4] & 0x7F) >> 4) | (m[5] << 3));
        out[5] = static_cast<std::uint8_t>(((m[5] & 0x7F) >> 5) | (m[6] << 2));
        out[6] = static_cast<std::uint8_t>(((m[6] & 0x7F) >> 6) | (m[7] << 1));
        m += 8;
        n -= 8;
        out += 7;
    }
    const std::size_t tail = unpacked_size(n);
    if (tail == 0) return;
    std::memset(out, 0, tail);
    for (std::size_t bit = 0; bit < tail * 8; ++bit) {
        if (m[bit / 7] & (1u << (bit % 7))) out[bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
    }
}

byte_vector unpack_7bit(std::span<const std::uint8_t> packed) {
    byte_vector out(unpacked_size(packed.size()));
    unpack_7bit(packed, out.data());
    return out;
}

}  // namespace patchwarden

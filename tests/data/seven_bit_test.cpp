#include "data/seven_bit.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/data/fixtures.h"

namespace patchwarden {
namespace {

using testing::random_bytes;

// The packing written out as the bit stream it is: body bit i goes to bit
// i % 7 of message byte i / 7.
byte_vector reference_pack(const byte_vector& body) {
    byte_vector out((body.size() * 8 + 6) / 7, 0);
    for (std::size_t bit = 0; bit < body.size() * 8; ++bit)
        if (body[bit / 8] >> (bit % 8) & 1) out[bit / 7] |= static_cast<std::uint8_t>(1 << (bit % 7));
    return out;
}

TEST(seven_bit, three_bytes_pack_to_the_known_four) {
    EXPECT_EQ(pack_7bit(byte_vector{0x61, 0x62, 0x63}), (byte_vector{0x61, 0x44, 0x0D, 0x03}));
    EXPECT_EQ(unpack_7bit(byte_vector{0x61, 0x44, 0x0D, 0x03}), (byte_vector{0x61, 0x62, 0x63}));
}

TEST(seven_bit, sizes) {
    const struct {
        std::size_t body, packed;
    } cases[] = {{0, 0},  {1, 2},  {6, 7},       {7, 8},       {8, 10},
                 {14, 16}, {15, 18}, {2048, 2341}, {1024, 1171}, {15904, 18176}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(packed_size(c.body), c.packed);
        EXPECT_EQ(pack_7bit(byte_vector(c.body, 0x55)).size(), c.packed);
        EXPECT_EQ(unpacked_size(c.packed), c.body);
        EXPECT_EQ(unpack_7bit(byte_vector(c.packed, 0x2A)).size(), c.body);
    }
    // Message lengths that no packing produces still unpack to floor(7m / 8).
    EXPECT_EQ(unpack_7bit(byte_vector(1, 0x7F)).size(), 0u);
    EXPECT_EQ(unpack_7bit(byte_vector(9, 0x7F)).size(), 7u);
    EXPECT_EQ(unpack_7bit(byte_vector(17, 0x7F)).size(), 14u);
}

TEST(seven_bit, all_ones_stay_below_0x80) {
    for (std::size_t n : {1u, 7u, 13u, 2048u}) {
        const byte_vector packed = pack_7bit(byte_vector(n, 0xFF));
        for (std::uint8_t b : packed) ASSERT_LE(b, 0x7F) << "n=" << n;
    }
    EXPECT_EQ(pack_7bit(byte_vector(7, 0xFF)), byte_vector(8, 0x7F));
    EXPECT_EQ(pack_7bit(byte_vector{0xFF}), (byte_vector{0x7F, 0x01}));
}

TEST(seven_bit, matches_the_bit_stream_for_every_short_length) {
    std::mt19937 rng(7);
    for (std::size_t n = 0; n <= 64; ++n) {
        const byte_vector body = random_bytes(n, rng);
        EXPECT_EQ(pack_7bit(body), reference_pack(body)) << "n=" << n;
    }
}

TEST(seven_bit, round_trip_every_length_up_to_64) {
    std::mt19937 rng(1);
    for (std::size_t n = 0; n <= 64; ++n) {
        for (int trial = 0; trial < 20; ++trial) {
            const byte_vector body = random_bytes(n, rng);
            ASSERT_EQ(unpack_7bit(pack_7bit(body)), body) << "n=" << n;
        }
    }
}

TEST(seven_bit, round_trip_dump_bodies) {
    std::mt19937 rng(2);
    for (std::size_t n : {2048u, 1024u, 15904u}) {
        for (int trial = 0; trial < 5; ++trial) {
            const byte_vector body = random_bytes(n, rng);
            const byte_vector packed = pack_7bit(body);
            ASSERT_EQ(packed, reference_pack(body)) << "n=" << n;
            ASSERT_EQ(unpack_7bit(packed), body) << "n=" << n;
        }
    }
}

TEST(seven_bit, unpacking_drops_leftover_bits_and_ignores_bit_7) {
    std::mt19937 rng(3);
    for (std::size_t m = 1; m <= 40; ++m) {
        const byte_vector clean = random_bytes(m, rng, 0x80);
        byte_vector dirty = clean;
        for (auto& b : dirty) b |= 0x80;
        EXPECT_EQ(unpack_7bit(dirty), unpack_7bit(clean)) << "m=" << m;

        // Packing what was unpacked gives the message back except for the
        // bits beyond the last whole body byte, which come back as zero.
        const byte_vector again = pack_7bit(unpack_7bit(clean));
        const std::size_t body_bits = unpacked_size(m) * 8;
        for (std::size_t bit = 0; bit < again.size() * 7; ++bit) {
            const int want = bit < body_bits ? (clean[bit / 7] >> (bit % 7) & 1) : 0;
            ASSERT_EQ(again[bit / 7] >> (bit % 7) & 1, want) << "m=" << m << " bit=" << bit;
        }
    }
}

TEST(seven_bit, writing_into_a_buffer_touches_only_the_packed_size) {
    const byte_vector body = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    byte_vector out(packed_size(body.size()) + 2, 0xEE);
    pack_7bit(body, out.data());
    EXPECT_EQ(byte_vector(out.begin(), out.end() - 2), pack_7bit(body));
    EXPECT_EQ(out[out.size() - 2], 0xEE);
    EXPECT_EQ(out.back(), 0xEE);

    const byte_vector packed = pack_7bit(body);
    byte_vector back(unpacked_size(packed.size()) + 1, 0xEE);
    unpack_7bit(packed, back.data());
    EXPECT_EQ(byte_vector(back.begin(), back.end() - 1), body);
    EXPECT_EQ(back.back(), 0xEE);
}

}  // namespace
}  // namespace patchwarden

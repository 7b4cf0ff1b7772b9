#include "midi/sysex_assembler.h"

#include <gtest/gtest.h>

namespace patchwarden {
namespace {

std::vector<byte_vector> assemble(sysex_assembler& a, const byte_vector& bytes, std::size_t piece) {
    std::vector<byte_vector> out;
    for (std::size_t i = 0; i < bytes.size(); i += piece) {
        const std::size_t n = std::min(piece, bytes.size() - i);
        a.feed(std::span<const std::uint8_t>(bytes.data() + i, n),
               [&](std::span<const std::uint8_t> m) { out.emplace_back(m.begin(), m.end()); });
    }
    return out;
}

byte_vector message(std::size_t n, std::uint8_t seed) {
    byte_vector m(n, 0);
    m.front() = 0xF0;
    for (std::size_t i = 1; i + 1 < n; ++i) m[i] = static_cast<std::uint8_t>((i * 7 + seed) & 0x7F);
    m.back() = 0xF7;
    return m;
}

TEST(sysex_assembler, long_messages_in_pieces_with_real_time_bytes_come_out_whole) {
    const byte_vector a = message(2350, 1);
    const byte_vector b = message(6, 2);
    byte_vector wire = a;
    wire.insert(wire.begin() + 700, {0xF8, 0xFE});  // clock and active sensing inside
    wire.insert(wire.end(), {0x00, 0x12});          // stray data between messages
    wire.insert(wire.end(), b.begin(), b.end());
    for (std::size_t piece : {1u, 255u, 256u, 4096u}) {
        sysex_assembler asm_(1 << 24);
        EXPECT_EQ(assemble(asm_, wire, piece), (std::vector<byte_vector>{a, b})) << piece;
    }
}

TEST(sysex_assembler, interrupted_or_oversized_messages_are_dropped_whole) {
    struct row {
        const char* what;
        byte_vector wire;
        std::size_t max;
        std::size_t delivered;
    };
    const byte_vector ok = message(10, 3);
    auto join = [](std::initializer_list<byte_vector> parts) {
        byte_vector w;
        for (const auto& p : parts) w.insert(w.end(), p.begin(), p.end());
        return w;
    };
    const std::vector<row> rows{
        {"new F0 before F7", join({{0xF0, 0x01, 0x02}, ok}), 100, 1},
        {"note-on inside", join({{0xF0, 0x01, 0x90, 0x40, 0x7F, 0xF7}, ok}), 100, 1},
        {"one byte too long", join({message(11, 1), ok}), 10, 1},
        {"exactly the limit", join({message(10, 1), ok}), 10, 2},
        {"F7 alone", join({{0xF7}, ok}), 100, 1},
    };
    for (const row& r : rows) {
        sysex_assembler a(r.max);
        const auto out = assemble(a, r.wire, 3);
        ASSERT_EQ(out.size(), r.delivered) << r.what;
        EXPECT_EQ(out.back(), ok) << r.what;
    }
}

TEST(sysex_assembler, an_overrun_loses_the_message_in_progress_only) {
    sysex_assembler a(1 << 20);
    const byte_vector m = message(600, 4);
    std::vector<byte_vector> out = assemble(a, byte_vector(m.begin(), m.begin() + 256), 256);
    a.drop();
    const auto rest = assemble(a, byte_vector(m.begin() + 256, m.end()), 256);
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(a.dropped(), 1u);
    EXPECT_EQ(assemble(a, m, 256), std::vector<byte_vector>{m});
}

}  // namespace
}  // namespace patchwarden

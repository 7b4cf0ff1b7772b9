#include "data/a6_message.h"

#include <gtest/gtest.h>

#include <random>

#include "data/seven_bit.h"
#include "tests/data/fixtures.h"

namespace patchwarden {
namespace {

using testing::body_with_name;
using testing::mix_message;
using testing::padding_mask;
using testing::program_message;
using testing::random_bytes;

byte_vector with_size(std::uint8_t opcode, std::size_t size) {
    byte_vector m(size, 0x00);
    const byte_vector head = {0xF0, 0x00, 0x00, 0x0E, 0x1D};
    std::copy(head.begin(), head.end(), m.begin());
    if (size > 5) m[5] = opcode;
    m.back() = 0xF7;
    return m;
}

void expect_unrecognised(const a6_message& r) {
    EXPECT_EQ(r.kind, unrecognised_message);
    EXPECT_EQ(r.bank, -1);
    EXPECT_EQ(r.number, -1);
    EXPECT_TRUE(r.name.empty());
    EXPECT_TRUE(r.data.empty());
}

TEST(parse_message, requests_of_the_known_forms) {
    const struct {
        byte_vector bytes;
        message_kind kind;
        int bank, number;
    } cases[] = {
        {{0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x01, 0x03, 0x0A, 0xF7}, program_request, 3, 10},
        {{0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x05, 0x11, 0x7F, 0xF7}, mix_request, 17, 127},
        {{0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x0A, 0x02, 0xF7}, program_bank_request, 2, -1},
        {{0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x0B, 0x11, 0xF7}, mix_bank_request, 17, -1},
        {{0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x09, 0x00, 0xF7}, global_request, -1, -1},
        // Bank and number bytes are taken as read, without a range check.
        {{0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x01, 0xC8, 0xFF, 0xF7}, program_request, 200, 255},
    };
    for (const auto& c : cases) {
        const a6_message r = parse_message(c.bytes);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.bank, c.bank);
        EXPECT_EQ(r.number, c.number);
        EXPECT_TRUE(r.name.empty());
        EXPECT_TRUE(r.data.empty());
    }
}

TEST(parse_message, unrecognised_shapes) {
    std::vector<std::pair<const char*, byte_vector>> cases = {
        {"empty", {}},
        {"six bytes", {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0xF7}},
        {"identity request", {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}},
        {"global request with byte 6 = 1", {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x09, 0x01, 0xF7}},
        {"request without F7", {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x01, 0x00, 0x00, 0xF6}},
        {"program request of 8 bytes", {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x01, 0x00, 0xF7}},
        {"bank request of 9 bytes", {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x0A, 0x00, 0x00, 0xF7}},
        {"global request of 9 bytes", {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x09, 0x00, 0x00, 0xF7}},
        {"program dump 2349", with_size(0x00, 2349)},
        {"program dump 2351", with_size(0x00, 2351)},
        {"mix opcode at program length", with_size(0x04, 2350)},
        {"program opcode at mix length", with_size(0x00, 1180)},
        {"mix dump 1179", with_size(0x04, 1179)},
        {"global dump 18182", with_size(0x08, 18182)},
        {"global dump 18184", with_size(0x08, 18184)},
    };
    for (std::uint8_t op : {0x02, 0x03, 0x06, 0x07, 0x0C, 0x0F, 0x7F}) {
        for (std::size_t size : {7u, 8u, 9u, 1180u, 2350u, 18183u}) cases.push_back({"foreign opcode", with_size(op, size)});
    }
    // Each byte of the head in turn replaced.
    for (std::size_t i = 0; i < 5; ++i) {
        byte_vector m = {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x01, 0x00, 0x00, 0xF7};
        m[i] ^= 0x01;
        cases.push_back({"head byte changed", m});
    }
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(std::string(what) + " size " + std::to_string(bytes.size()));
        expect_unrecognised(parse_message(bytes));
    }
}

TEST(parse_message, program_and_mix_dumps) {
    std::mt19937 rng(11);
    const byte_vector pbody = body_with_name(2048, "Warm Pad", rng);
    const a6_message p = parse_message(program_message(pbody, 4, 99));
    EXPECT_EQ(p.kind, program_dump);
    EXPECT_EQ(p.bank, 4);
    EXPECT_EQ(p.number, 99);
    EXPECT_EQ(p.data, pbody);
    EXPECT_EQ(p.name, std::u16string(u"Warm Pad        \0", 17));

    const byte_vector mbody = body_with_name(1024, "Split Bass & Lead", rng);
    const a6_message m = parse_message(mix_message(mbody, 17, 0));
    EXPECT_EQ(m.kind, mix_dump);
    EXPECT_EQ(m.bank, 17);
    EXPECT_EQ(m.number, 0);
    EXPECT_EQ(m.data, mbody);
    EXPECT_EQ(m.name, std::u16string(u"Split Bass & Lea\0", 17));
    EXPECT_EQ(name_characters(m), u"Split Bass & Lea");
}

TEST(parse_message, global_dump_has_no_name_bank_or_number) {
    std::mt19937 rng(12);
    const byte_vector body = random_bytes(15904, rng);
    const a6_message g = parse_message(testing::global_message(body));
    EXPECT_EQ(g.kind, global_dump);
    EXPECT_EQ(g.bank, -1);
    EXPECT_EQ(g.number, -1);
    EXPECT_TRUE(g.name.empty());
    EXPECT_EQ(g.data, body);
}

TEST(parse_message, name_bytes_are_widened_unit_by_unit) {
    std::mt19937 rng(13);
    byte_vector body = random_bytes(2048, rng);
    const std::uint8_t name[16] = {0x80, 0xE9, 0xFF, 0x00, 'A', 0x7F, 0x20, 0x20,
                                   0xA0, 0x01, 'z', 0x00, 0xC4, 0x20, 0x20, 0x20};
    std::copy(std::begin(name), std::end(name), body.begin() + 2);
    const a6_message r = parse_message(program_message(body, 0, 0));
    ASSERT_EQ(r.name.size(), 17u);
    for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(r.name[i], char16_t{name[i]}) << i;
    EXPECT_EQ(r.name[16], u'\0');
    // Trailing spaces are kept.
    EXPECT_EQ(r.name[15], u' ');
}

TEST(set_name, is_always_sixteen_characters_and_a_zero) {
    const struct {
        std::u16string text, name;
    } cases[] = {
        {u"Abcd", u"Abcd            "},
        {u"Twenty characters!!!", u"Twenty character"},
        {u"", u"                "},
        {u"Exactly sixteen.", u"Exactly sixteen."},
        // What one byte cannot hold becomes '?', a surrogate pair as one.
        {u"B\u00e4ss\u20ac\u00f1\u2014\u65e5\u672c", u"B\u00e4ss?\u00f1???       "},
        {u"\U0001F3B9 keys", u"? keys          "},
        {u"\xd800x", u"?x              "},
    };
    for (const auto& c : cases) {
        a6_message r(program_dump);
        r.name = u"something else entirely";
        set_name(r, c.text);
        ASSERT_EQ(r.name.size(), 17u);
        EXPECT_EQ(r.name.substr(0, 16), c.name);
        EXPECT_EQ(r.name[16], u'\0');
    }
}

TEST(encode_message, requests_and_identity) {
    const struct {
        a6_message record;
        byte_vector bytes;
    } cases[] = {
        {a6_message(program_request, 3, 10), {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x01, 0x03, 0x0A, 0xF7}},
        {a6_message(mix_request, 17, 127), {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x05, 0x11, 0x7F, 0xF7}},
        {a6_message(program_bank_request, 0, 0), {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x0A, 0x00, 0xF7}},
        {a6_message(mix_bank_request, 5, 0), {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x0B, 0x05, 0xF7}},
        {a6_message(global_request), {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x09, 0x00, 0xF7}},
        {a6_message(identity_request), {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}},
        // The low 8 bits of bank and number are written.
        {a6_message(program_request, 0x103, 0x20A), {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x01, 0x03, 0x0A, 0xF7}},
    };
    for (auto c : cases) {
        SCOPED_TRACE(static_cast<int>(c.record.kind));
        EXPECT_EQ(encode_message(c.record), c.bytes);
    }
}

TEST(encode_message, dump_after_a_move_carries_new_place_and_name) {
    std::mt19937 rng(21);
    const byte_vector body = body_with_name(2048, "Old name", rng);
    a6_message r = parse_message(program_message(body, 0, 5));
    r.bank = 3;
    r.number = 10;
    set_name(r, u"New name \u00e9\u0141");  // U+0141 has no byte: '?'
    const byte_vector m = encode_message(r);
    ASSERT_EQ(m.size(), 2350u);
    EXPECT_EQ(m[5], 0x00);
    EXPECT_EQ(m[6], 0x03);
    EXPECT_EQ(m[7], 0x0A);
    EXPECT_EQ(m.back(), 0xF7);

    const byte_vector sent = unpack_7bit(std::span<const std::uint8_t>(m.data() + 8, m.size() - 9));
    const std::uint8_t name[16] = {'N', 'e', 'w', ' ', 'n', 'a', 'm', 'e', ' ', 0xE9, '?', ' ', ' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (i >= 2 && i < 18)
            EXPECT_EQ(sent[i], name[i - 2]) << i;
        else
            ASSERT_EQ(sent[i], body[i]) << i;  // nothing else in the body changes
    }
    // The record's own body now carries the name as well.
    EXPECT_EQ(r.data, sent);
}

TEST(encode_message, mix_and_global_dump_lengths) {
    std::mt19937 rng(22);
    a6_message mix = parse_message(mix_message(random_bytes(1024, rng), 1, 2));
    const byte_vector mb = encode_message(mix);
    EXPECT_EQ(mb.size(), 1180u);
    EXPECT_EQ((byte_vector(mb.begin(), mb.begin() + 8)), (byte_vector{0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x04, 0x01, 0x02}));

    a6_message global = parse_message(testing::global_message(random_bytes(15904, rng)));
    const byte_vector gb = encode_message(global);
    EXPECT_EQ(gb.size(), 18183u);
    EXPECT_EQ((byte_vector(gb.begin(), gb.begin() + 6)), (byte_vector{0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x08}));
    EXPECT_EQ(gb.back(), 0xF7);
}

// Any 7-bit packed body whose padding bits are zero: parsing and encoding
// give the very same message back.
TEST(encode_message, round_trips_dumps_with_zero_padding) {
    std::mt19937 rng(23);
    const struct {
        std::uint8_t opcode;
        std::size_t size, header;
    } forms[] = {{0x00, 2350, 8}, {0x04, 1180, 8}, {0x08, 18183, 6}};
    for (const auto& f : forms) {
        for (int trial = 0; trial < 8; ++trial) {
            byte_vector m = random_bytes(f.size, rng, 0x80);
            const byte_vector head = {0xF0, 0x00, 0x00, 0x0E, 0x1D, f.opcode};
            std::copy(head.begin(), head.end(), m.begin());
            m.back() = 0xF7;
            m[f.size - 2] &= static_cast<std::uint8_t>(~padding_mask(f.size - f.header - 1));
            a6_message r = parse_message(m);
            ASSERT_NE(r.kind, unrecognised_message);
            ASSERT_EQ(encode_message(r), m) << "opcode " << int(f.opcode);
        }
    }
}

TEST(encode_message, padding_bits_are_cleared_on_the_way_back) {
    std::mt19937 rng(24);
    byte_vector m = program_message(random_bytes(2048, rng), 1, 1);
    ASSERT_EQ(padding_mask(2341), 0x70);
    m[2348] |= 0x70;
    a6_message r = parse_message(m);
    const byte_vector back = encode_message(r);
    ASSERT_EQ(back.size(), m.size());
    m[2348] &= 0x0F;
    EXPECT_EQ(back, m);
}

}  // namespace
}  // namespace patchwarden

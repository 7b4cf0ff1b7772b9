#include "data/request_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "data/bank_naming.h"
#include "data/text.h"
#include "tests/data/fixtures.h"
#include "tests/support/scripted_message_box.h"

namespace patchwarden {
namespace {

using testing::scripted_message_box;
using testing::shown_box;

// A request list written short, one word per request: "g" Global Data,
// "P3" / "M3" the whole Program / Mix bank 3, "p3:10" / "m3:10" one entry.
// Each request is also checked to be a well-formed message whose reply count
// matches its kind.
std::string describe(const outgoing_queue& list) {
    std::string out;
    for (const outgoing_message& o : list) {
        const a6_message r = parse_message(o.bytes);
        a6_message again = r;
        EXPECT_EQ(encode_message(again), o.bytes);
        std::string word;
        switch (r.kind) {
        case global_request:
            EXPECT_EQ(o.expected_replies, 1);
            word = "g";
            break;
        case program_bank_request:
        case mix_bank_request:
            EXPECT_EQ(o.expected_replies, 128);
            word = (r.kind == program_bank_request ? "P" : "M") + std::to_string(r.bank);
            break;
        case program_request:
        case mix_request:
            EXPECT_EQ(o.expected_replies, 1);
            word = (r.kind == program_request ? "p" : "m") + std::to_string(r.bank) + ":" + std::to_string(r.number);
            break;
        default: word = "?"; break;
        }
        out += (out.empty() ? "" : " ") + word;
    }
    return out;
}

// "P0 P1 ... P18" and the like.
std::string banks(const std::string& letter, int first, int last) {
    std::string out;
    for (int b = first; b <= last; ++b) out += (out.empty() ? "" : " ") + letter + std::to_string(b);
    return out;
}
std::string entries(const std::string& prefix, int first, int last) {
    std::string out;
    for (int n = first; n <= last; ++n) out += (out.empty() ? "" : " ") + prefix + std::to_string(n);
    return out;
}

struct parsed {
    bool ok;
    std::string list;
    std::vector<shown_box> boxes;
};

parsed parse(std::u16string_view text) {
    scripted_message_box box;
    outgoing_queue list;
    const bool ok = parse_request_text(text, list, box);
    return {ok, describe(list), box.shown};
}

struct grammar_case {
    std::u16string text;
    std::string list;
};

TEST(request_text, accepted_texts) {
    const grammar_case cases[] = {
        // Separators and Global Data.
        {u"", ""},
        {u";", ""},
        {u";;", ""},
        {u"g", "g"},
        {u"gg", "g g"},
        {u"G", "g"},
        {u"g;;pu;", "g P0"},
        {u"gpu", "g P0"},
        // Whole banks and bank ranges.
        {u"pu", "P0"},
        {u"g;pu", "g P0"},
        {u"mc3", "M4"},
        {u"pp2-c1", "P2 P3"},
        {u"pc1-u", ""},
        {u"pu-c16", banks("P", 0, 18)},
        {u"mu-c16", banks("M", 0, 17)},
        {u"PU-P2-C1", "P0 P1 P2 P3"},  // the last "-" bank counts
        {u"pc2-u-c3", "P4 P5"},
        {u"Mp1", "M1"},
        // Number lists.
        {u"pu:", "p0:0"},
        {u"pu:5", "p0:5"},
        {u"pu:5-10", entries("p0:", 5, 10)},
        {u"pu:-10", entries("p0:", 0, 10)},
        {u"pu:10-5", ""},
        // A range that asks for nothing may name numbers that do not exist.
        {u"pu:200-5", ""},
        {u"mu:4000000000-127", ""},
        {u"pu:5000000000-4000000000", ""},
        {u"pu:200-5,3", "p0:3"},
        {u"pu:5,,7", "p0:5 p0:5 p0:7"},
        {u"pu:5-6-7", "p0:5 p0:6 p0:7"},
        {u"pu:3-1,2", "p0:2"},
        {u"pu:3,-5", "p0:3 p0:3 p0:4 p0:5"},
        {u"PU:1,3-4", "p0:1 p0:3 p0:4"},
        {u"mc16:127", "m17:127"},
        {u"pp1:0-127", entries("p1:", 0, 127)},
        {u"pu-c1:5", "p3:5"},  // a number list asks the last bank of a range
        {u"mc16-u:1", "m0:1"},
        {u"pu:5;mp1:0-2;g", "p0:5 m1:0 m1:1 m1:2 g"},
        // Leading zeros.
        {u"pp01:007", "p1:7"},
        {u"pu:0000127", "p0:127"},
        {u"mc0016:000000000000000000000000000000001", "m17:1"},
        // A zero unit ends the text.
        {std::u16string(u"pu\0garbage", 10), "P0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.text));
        const parsed p = parse(c.text);
        EXPECT_TRUE(p.ok);
        EXPECT_EQ(p.list, c.list);
        EXPECT_TRUE(p.boxes.empty());
    }
}

// Syntax errors fail without a box; what was read before the error stays in
// the list.
TEST(request_text, syntax_errors_fail_silently) {
    const grammar_case cases[] = {
        {u"pu;mq", "P0"},   {u"p", ""},        {u"px", ""},          {u"pu:5x", ""},    {u"pu5", ""},
        {u"ug", ""},        {u"pug", ""},      {u"pu:5-", ""},       {u"pu:5,6x", "p0:5"}, {u"pu-", ""},
        {u"pu-x", ""},      {u"pc", ""},       {u"pp:1", ""},        {u"x", ""},        {u"pu:+5", ""},
        {u"pu:5:6", ""},    {u"p-u", ""},      {u"g:", "g"},         {u"g\tg", "g"},    {u"pu;\n", "P0"},
        {u"g pu", "g"},     {u"pu:\u0663", ""}, {u"gp\uFF55", "g"}, {u"pu:5;;x", "p0:5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.text));
        const parsed p = parse(c.text);
        EXPECT_FALSE(p.ok);
        EXPECT_EQ(p.list, c.list);
        EXPECT_TRUE(p.boxes.empty());
    }
}

// Banks and entry numbers that do not exist are told in one box with an
// empty caption and an OK button, then the text fails.
TEST(request_text, missing_banks_and_entries_are_told) {
    const struct {
        std::u16string text;
        std::u16string message;
        std::string list;
    } cases[] = {
        {u"mp2", u"Mix bank Preset 2 doesn't exist", ""},
        {u"pp3", u"Program bank Preset 3 doesn't exist", ""},
        {u"pp0", u"Program bank Preset 0 doesn't exist", ""},
        {u"pp007", u"Program bank Preset 7 doesn't exist", ""},
        {u"pc17", u"Program bank Card 17 doesn't exist", ""},
        {u"pc0", u"Program bank Card 0 doesn't exist", ""},
        {u"mc0", u"Mix bank Card 0 doesn't exist", ""},
        {u"mc17", u"Mix bank Card 17 doesn't exist", ""},
        {u"g;pu-c99", u"Program bank Card 99 doesn't exist", "g"},
        // Numbers are shown as typed, however large, without leading zeros.
        {u"pc99999999999", u"Program bank Card 99999999999 doesn't exist", ""},
        {u"mp0002", u"Mix bank Preset 2 doesn't exist", ""},
        {u"pu:128", u"Program number 128 doesn't exist", ""},
        {u"pu:0128", u"Program number 128 doesn't exist", ""},
        {u"mu:0-128", u"Mix number 128 doesn't exist", ""},
        {u"pu:0-4000000000", u"Program number 4000000000 doesn't exist", ""},
        {u"mc1:1,99999999999999999999", u"Mix number 99999999999999999999 doesn't exist", "m2:1"},
        {u"pu:5;mu:300", u"Mix number 300 doesn't exist", "p0:5"},
        {u"pu:200-300", u"Program number 200 doesn't exist", ""},
        {u"pu:200,-5", u"Program number 200 doesn't exist", ""},
        {u"pu:3,-200", u"Program number 200 doesn't exist", "p0:3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.text));
        const parsed p = parse(c.text);
        EXPECT_FALSE(p.ok);
        EXPECT_EQ(p.list, c.list);
        ASSERT_EQ(p.boxes.size(), 1u);
        EXPECT_EQ(p.boxes[0].text, c.message);
        EXPECT_EQ(p.boxes[0].caption, u"");
        EXPECT_EQ(p.boxes[0].buttons, box_buttons::ok);
        EXPECT_EQ(p.boxes[0].icon, box_icon::none);
    }
}

TEST(request_text, encoded_bytes_of_single_items) {
    const struct {
        std::u16string text;
        byte_vector bytes;
        int replies;
    } cases[] = {
        {u"pu", {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x0A, 0x00, 0xF7}, 128},
        {u"mc16:127", {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x05, 0x11, 0x7F, 0xF7}, 1},
        {u"g", {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x09, 0x00, 0xF7}, 1},
        {u"pc16:5", {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x01, 0x12, 0x05, 0xF7}, 1},
        {u"mp1", {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x0B, 0x01, 0xF7}, 128},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.text));
        scripted_message_box box;
        outgoing_queue list;
        ASSERT_TRUE(parse_request_text(c.text, list, box));
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].bytes, c.bytes);
        EXPECT_EQ(list[0].expected_replies, c.replies);
    }
}

TEST(request_text, appends_to_what_the_list_already_holds) {
    scripted_message_box box;
    outgoing_queue list;
    ASSERT_TRUE(parse_request_text(u"g", list, box));
    ASSERT_TRUE(parse_request_text(u"pu:1", list, box));
    EXPECT_EQ(describe(list), "g p0:1");
}

TEST(make_outgoing, reply_counts_by_kind) {
    std::mt19937 rng(41);
    a6_message program = parse_message(testing::program_message(testing::random_bytes(2048, rng), 0, 0));
    a6_message mix = parse_message(testing::mix_message(testing::random_bytes(1024, rng), 0, 0));
    a6_message global = parse_message(testing::global_message(testing::random_bytes(15904, rng)));
    const struct {
        a6_message* record;
        int replies;
        std::size_t size;
    } cases[] = {
        {&program, 0, 2350},
        {&mix, 0, 1180},
        {&global, 0, 18183},
    };
    for (const auto& c : cases) {
        const outgoing_message o = make_outgoing(*c.record);
        EXPECT_EQ(o.expected_replies, c.replies);
        EXPECT_EQ(o.bytes.size(), c.size);
    }
    const struct {
        message_kind kind;
        int replies;
    } requests[] = {{program_request, 1}, {mix_request, 1}, {global_request, 1},
                    {program_bank_request, 128}, {mix_bank_request, 128}};
    for (const auto& r : requests) {
        a6_message record(r.kind, 2, 3);
        const outgoing_message o = make_outgoing(record);
        EXPECT_EQ(o.expected_replies, r.replies) << r.kind;
        EXPECT_EQ(parse_message(o.bytes).kind, r.kind);
    }
}

TEST(parse_decimal, reads_digits_and_saturates) {
    const struct {
        std::u16string text;
        std::size_t start;
        bool ok;
        int value;
        std::size_t end;
    } cases[] = {
        {u"0", 0, true, 0, 1},
        {u"123abc", 0, true, 123, 3},
        {u"x42;", 1, true, 42, 3},
        {u"007", 0, true, 7, 3},
        {u"2147483647", 0, true, INT_MAX, 10},
        {u"2147483648", 0, true, INT_MAX, 10},
        {u"99999999999999999999999999999999999999-1", 0, true, INT_MAX, 38},
        {u"00000000000000000000000000000000000000012", 0, true, 12, 41},
        {u"", 0, false, -5, 0},
        {u"abc", 0, false, -5, 0},
        {u"-1", 0, false, -5, 0},
        {u"12", 2, false, -5, 2},  // at the end of the text
        {u"\u0661", 0, false, -5, 0},  // only ASCII digits count
        {std::u16string(u"1\0" u"2", 3), 0, true, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.text));
        std::size_t pos = c.start;
        int value = -5;
        EXPECT_EQ(parse_decimal(c.text, pos, value), c.ok);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(pos, c.end);
    }
}

TEST(parse_bank_spec, reads_back_every_short_name) {
    const struct {
        message_kind table;
        std::vector<message_kind> kinds;
    } families[] = {
        {program_dump, {program_dump, program_request, program_bank_request}},
        {mix_dump, {mix_dump, mix_request, mix_bank_request}},
    };
    for (const auto& f : families) {
        a6_message named(f.table);
        const int count = bank_count(named);
        ASSERT_GT(count, 0);
        for (int index = 0; index < count; ++index) {
            named.bank = index;
            const std::u16string shortname = bank_short_name(named);
            std::u16string upper = shortname;
            upper[0] = static_cast<char16_t>(upper[0] - u'a' + u'A');
            for (const std::u16string& text : {shortname, upper, shortname + u":5"}) {
                for (message_kind kind : f.kinds) {
                    SCOPED_TRACE(narrow(text) + " kind " + std::to_string(kind));
                    scripted_message_box box;
                    std::size_t pos = 0;
                    int bank = -1;
                    ASSERT_TRUE(parse_bank_spec(text, pos, kind, bank, box));
                    EXPECT_EQ(bank, index);
                    EXPECT_EQ(pos, shortname.size());
                    EXPECT_TRUE(box.shown.empty());
                }
            }
        }
    }
}

TEST(parse_bank_spec, missing_banks_for_the_bank_field_kinds) {
    const struct {
        std::u16string text;
        message_kind kind;
        std::u16string message;
    } cases[] = {
        {u"p3", program_dump, u"Program bank Preset 3 doesn't exist"},
        {u"c17", program_dump, u"Program bank Card 17 doesn't exist"},
        {u"p2", mix_dump, u"Mix bank Preset 2 doesn't exist"},
        {u"C0", mix_bank_request, u"Mix bank Card 0 doesn't exist"},
        {u"P0", program_bank_request, u"Program bank Preset 0 doesn't exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.text));
        scripted_message_box box;
        std::size_t pos = 0;
        int bank = -7;
        EXPECT_FALSE(parse_bank_spec(c.text, pos, c.kind, bank, box));
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, c.message);
        EXPECT_EQ(box.shown[0].caption, u"");
        EXPECT_EQ(box.shown[0].buttons, box_buttons::ok);
        EXPECT_EQ(box.shown[0].icon, box_icon::none);
    }
}

TEST(parse_bank_spec, syntax_errors_and_foreign_kinds_fail_silently) {
    const struct {
        std::u16string text;
        message_kind kind;
    } cases[] = {
        {u"", program_dump}, {u"p", program_dump}, {u"c", mix_dump},  {u"x1", program_dump},
        {u"1", mix_dump},    {u"pz", mix_request}, {u"-u", mix_dump}, {u"u", global_dump},
        {u"u", global_request}, {u"u", identity_request}, {u"u", unrecognised_message},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.text));
        scripted_message_box box;
        std::size_t pos = 0;
        int bank = -7;
        EXPECT_FALSE(parse_bank_spec(c.text, pos, c.kind, bank, box));
        EXPECT_EQ(bank, -7);
        EXPECT_TRUE(box.shown.empty());
    }
}

}  // namespace
}  // namespace patchwarden

#include "data/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace patchwarden {
namespace {

TEST(text, utf8_as_it_is_and_each_stray_byte_as_a_replacement) {
    const struct {
        std::string bytes;
        std::u16string text;
    } rows[] = {
        {"plain.syx", u"plain.syx"},
        {"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},                      // two bytes
        {"\xE2\x99\xAB", u"\u266B"},                                    // three
        {"\xF0\x9F\x8E\xB9", u"\U0001F3B9"},                            // four: a surrogate pair
        {"\xE9t\xE9", u"\uFFFDt\uFFFD"},                                // Latin-1
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                                  // overlong '/'
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},                        // a surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},              // beyond U+10FFFF
        {"a\xE2\x99", u"a\uFFFD\uFFFD"},                                // cut short
        {"\xE2\x99" "a", u"\uFFFD\uFFFDa"},                             // broken off
        {"\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},    // no such lead
        {"\xC2\x80 \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF", u"\u0080 \U00010000 \U0010FFFF"},  // the edges
        {"\xED\xBF\xBF", u"\uFFFD\uFFFD\uFFFD"},                        // the last surrogate
    };
    for (const auto& r : rows) EXPECT_EQ(utf8_text(r.bytes), r.text) << "row " << (&r - rows);
}

TEST(text, decimal) {
    const struct {
        long long value;
        int width;
        std::u16string text;
    } cases[] = {
        {0, 0, u"0"},      {7, 0, u"7"},     {5, 3, u"005"},   {127, 3, u"127"}, {1234, 3, u"1234"},
        {-7, 0, u"-7"},    {-7, 3, u"-07"},  {15, 2, u"15"},   {5, 2, u"05"},
        {INT_MAX, 0, u"2147483647"},          {LLONG_MIN, 0, u"-9223372036854775808"},
    };
    for (const auto& c : cases) EXPECT_EQ(decimal(c.value, c.width), c.text) << c.value << " width " << c.width;
}

TEST(text, decimal_value_reads_as_the_c_library_does) {
    const struct {
        std::u16string text;
        int value;
    } cases[] = {
        {u" 42x", 42}, {u"-7", -7}, {u"+9", 9}, {u"abc", 0}, {u"", 0},
        {u"99999999999999", INT_MAX}, {u"-99999999999999", INT_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(decimal_value(c.text), c.value) << narrow(c.text);
}

TEST(text, hexadecimal) {
    EXPECT_EQ(hexadecimal(0), u"0");
    EXPECT_EQ(hexadecimal(0xF7), u"F7");
    EXPECT_EQ(hexadecimal(0xABCDEF01u), u"ABCDEF01");
}

TEST(text, fill_replaces_conversions_in_order) {
    const struct {
        std::u16string format;
        std::vector<std::u16string> args;
        std::u16string text;
    } cases[] = {
        {u"Preset %d", {u"1"}, u"Preset 1"},
        {u"%03d %s", {u"005", u"Warm Pad"}, u"005 Warm Pad"},
        {u"Andromeda v%d.%02d found\r\nin: %s\r\nout: %s", {u"2", u"05", u"A", u"B"},
         u"Andromeda v2.05 found\r\nin: A\r\nout: B"},
        {u"error %X", {u"1F"}, u"error 1F"},
        {u"100%", {}, u"100%"},
        {u"50% off", {}, u"50% off"},
        {u"%d and %d", {u"1"}, u"1 and "},  // missing arguments leave nothing
        {u"%s", {u"%d"}, u"%d"},            // an argument is never read as a format
    };
    for (const auto& c : cases) {
        std::u16string out;
        switch (c.args.size()) {
        case 0: out = fill(c.format, {}); break;
        case 1: out = fill(c.format, {c.args[0]}); break;
        case 2: out = fill(c.format, {c.args[0], c.args[1]}); break;
        default: out = fill(c.format, {c.args[0], c.args[1], c.args[2], c.args[3]}); break;
        }
        EXPECT_EQ(out, c.text) << narrow(c.format);
    }
}

TEST(text, widen_and_narrow_keep_latin_1) {
    std::string all;
    for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
    const std::u16string wide = widen(all);
    ASSERT_EQ(wide.size(), 255u);
    EXPECT_EQ(wide[0xE9 - 1], u'\u00e9');
    EXPECT_EQ(narrow(wide), all);
    EXPECT_EQ(narrow(u"\u0141x"), std::string("\x41x"));  // low 8 bits only
}

}  // namespace
}  // namespace patchwarden

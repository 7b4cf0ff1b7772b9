// File names shown as text: UTF-8 as it is, every byte that is not part of
// a UTF-8 sequence as U+FFFD.

#include "app/files/names/path_text.h"

#include <gtest/gtest.h>

#include <string>


namespace patchwarden {
namespace {

TEST(path_text, utf8_as_it_is_and_each_stray_byte_as_a_replacement) {
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
    };
    for (const auto& r : rows) EXPECT_EQ(utf8_text(r.bytes), r.text) << "row " << (&r - rows);
#ifndef _WIN32
    EXPECT_EQ(path_text(std::filesystem::path("/tmp/\xE9.syx")), u"/tmp/\uFFFD.syx");
#else
    EXPECT_EQ(path_text(std::filesystem::path(L"C:\\\u00E9\u266B.syx")), u"C:\\\u00E9\u266B.syx");
#endif
}

}  // namespace
}  // namespace patchwarden

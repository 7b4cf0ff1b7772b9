// What the file dialog lists of a folder and what a typed name names.

#include "app/files/names/folder_listing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace patchwarden {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32  // names that are not UTF-8, and links, as Linux has them
TEST(folder_listing, folders_first_then_the_files_the_filter_lets_through_each_in_order) {
    testing::temp_folder folder;
    for (const char* name : {"b.syx", "Ab.SYX", "aa.syx", "notes.txt", "\xE9t\xE9.syx", ".hidden.syx"})
        testing::write_bytes(folder.path() / name, {});
    for (const char* name : {"Zebra", "archive", ".config"}) fs::create_directory(folder.path() / name);
    fs::create_directory_symlink(folder.path() / "Zebra", folder.path() / "link");
    fs::create_symlink(folder.path() / "nowhere", folder.path() / "dangling.syx");
    const auto texts = [&](bool syx_only) {
        std::vector<std::u16string> out;
        for (const folder_entry& e : list_folder(folder.path(), syx_only))
            out.push_back(e.folder ? u"[" + e.text + u"]" : e.text);
        return out;
    };
    EXPECT_EQ(texts(true), (std::vector<std::u16string>{u"[archive]", u"[link]", u"[Zebra]", u"aa.syx", u"Ab.SYX",
                                                        u"b.syx", u"dangling.syx", u"\uFFFDt\uFFFD.syx"}));
    EXPECT_EQ(texts(false).size(), 9u);  // notes.txt too
    // The entry keeps its bytes; only its text shows them as U+FFFD.
    EXPECT_EQ(list_folder(folder.path(), true).back().name, fs::path("\xE9t\xE9.syx"));
    EXPECT_TRUE(list_folder(folder.path() / "b.syx", false).empty());
}

TEST(folder_listing, a_typed_name_is_seen_from_the_folder_shown) {
    const fs::path home = std::getenv("HOME") ? std::getenv("HOME") : "/";
    const struct {
        const char16_t* typed;
        fs::path named;
    } rows[] = {
        {u"bank.syx", "/music/a6/bank.syx"},
        {u"/tmp/x.syx", "/tmp/x.syx"},
        {u"../other/./y.syx", "/music/other/y.syx"},
        {u"sub/", "/music/a6/sub"},
        {u"~", home.lexically_normal()},
        {u"~/z.syx", (home / "z.syx").lexically_normal()},
        {u"\u00E9t\u00E9 \u0800 \U0001F3B9.syx", "/music/a6/\xC3\xA9t\xC3\xA9 \xE0\xA0\x80 \xF0\x9F\x8E\xB9.syx"},
        {u"lone \xD800.syx", "/music/a6/lone \xEF\xBF\xBD.syx"},
        // Each length of sequence at its edges, and surrogates paired or not.
        {u"\u007F \u0080 \u07FF \uFFFF", "/music/a6/\x7F \xC2\x80 \xDF\xBF \xEF\xBF\xBF"},
        {u"\xD800\xDC00 \xDBFF\xDFFF", "/music/a6/\xF0\x90\x80\x80 \xF4\x8F\xBF\xBF"},
        {u"\xD800\xE000 \xDFFF", "/music/a6/\xEF\xBF\xBD\xEE\x80\x80 \xEF\xBF\xBD"},
    };
    for (const auto& r : rows) EXPECT_EQ(typed_path("/music/a6", r.typed), r.named) << r.named;
    // Text that ends at a high surrogate: what lies beyond it is not read.
    EXPECT_EQ(typed_path("/music/a6", std::u16string_view(u"cut \xD800\xDC00", 5)), "/music/a6/cut \xEF\xBF\xBD");
}
#endif

}  // namespace
}  // namespace patchwarden

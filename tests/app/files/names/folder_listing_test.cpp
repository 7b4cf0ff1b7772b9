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

using testing::temp_folder;
namespace fs = std::filesystem;

#ifndef _WIN32  // names that are not UTF-8, and links, as Linux has them
TEST(folder_listing, folders_first_then_the_files_the_filter_lets_through_each_in_order) {
    temp_folder folder;
    for (const char* name : {"b.syx", "A.SYX", "notes.txt", "\xE9t\xE9.syx", ".hidden.syx", "c.syx"})
        testing::write_bytes(folder.path() / name, {0xF0, 0xF7});
    for (const char* name : {"Zebra", "archive", ".config"}) fs::create_directory(folder.path() / name);
    fs::create_directory_symlink(folder.path() / "Zebra", folder.path() / "link to zebra");
    fs::create_symlink(folder.path() / "nowhere", folder.path() / "dangling.syx");

    const auto texts = [&](bool syx_only) {
        std::vector<std::string> out;
        for (const folder_entry& e : list_folder(folder.path(), syx_only)) {
            std::string text;
            for (char16_t c : e.text) text += c < 0x80 ? static_cast<char>(c) : '?';
            out.push_back((e.folder ? "[" : "") + text + (e.folder ? "]" : ""));
        }
        return out;
    };
    EXPECT_EQ(texts(true), (std::vector<std::string>{"[archive]", "[link to zebra]", "[Zebra]", "A.SYX", "b.syx",
                                                     "c.syx", "dangling.syx", "?t?.syx"}));
    EXPECT_EQ(texts(false), (std::vector<std::string>{"[archive]", "[link to zebra]", "[Zebra]", "A.SYX", "b.syx",
                                                      "c.syx", "dangling.syx", "notes.txt", "?t?.syx"}));
    // The entry keeps its bytes; only its text shows them as U+FFFD.
    const auto entries = list_folder(folder.path(), true);
    EXPECT_EQ(entries.back().name, fs::path("\xE9t\xE9.syx"));
    EXPECT_EQ(entries.back().text, u"\uFFFDt\uFFFD.syx");

    EXPECT_TRUE(list_folder(folder.path() / "b.syx", false).empty());
    EXPECT_TRUE(list_folder(folder.path() / "missing", false).empty());
}

TEST(folder_listing, a_typed_name_is_seen_from_the_folder_shown) {
    const char* home = std::getenv("HOME");
    const fs::path home_folder = home ? home : "/";
    const struct {
        const char16_t* typed;
        fs::path named;
    } rows[] = {
        {u"bank.syx", "/music/a6/bank.syx"},
        {u"/tmp/x.syx", "/tmp/x.syx"},
        {u"..", "/music"},
        {u"../other/./y.syx", "/music/other/y.syx"},
        {u"sub/", "/music/a6/sub"},
        {u"/", "/"},
        {u"~", home_folder.lexically_normal()},
        {u"~/z.syx", (home_folder / "z.syx").lexically_normal()},
        {u"\u00E9t\u00E9 \U0001F3B9.syx", "/music/a6/\xC3\xA9t\xC3\xA9 \xF0\x9F\x8E\xB9.syx"},
        {u"lone \xD800.syx", "/music/a6/lone \xEF\xBF\xBD.syx"},
    };
    for (const auto& r : rows) EXPECT_EQ(typed_path("/music/a6", r.typed), r.named) << r.named;
}
#endif

}  // namespace
}  // namespace patchwarden

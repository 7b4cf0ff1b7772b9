// Which dropped files load: those named *.syx in any case, in the order
// they were dropped.

#include "app/files/names/dropped_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace patchwarden {
namespace {

using path = std::filesystem::path;

TEST(dropped_files, those_named_syx_in_any_case_load_in_the_order_given) {
    const std::vector<path> dropped{
        "/music/b.syx",   "/music/notes.txt", "/music/A.SYX",       "/music/c.Syx",  "/music/syx",
        "/music/x.syx.txt", "/music/.syx",    "/music/folder.syx/", "/music/d.sys",  "e.sYx",
    };
    EXPECT_EQ(files_to_load(dropped),
              (std::vector<path>{"/music/b.syx", "/music/A.SYX", "/music/c.Syx", "/music/.syx", "e.sYx"}));
    EXPECT_TRUE(files_to_load({}).empty());
}

}  // namespace
}  // namespace patchwarden

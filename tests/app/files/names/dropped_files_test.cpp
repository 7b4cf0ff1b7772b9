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
    EXPECT_EQ(files_to_load({"/m/b.syx", "/m/notes.txt", "/m/A.SYX", "/m/c.Syx", "/m/syx", "/m/x.syx.txt", "/m/.syx",
                             "/m/folder.syx/", "/m/d.sys", "e.sYx"}),
              (std::vector<path>{"/m/b.syx", "/m/A.SYX", "/m/c.Syx", "/m/.syx", "e.sYx"}));
}

}  // namespace
}  // namespace patchwarden

// File names shown as text: on Linux their bytes as UTF-8 text, on Windows
// their UTF-16 name as it is.

#include "app/files/names/path_text.h"

#include <gtest/gtest.h>

#include <string>


namespace patchwarden {
namespace {

TEST(path_text, a_name_as_the_system_gave_it) {
#ifndef _WIN32
    EXPECT_EQ(path_text(std::filesystem::path("/tmp/\xE9.syx")), u"/tmp/\uFFFD.syx");
#else
    EXPECT_EQ(path_text(std::filesystem::path(L"C:\\\u00E9\u266B.syx")), u"C:\\\u00E9\u266B.syx");
#endif
}

}  // namespace
}  // namespace patchwarden

// The program's resources as Windows reads them: the manifest's request to
// be drawn at each screen's own scale, and the version that Explorer's
// Properties show. The test programs carry the program's resources.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace patchwarden::testing {
namespace {

std::wstring setting(const wchar_t* space, const wchar_t* name) {
    wchar_t value[128] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, nullptr, space, name, value, 128, &written)) return L"(none)";
    return value;
}

// Windows draws a program that does not ask for it at 96 dots per inch and
// enlarges the picture, which blurs it.
TEST(program_resources, the_manifest_asks_to_be_drawn_at_each_screens_scale) {
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              L"PerMonitorV2, PerMonitor");
    // Windows before 10 1607 reads this one only.
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true/pm");
}

TEST(program_resources, the_version_names_the_product_its_version_and_copyright) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));  // 1.0
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));

    // The texts, in the language the version's translation table names, as
    // Explorer looks them up.
    struct translation {
        WORD language, code_page;
    }* first = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&first),
                               &length));
    ASSERT_GE(length, sizeof *first);
    wchar_t prefix[64] = {};
    swprintf(prefix, 64, L"\\StringFileInfo\\%04x%04x\\", first->language, first->code_page);
    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } texts[] = {
        {L"ProductName", L"Patchwarden"},
        {L"ProductVersion", L"1.00"},
        {L"FileVersion", L"1.00"},
        {L"FileDescription", L"Patchwarden, a librarian for the Alesis A6 Andromeda"},
        {L"CompanyName", L"The Patchwarden developers"},
        {L"LegalCopyright", L"Copyright (c) 2026 The Patchwarden developers, MIT License"},
    };
    for (const auto& text : texts) {
        wchar_t* value = nullptr;
        const std::wstring key = std::wstring(prefix) + text.name;
        if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) value = nullptr;
        EXPECT_EQ(std::wstring(value ? value : L"(none)"), text.value) << key;
    }
}

}  // namespace
}  // namespace patchwarden::testing

#pragma once

// Text at the seam between the core and Windows. The core's UTF-16 strings
// (char16_t) and Windows' wide strings (wchar_t, 16 bits there) hold the same
// code units, so converting copies them unit by unit; UTF-8 (the tables'
// captions, the command line as the core reads it) goes through the
// platform's converter.

#include <windows.h>

#include <string>
#include <string_view>

namespace patchwarden {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 code units");

inline std::wstring to_wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

inline std::u16string to_u16(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}

inline std::wstring utf8_to_wide(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

inline std::string wide_to_utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::string narrow(
        static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr)),
        '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), static_cast<int>(narrow.size()), nullptr,
                        nullptr);
    return narrow;
}

// The whole text of a window or control.
inline std::wstring window_text(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace patchwarden

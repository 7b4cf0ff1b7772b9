#include "win32/files/file_chooser.h"

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "win32/controls/dialog_window.h"
#include "win32/wide_text.h"

namespace patchwarden {

namespace {

// The longest path Windows takes, its zero included.
constexpr std::size_t path_capacity = 32768;

constexpr wchar_t filters[] = L"SysEx\0*.syx\0All\0*.*\0";

std::optional<std::filesystem::path> choose(std::wstring name, DWORD flags, BOOL(WINAPI* dialog)(OPENFILENAMEW*)) {
    name.resize(path_capacity, L'\0');
    name.back() = L'\0';
    OPENFILENAMEW open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = innermost_dialog();
    open.lpstrFilter = filters;
    open.nFilterIndex = 1;
    open.lpstrFile = name.data();
    open.nMaxFile = static_cast<DWORD>(name.size());
    open.Flags = flags | OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!dialog(&open)) return std::nullopt;
    name.resize(name.find(L'\0'));
    return std::filesystem::path(name);
}

}  // namespace

std::optional<std::filesystem::path> win32_file_chooser::choose_open() {
    return choose({}, OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, GetOpenFileNameW);
}

std::optional<std::filesystem::path> win32_file_chooser::choose_save(const std::u16string& proposed) {
    return choose(to_wide(proposed), OFN_PATHMUSTEXIST, GetSaveFileNameW);
}

}  // namespace patchwarden

#include "win32/console_output.h"

#include <windows.h>

#include "win32/wide_text.h"

namespace patchwarden {

namespace {

bool leads_somewhere(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// Opens stream on the console of the parent process when it has no handle
// of its own; false when there is no such console either.
bool reach(std::FILE* stream) {
    const DWORD which = stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    if (leads_somewhere(which)) return true;
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return false;
    // ERROR_ACCESS_DENIED: attached already.
    return std::freopen("CONOUT$", "w", stream) != nullptr;
}

}  // namespace

void print_for_user(const std::string& text, std::FILE* stream) {
    if (reach(stream)) {
        std::fputs(text.c_str(), stream);
        std::fflush(stream);
        return;
    }
    MessageBoxW(nullptr, utf8_to_wide(text).c_str(), L"Patchwarden",
                stream == stderr ? MB_OK | MB_ICONERROR : MB_OK | MB_ICONINFORMATION);
}

}  // namespace patchwarden

// Opens a .syx file as Explorer does on a double click, for the installer's
// check (packaging/windows/try_installer.sh): writes a file of three User
// Programs under a name with spaces and letters beyond ASCII, has the shell
// open it (ShellExecuteEx with the "open" verb, which runs the command of
// the file type .syx is registered to), waits for Patchwarden's window to
// show the file's entries in its tree, and closes the window. Prints what
// it saw; ends with status 0 when the tree showed the file, 1 otherwise.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/dialogs/dialog_templates.h"
#include "data/a6_message.h"
#include "midi/emulator/a6_emulator.h"

namespace {

struct search {
    DWORD process;
    HWND found = nullptr;
};

BOOL CALLBACK match(HWND window, LPARAM param) {
    auto& wanted = *reinterpret_cast<search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (process != wanted.process || !IsWindowVisible(window) || std::wstring(title) != L"Patchwarden v1.00")
        return TRUE;
    wanted.found = window;
    return FALSE;
}

// The items of the window's tree, or -1 while it does not answer.
LRESULT tree_items(HWND window) {
    DWORD_PTR count = 0;
    const HWND tree = GetDlgItem(window, patchwarden::main_ids::tree);
    if (!tree || !SendMessageTimeoutW(tree, TVM_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &count)) return -1;
    return static_cast<LRESULT>(count);
}

}  // namespace

int main() {
    using namespace patchwarden;
    const std::filesystem::path file = std::filesystem::temp_directory_path() / L"Patchwarden \u00e9\u266b opened.syx";
    {
        std::ofstream out(file, std::ios::binary);
        for (int number : {0, 1, 2}) {
            a6_message record = a6_emulator::initial_program(0, number);
            const byte_vector bytes = encode_message(record);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
    }
    // Everything, Programs, User and the three entries.
    constexpr LRESULT expected = 6;

    SHELLEXECUTEINFOW open{};
    open.cbSize = sizeof open;
    open.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    open.lpVerb = L"open";
    open.lpFile = file.c_str();
    open.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&open) || !open.hProcess) {
        std::printf("the shell did not open the .syx file (error %lu)\n", GetLastError());
        std::filesystem::remove(file);
        return 1;
    }
    search wanted{GetProcessId(open.hProcess)};
    LRESULT items = -1;
    for (int tries = 0; tries < 300 && items != expected; ++tries) {
        Sleep(100);
        wanted.found = nullptr;
        EnumWindows(match, reinterpret_cast<LPARAM>(&wanted));
        if (wanted.found) items = tree_items(wanted.found);
    }
    if (wanted.found) PostMessageW(wanted.found, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(open.hProcess, 30000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(open.hProcess, 1);
    CloseHandle(open.hProcess);
    std::filesystem::remove(file);

    if (!wanted.found) {
        std::printf("no window \"Patchwarden v1.00\" showed\n");
        return 1;
    }
    std::printf("opened a .syx file: the tree shows %ld items (%ld expected)%s\n", static_cast<long>(items),
                static_cast<long>(expected), ended ? "" : "; the program did not end");
    return items == expected && ended ? 0 : 1;
}

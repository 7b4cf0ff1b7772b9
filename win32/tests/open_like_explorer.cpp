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

#include "app/dialogs/dialog_templates.h"
#include "midi/emulator/a6_emulator.h"
#include "win32/tests/window_driver.h"

int main() {
    using namespace patchwarden;
    const std::filesystem::path file = testing::write_syx(
        L"Patchwarden \u00e9\u266b opened.syx",
        {a6_emulator::initial_program(0, 0), a6_emulator::initial_program(0, 1), a6_emulator::initial_program(0, 2)});
    // Everything, Programs, User and the three entries.
    constexpr DWORD_PTR expected = 6;

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
    // The window, once its tree shows the file (the load runs once it shows).
    HWND window = nullptr;
    DWORD_PTR items = 0;
    for (int tries = 0; tries < 300 && items != expected; ++tries) {
        Sleep(100);
        window = FindWindowW(L"#32770", L"Patchwarden v1.00");
        const HWND tree = GetDlgItem(window, main_ids::tree);
        if (!tree || !SendMessageTimeoutW(tree, TVM_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &items)) items = 0;
    }
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(open.hProcess, 30000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(open.hProcess, 1);
    CloseHandle(open.hProcess);
    std::filesystem::remove(file);

    if (!window) {
        std::printf("no window \"Patchwarden v1.00\" showed\n");
        return 1;
    }
    std::printf("opened a .syx file: the tree shows %ld items (%ld expected)%s\n", static_cast<long>(items),
                static_cast<long>(expected), ended ? "" : "; the program did not end");
    return items == expected && ended ? 0 : 1;
}

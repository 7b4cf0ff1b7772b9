// Puts the Windows window into the state docs/windows-window.png shows (a
// Program bank fetched from the emulator, one entry selected) and holds it
// there while make windows-screenshot takes the picture: it writes
// scene-ready in the folder it runs in, and ends once scene-taken is there.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <filesystem>
#include <fstream>

#include "app/dialogs/dialog_templates.h"
#include "app/transfers/midi_ports.h"
#include "library/library_tree.h"
#include "midi/emulator/a6_emulator.h"
#include "win32/files/file_chooser.h"
#include "win32/main_window.h"
#include "win32/message_box.h"
#include "win32/tests/window_driver.h"

int main() {
    using namespace patchwarden;
    using namespace patchwarden::testing;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    a6_emulator emulator;
    emulator.set_speed(0);
    midi_ports ports(nullptr, &emulator);
    library_tree library;
    win32_message_box box;
    win32_file_chooser files;
    main_window window(library, box, files, &ports);
    const HWND handle = window.create();

    dialog_script script;
    script.then(L"MIDI Configuration", [](HWND config) { post_click(config, config_ids::ok); });
    click(handle, main_ids::config);
    SetDlgItemTextW(handle, main_ids::request, L"pu");
    click(handle, main_ids::get_it);
    if (!pump_until([&] { return library.find_entry(program_dump, 0, 127) != nullptr; })) return 1;
    const HWND tree = GetDlgItem(handle, main_ids::tree);
    SetFocus(tree);
    TreeView_SelectItem(tree, find_item(tree, to_wide(entry_label(emulator.program(0, 4)))));
    pump_until([] { return false; }, std::chrono::milliseconds(500));  // drawn

    std::ofstream("scene-ready").put('\n');
    return pump_until([] { return std::filesystem::exists("scene-taken"); }, std::chrono::seconds(60)) ? 0 : 1;
}

// Patchwarden for Windows: a librarian for the Alesis A6 Andromeda.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/transfers/midi_ports.h"
#include "library/library_tree.h"
#include "midi/emulator/a6_emulator.h"
#include "midi/platform_midi.h"
#include "win32/console_output.h"
#include "win32/files/file_chooser.h"
#include "win32/main_window.h"
#include "win32/message_box.h"
#include "win32/wide_text.h"

namespace {

// The arguments after the program's name, as UTF-8.
std::vector<std::string> arguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 1; wide && i < count; ++i) result.push_back(patchwarden::wide_to_utf8(wide[i]));
    LocalFree(wide);
    return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace patchwarden;

    const std::vector<std::string> texts = arguments();
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    const start_options options = read_command_line(views);
    switch (options.action) {
    case start_action::help: print_for_user(help_text(), stdout); return 0;
    case start_action::version: print_for_user(std::string(version_text) + "\n", stdout); return 0;
    case start_action::usage_error:
        print_for_user("patchwarden: " + options.error + "\n" + usage_text + "\n", stderr);
        return 2;
    case start_action::run: break;
    }

    // The file dialogs use the shell, which wants COM on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    // The devices outlive the ports opened on them, and the ports the window.
    const std::unique_ptr<midi_system> platform = make_platform_midi_system();
    std::unique_ptr<a6_emulator> emulator;
    if (options.emulator) {
        emulator = std::make_unique<a6_emulator>();
        emulator->set_speed(options.emulator_speed);
    }
    {
        midi_ports ports(platform.get(), emulator.get());
        library_tree library;
        win32_message_box box;
        win32_file_chooser files;
        main_window window(library, box, files, &ports);
        std::vector<std::filesystem::path> paths;
        for (const std::string& file : options.files) paths.emplace_back(utf8_to_wide(file));
        window.load_at_start(std::move(paths));
        window.run();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

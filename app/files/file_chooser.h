#pragma once

// Choosing the file to load or to save to. The window's commands ask
// through this interface; each face answers with its platform's file
// dialogs (filters "SysEx" *.syx, the first selected, and "All" *.*),
// modal to the window, and tests with a script.

#include <filesystem>
#include <optional>
#include <string>

namespace patchwarden {

class file_chooser {
public:
    virtual ~file_chooser() = default;
    // An existing file to read, or nothing when the user cancels.
    virtual std::optional<std::filesystem::path> choose_open() = 0;
    // A file to write, proposing the name given, or nothing when the user
    // cancels. The folder must exist; the file need not.
    virtual std::optional<std::filesystem::path> choose_save(const std::u16string& proposed) = 0;
};

}  // namespace patchwarden

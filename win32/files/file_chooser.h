#pragma once

// The file dialogs of Load and Save on Windows: GetOpenFileNameW and
// GetSaveFileNameW with the filters "SysEx" (*.syx, chosen first) and "All"
// (*.*), owned by the innermost open dialog (the main window) and modal to
// it. Paths are UTF-16 and may be as long as Windows allows; Save neither
// adds an extension nor warns about an existing file (the program asks
// whether to append).

#include "app/files/file_chooser.h"

namespace patchwarden {

class win32_file_chooser : public file_chooser {
public:
    std::optional<std::filesystem::path> choose_open() override;
    std::optional<std::filesystem::path> choose_save(const std::u16string& proposed) override;
};

}  // namespace patchwarden

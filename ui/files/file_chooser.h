#pragma once

// The file dialogs that answer the window's Load and Save on Linux (see
// file_dialog), owned by the active window and modal to it. The folder last
// shown is where the next dialog starts, while the program runs; nothing is
// stored between runs.

#include <filesystem>
#include <optional>
#include <string>

#include "app/files/file_chooser.h"

namespace patchwarden {

class file_dialog;

class qt_file_chooser : public file_chooser {
public:
    // The first dialog shows folder (the working folder by default).
    explicit qt_file_chooser(std::filesystem::path folder = {});

    std::optional<std::filesystem::path> choose_open() override;
    std::optional<std::filesystem::path> choose_save(const std::u16string& proposed) override;

private:
    // Runs the dialog; the folder it ends in is kept either way.
    std::optional<std::filesystem::path> run(file_dialog& dialog);

    std::filesystem::path folder_;
};

}  // namespace patchwarden

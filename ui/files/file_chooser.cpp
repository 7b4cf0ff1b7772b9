#include "ui/files/file_chooser.h"

#include <QApplication>
#include <system_error>

#include "ui/files/file_dialog.h"

namespace patchwarden {

namespace {

std::filesystem::path working_folder() {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::filesystem::path("/") : folder;
}

}  // namespace

qt_file_chooser::qt_file_chooser(std::filesystem::path folder)
    : folder_(folder.empty() ? working_folder() : std::move(folder)) {}

std::optional<std::filesystem::path> qt_file_chooser::choose_open() {
    file_dialog dialog(QApplication::activeWindow(), file_dialog::purpose::open, folder_);
    return run(dialog);
}

std::optional<std::filesystem::path> qt_file_chooser::choose_save(const std::u16string& proposed) {
    file_dialog dialog(QApplication::activeWindow(), file_dialog::purpose::save, folder_,
                       QString::fromStdU16String(proposed));
    return run(dialog);
}

std::optional<std::filesystem::path> qt_file_chooser::run(file_dialog& dialog) {
    const bool chosen = dialog.exec() == QDialog::Accepted;
    folder_ = dialog.folder();  // where the next dialog starts
    if (!chosen) return std::nullopt;
    return dialog.chosen();
}

}  // namespace patchwarden

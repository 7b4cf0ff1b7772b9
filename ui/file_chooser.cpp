#include "ui/file_chooser.h"

#include <QFileDialog>

namespace patchwarden {

const char* const syx_file_filters = "SysEx (*.syx);;All (*.*)";
const char* const syx_file_filter = "SysEx (*.syx)";

std::optional<std::u16string> qt_file_chooser::choose_open(QWidget* owner) {
    QString selected = QString::fromLatin1(syx_file_filter);
    const QString path =
        QFileDialog::getOpenFileName(owner, QString(), QString(), QString::fromLatin1(syx_file_filters), &selected);
    if (path.isEmpty()) return std::nullopt;
    return path.toStdU16String();
}

std::optional<std::u16string> qt_file_chooser::choose_save(QWidget* owner, const std::u16string& proposed) {
    QString selected = QString::fromLatin1(syx_file_filter);
    // The window asks itself about an existing file (append or replace).
    const QString path = QFileDialog::getSaveFileName(owner, QString(), QString::fromStdU16String(proposed),
                                                      QString::fromLatin1(syx_file_filters), &selected,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return std::nullopt;
    return path.toStdU16String();
}

}  // namespace patchwarden

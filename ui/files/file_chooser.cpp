#include "ui/files/file_chooser.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMimeDatabase>

namespace patchwarden {

const char* const syx_file_filters = "SysEx (*.syx);;All (*.*)";
const char* const syx_file_filter = "SysEx (*.syx)";

namespace {

QMimeType mime_type_by_name(const QFileInfo& info) {
    // By the name only; the database looks at nothing but the name, and for
    // a pipe or a device at what stat tells.
    return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
}

// Runs a dialog set up for loading or saving; the chosen path, or nothing.
std::optional<std::filesystem::path> run(QFileDialog& dialog) {
    dialog.setNameFilters(QString::fromLatin1(syx_file_filters).split(QStringLiteral(";;")));
    dialog.selectNameFilter(QString::fromLatin1(syx_file_filter));
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return std::filesystem::path(QFile::encodeName(chosen.front()).toStdString());
}

}  // namespace

QIcon name_only_icon_provider::icon(const QFileInfo& info) const {
    if (info.isRoot()) return icon(Drive);
    if (info.isDir()) return icon(Folder);
    return QIcon::fromTheme(mime_type_by_name(info).iconName(), icon(File));
}

QString name_only_icon_provider::type(const QFileInfo& info) const {
    if (info.isRoot()) return QStringLiteral("Drive");
    if (info.isDir()) return QStringLiteral("Folder");
    const QMimeType mime = mime_type_by_name(info);
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

std::optional<std::filesystem::path> qt_file_chooser::choose_open() {
    // The provider outlives the dialog, which does not own it.
    name_only_icon_provider icons;
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return run(dialog);
}

std::optional<std::filesystem::path> qt_file_chooser::choose_save(const std::u16string& proposed) {
    name_only_icon_provider icons;
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The window asks itself about an existing file (append or replace).
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(QString::fromStdU16String(proposed));
    return run(dialog);
}

}  // namespace patchwarden

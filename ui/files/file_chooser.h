#pragma once

// The Qt file dialogs that answer the window's Load and Save.

#include <QFileIconProvider>
#include <optional>
#include <string>

#include "app/files/file_chooser.h"

namespace patchwarden {

// The file dialogs, owned by the active window and modal to it, with the
// filters "SysEx" (*.syx) and "All" (*.*), the first selected. Browsing
// never opens the files listed (see name_only_icon_provider).
class qt_file_chooser : public file_chooser {
public:
    std::optional<std::filesystem::path> choose_open() override;
    std::optional<std::filesystem::path> choose_save(const std::u16string& proposed) override;
};

// Icons and type names for the files a dialog lists, told from their names
// alone. Qt's own provider reads each file's first bytes to tell its type,
// on the window's thread: a file that keeps its reader waiting, such as
// /proc/kmsg, froze the whole program as soon as its folder was shown.
class name_only_icon_provider : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};

// The filter list of both dialogs, and the one selected at the start.
extern const char* const syx_file_filters;
extern const char* const syx_file_filter;

}  // namespace patchwarden

#pragma once

// Choosing the file to load or to save to. The window asks through this
// interface; the program answers with the platform's file dialogs, tests
// with a script.

#include <optional>
#include <string>

class QWidget;

namespace patchwarden {

class file_chooser {
public:
    virtual ~file_chooser() = default;
    // An existing file to read, or nothing when the user cancels.
    virtual std::optional<std::u16string> choose_open(QWidget* owner) = 0;
    // A file to write, proposing the name given, or nothing when the user
    // cancels. The folder must exist; the file need not.
    virtual std::optional<std::u16string> choose_save(QWidget* owner, const std::u16string& proposed) = 0;
};

// The file dialogs, owned by the given window and modal to it, with the
// filters "SysEx" (*.syx) and "All" (*.*), the first selected.
class qt_file_chooser : public file_chooser {
public:
    std::optional<std::u16string> choose_open(QWidget* owner) override;
    std::optional<std::u16string> choose_save(QWidget* owner, const std::u16string& proposed) override;
};

// The filter list of both dialogs, and the one selected at the start.
extern const char* const syx_file_filters;
extern const char* const syx_file_filter;

}  // namespace patchwarden

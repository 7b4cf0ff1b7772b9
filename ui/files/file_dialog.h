#pragma once

// The dialog that chooses the file of Load ("Open") or Save ("Save As") on
// Linux. It lists a folder as the core reads it (folder_listing): every
// name, also one that is not UTF-8, chosen under its own bytes, which Qt's
// own dialog can neither list nor return. It stores nothing: the folder it
// last showed is remembered only while the program runs.
//
// "Look in:" names the folder (type another and press Enter to go there;
// "Up" goes to the one above), the list shows its folders, then its files
// of the type chosen in "Files of type:" ("SysEx (*.syx)" or "All (*.*)").
// A file clicked in the list is named in "File name:"; a double click, or
// Enter, opens a folder or chooses a file. A name typed in "File name:" is
// seen from the folder shown; naming a folder goes there. Open chooses only
// a file that is there; Save a name in a folder that is there.

#include <QDialog>
#include <filesystem>
#include <vector>

#include "app/files/names/folder_listing.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace patchwarden {

class file_dialog : public QDialog {
    Q_OBJECT
public:
    enum class purpose { open, save };

    // Shows folder; proposed fills "File name:" (for Save).
    file_dialog(QWidget* owner, purpose what, const std::filesystem::path& folder, const QString& proposed = {});

    // Once accepted: the file chosen.
    const std::filesystem::path& chosen() const { return chosen_; }
    // The folder shown now.
    const std::filesystem::path& folder() const { return folder_; }

    void show_folder(const std::filesystem::path& folder);
    // The Open or Save button, or Enter: goes into the folder named or
    // chosen, or ends the dialog with the file.
    void accept() override;

private:
    void relist();
    void current_changed(QListWidgetItem* item);
    void double_clicked(QListWidgetItem* item);
    const folder_entry* entry_of(const QListWidgetItem* item) const;

    purpose purpose_;
    std::filesystem::path folder_;
    std::filesystem::path chosen_;
    std::vector<folder_entry> entries_;
    QLineEdit* folder_field_;
    QListWidget* list_;
    QLineEdit* name_field_;
    QComboBox* types_;
    // The file whose text "File name:" was given from the list.
    const folder_entry* named_ = nullptr;
};

}  // namespace patchwarden

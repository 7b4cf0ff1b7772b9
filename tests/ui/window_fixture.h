#pragma once

// A Qt main window over its own library, with a scripted message box and
// file chooser, and quick ways to fill the library and read the panel: for
// what only the Qt face shows (the tree view, its model, the focus).

#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "library/library_tree.h"
#include "tests/support/scripted_message_box.h"
#include "tests/ui/ui_test_support.h"
#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"
#include "ui/main_window.h"

namespace patchwarden::testing {

struct window_test : ::testing::Test {
    library_tree library;
    scripted_message_box box;
    scripted_file_chooser files;
    main_window window{library, box, files};

    void put(message_kind kind, int bank, int number, std::u16string_view name) {
        testing::put(library, box, kind, bank, number, name);
    }
    library_node* entry(message_kind kind, int bank, int number) { return library.find_entry(kind, bank, number); }
    void click(int id) { control<QAbstractButton>(&window, id)->click(); }
    QLineEdit* edit(int id) { return control<QLineEdit>(&window, id); }
    QString text(int id) { return edit(id)->text(); }
    void set_text(int id, const QString& text) { edit(id)->setText(text); }
    bool enabled(int id) { return find_control(&window, id)->isEnabled(); }
    std::string label(const library_node* node) { return node ? narrow(node->label()) : std::string("(none)"); }
};

}  // namespace patchwarden::testing

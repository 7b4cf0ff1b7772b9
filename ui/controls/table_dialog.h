#pragma once

// A Qt dialog built from the table of its controls and driven by the core's
// logic for it: clicks, a list's new selection and an edit left reach the
// logic with the control's id; Escape and the close box reach it as Cancel
// (2). The dialog implements the controls interface the logic works on.

#include <QDialog>

#include "app/dialogs/dialog_logic.h"

namespace patchwarden {

class table_dialog : public QDialog, public dialog_controls {
    Q_OBJECT
public:
    // Builds the dialog from spec; the logic, when given, gets what the user
    // does from now on.
    table_dialog(QWidget* owner, const dialog_spec& spec, dialog_logic* logic = nullptr);

    void set_logic(dialog_logic* logic) { logic_ = logic; }

    std::u16string text(int id) const override;
    void set_text(int id, std::u16string_view text) override;
    bool checked(int id) const override;
    void set_checked(int id, bool on) override;
    bool enabled(int id) const override;
    void enable(int id, bool on) override;
    void set_visible(int id, bool on) override;
    void add_item(int id, std::u16string_view text) override;
    int selection(int id) const override;
    void select(int id, int position) override;
    void set_caption(std::u16string_view caption) override;
    void end(int result) override;
    void show_busy(bool on) override;

    // Escape and the close box: Cancel, as the logic handles it.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    dialog_logic* logic_;
    // Lists selected by the logic report no change back to it.
    bool selecting_ = false;
};

// Runs the logic's dialog modally, owned by owner, and returns what it
// ended with.
int run_table_dialog(QWidget* owner, dialog_logic& logic);

}  // namespace patchwarden

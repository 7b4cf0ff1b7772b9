#pragma once

// A dialog built from the table of its controls and driven by the core's
// logic for it, with one dialog procedure for every dialog of the program.
// The procedure hands the logic what the user did, by control id: a click
// (BN_CLICKED, also of check boxes and radio buttons), a list's new
// selection (CBN_SELCHANGE), an edit left (EN_KILLFOCUS). Enter reaches the
// logic as the default button's id (1 where there is none), Escape and the
// close box as 2 (IDCANCEL); the dialog manager does the rest (tab order,
// mnemonics, arrow keys among radio buttons).
//
// The dialog implements the controls interface the logic works on over
// the dialog's window. A window that needs more (the main window) derives
// and sees each message first.

#include <windows.h>

#include "app/dialogs/dialog_logic.h"
#include "win32/controls/dialog_template.h"

namespace patchwarden {

class dialog_window : public dialog_controls {
public:
    dialog_window(const dialog_spec& spec, dialog_logic* logic, dialog_frame frame = dialog_frame::modal_dialog);
    ~dialog_window() override;
    dialog_window(const dialog_window&) = delete;
    dialog_window& operator=(const dialog_window&) = delete;

    void set_logic(dialog_logic* logic) { logic_ = logic; }

    // Runs the dialog modally, owned by owner, and returns what end() was
    // given (-1 when Windows could not make the dialog).
    int run_modal(HWND owner);
    // Makes the dialog without a loop of its own (tests drive it).
    HWND create_modeless(HWND owner);
    // The dialog's window while it exists.
    HWND handle() const { return window_; }
    // Whether end() has been called, and with what.
    bool ended() const { return ended_; }
    int result() const { return result_; }

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

protected:
    // The window exists; the logic is started after this.
    virtual void on_created() {}
    // Sees each message before the generic handling; true when it has
    // handled it, with handled_result as the procedure's answer.
    virtual bool on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& handled_result);
    // The window is going; its controls still exist.
    virtual void on_destroy() {}

    HWND control(int id) const { return GetDlgItem(window_, id); }
    dialog_logic* logic() const { return logic_; }

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam);
    void command(int id, int code, HWND from);
    control_kind kind_of(int id) const;
    // A check box whose caption wraps grows downwards, within the dialog,
    // to the lines its caption takes in the dialog's font at the screen's
    // scale: the table's height holds two lines, and a font or a scale that
    // wraps the caption to three would cut the first and the last.
    void fit_wrapped_captions();

    const dialog_spec& spec_;
    dialog_logic* logic_;
    dialog_template template_;
    HWND window_ = nullptr;
    bool ended_ = false;
    int result_ = -1;
};

// The innermost dialog of this thread open now (the last made that still
// exists), or null: the owner for the next dialog and for the file dialogs.
HWND innermost_dialog();

}  // namespace patchwarden

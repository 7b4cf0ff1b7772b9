#include "win32/controls/dialog_window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "win32/wide_text.h"

namespace patchwarden {

namespace {

// The dialogs of this thread that exist, in the order they were made.
std::vector<HWND>& open_dialogs() {
    thread_local std::vector<HWND> dialogs;
    return dialogs;
}

// A push button shows the default frame while it has the focus, and Enter
// presses it. The dialog manager moves the frame from button to button with
// the focus, but leaves it where it was when the focus goes elsewhere (a
// click in the tree, the button disabled under the focus), and Enter no
// longer presses the button that shows it. So each push button hands the
// frame back to the dialog's own default button (none in the main window)
// when it loses the focus to anything but another push button.
LRESULT CALLBACK push_button_procedure(HWND button, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                       DWORD_PTR) {
    const LRESULT result = DefSubclassProc(button, message, wparam, lparam);
    if (message == WM_KILLFOCUS) {
        const HWND dialog = GetParent(button);
        const auto next = reinterpret_cast<HWND>(wparam);
        const bool to_push_button = next && GetParent(next) == dialog &&
                                    (SendMessageW(next, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
        if (!to_push_button && (SendMessageW(button, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
            SendMessageW(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
            const LRESULT default_id = SendMessageW(dialog, DM_GETDEFID, 0, 0);
            if (HIWORD(default_id) == DC_HASDEFID && LOWORD(default_id) != 0)
                SendMessageW(dialog, DM_SETDEFID, LOWORD(default_id), 0);
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(button, push_button_procedure, 0);
    }
    return result;
}

}  // namespace

HWND innermost_dialog() {
    const auto& dialogs = open_dialogs();
    return dialogs.empty() ? nullptr : dialogs.back();
}

dialog_window::dialog_window(const dialog_spec& spec, dialog_logic* logic, dialog_frame frame)
    : spec_(spec), logic_(logic), template_(spec, frame) {}

dialog_window::~dialog_window() {
    if (window_) DestroyWindow(window_);
}

int dialog_window::run_modal(HWND owner) {
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), template_.get(), owner, procedure,
                                                   reinterpret_cast<LPARAM>(this));
    return ended_ ? result_ : static_cast<int>(result);
}

HWND dialog_window::create_modeless(HWND owner) {
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), template_.get(), owner, procedure,
                                      reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK dialog_window::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lparam);
        reinterpret_cast<dialog_window*>(lparam)->window_ = window;
    }
    auto* self = reinterpret_cast<dialog_window*>(GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->handle(message, wparam, lparam) : FALSE;
}

INT_PTR dialog_window::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    INT_PTR handled_result = TRUE;
    if (on_message(message, wparam, lparam, handled_result)) return handled_result;
    switch (message) {
    case WM_INITDIALOG:
        open_dialogs().push_back(window_);
        for (const control_spec& entry : spec_.controls) {
            if (entry.kind == control_kind::push_button || entry.kind == control_kind::default_push_button)
                SetWindowSubclass(control(entry.id), push_button_procedure, 0, 0);
        }
        fit_wrapped_captions();
        on_created();
        if (logic_) logic_->start(*this);
        return TRUE;  // the focus goes to the first tab stop
    case WM_COMMAND:
        command(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
        return TRUE;
    case WM_DESTROY: {
        on_destroy();
        auto& dialogs = open_dialogs();
        dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), window_), dialogs.end());
        return TRUE;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(window_, DWLP_USER, 0);
        window_ = nullptr;
        return FALSE;
    default: return FALSE;
    }
}

void dialog_window::fit_wrapped_captions() {
    RECT client{};
    GetClientRect(window_, &client);
    for (const control_spec& entry : spec_.controls) {
        if (entry.kind != control_kind::check_box || !(entry.style & style_wraps)) continue;
        const HWND box = control(entry.id);
        RECT place{};
        GetWindowRect(box, &place);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
        SIZE needed{place.right - place.left, 0};
        if (!SendMessageW(box, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&needed))) continue;
        const LONG height = std::min(needed.cy, client.bottom - place.top);
        if (height > place.bottom - place.top)
            SetWindowPos(box, nullptr, 0, 0, place.right - place.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool dialog_window::on_message(UINT, WPARAM, LPARAM, INT_PTR&) {
    return false;
}

void dialog_window::command(int id, int code, HWND from) {
    // A dialog told to end takes nothing more: the focus leaving an edit
    // while the dialog goes is no user's doing.
    if (!logic_ || ended_) return;
    switch (code) {
    case BN_CLICKED:  // also Enter (the default button's id) and Escape (IDCANCEL)
        logic_->command(*this, id);
        break;
    case CBN_SELCHANGE:
        if (from && kind_of(id) == control_kind::drop_down_list) logic_->selection_changed(*this, id);
        break;
    case EN_KILLFOCUS:
        if (from && kind_of(id) == control_kind::edit) logic_->focus_lost(*this, id);
        break;
    default: break;
    }
}

control_kind dialog_window::kind_of(int id) const {
    for (const control_spec& entry : spec_.controls)
        if (entry.id == id) return entry.kind;
    return control_kind::static_text;
}

std::u16string dialog_window::text(int id) const {
    return to_u16(window_text(control(id)));
}

void dialog_window::set_text(int id, std::u16string_view text) {
    SetWindowTextW(control(id), to_wide(text).c_str());
}

bool dialog_window::checked(int id) const {
    return IsDlgButtonChecked(window_, id) == BST_CHECKED;
}

void dialog_window::set_checked(int id, bool on) {
    if (on && kind_of(id) == control_kind::radio_button) {
        for (const control_spec& entry : spec_.controls)
            if (entry.kind == control_kind::radio_button && entry.id != id)
                CheckDlgButton(window_, entry.id, BST_UNCHECKED);
    }
    CheckDlgButton(window_, id, on ? BST_CHECKED : BST_UNCHECKED);
}

bool dialog_window::enabled(int id) const {
    const HWND item = control(id);
    return item && IsWindowEnabled(item);
}

void dialog_window::enable(int id, bool on) {
    EnableWindow(control(id), on);
}

void dialog_window::set_visible(int id, bool on) {
    ShowWindow(control(id), on ? SW_SHOW : SW_HIDE);
}

void dialog_window::add_item(int id, std::u16string_view text) {
    SendDlgItemMessageW(window_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(to_wide(text).c_str()));
}

int dialog_window::selection(int id) const {
    return static_cast<int>(SendDlgItemMessageW(window_, id, CB_GETCURSEL, 0, 0));
}

void dialog_window::select(int id, int position) {
    SendDlgItemMessageW(window_, id, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

void dialog_window::set_caption(std::u16string_view caption) {
    SetWindowTextW(window_, to_wide(caption).c_str());
}

void dialog_window::end(int result) {
    ended_ = true;
    result_ = result;
    EndDialog(window_, result);
}

void dialog_window::show_busy(bool on) {
    SetCursor(LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW));
}

}  // namespace patchwarden

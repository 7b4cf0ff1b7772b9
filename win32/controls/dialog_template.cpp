#include "win32/controls/dialog_template.h"

#include <commctrl.h>

#include <string>

#include "win32/wide_text.h"

namespace patchwarden {

namespace {

// The dialog manager's own atoms for the predefined classes.
constexpr WORD button_class = 0x0080;
constexpr WORD edit_class = 0x0081;
constexpr WORD static_class = 0x0082;
constexpr WORD combo_box_class = 0x0085;

struct control_look {
    DWORD style;
    DWORD ex_style;
    WORD atom;               // a predefined class, or 0 for
    const wchar_t* class_name;  // a common control's class
};

control_look look_of(const control_spec& spec) {
    const unsigned flags = spec.style;
    switch (spec.kind) {
    case control_kind::push_button: return {BS_PUSHBUTTON | WS_TABSTOP, 0, button_class, nullptr};
    case control_kind::default_push_button: return {BS_DEFPUSHBUTTON | WS_TABSTOP, 0, button_class, nullptr};
    case control_kind::check_box:
        return {BS_AUTOCHECKBOX | WS_TABSTOP | ((flags & style_wraps) ? BS_MULTILINE : 0u), 0, button_class,
                nullptr};
    case control_kind::radio_button: return {BS_AUTORADIOBUTTON, 0, button_class, nullptr};
    case control_kind::edit:
        return {ES_LEFT | WS_TABSTOP | ((flags & style_read_only) ? ES_READONLY : 0u) |
                    ((flags & style_digits_only) ? ES_NUMBER : 0u) | ((flags & style_scrolls) ? ES_AUTOHSCROLL : 0u),
                WS_EX_CLIENTEDGE, edit_class, nullptr};
    case control_kind::static_text:
        return {SS_LEFT | ((flags & style_centre_vertically) ? SS_CENTERIMAGE : 0u), 0, static_class, nullptr};
    case control_kind::group_box:
        // Group boxes come last (the bottom of the z-order) and clip the
        // controls over them, so that their frames never paint over them.
        return {BS_GROUPBOX | WS_CLIPSIBLINGS, 0, button_class, nullptr};
    case control_kind::progress_bar:
        return {((flags & style_smooth) ? PBS_SMOOTH : 0u), 0, 0, PROGRESS_CLASSW};
    case control_kind::tree_view:
        return {TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE, 0,
                WC_TREEVIEWW};
    case control_kind::drop_down_list:
        return {CBS_DROPDOWNLIST | WS_TABSTOP | ((flags & style_scrolls) ? WS_VSCROLL : 0u), 0, combo_box_class,
                nullptr};
    }
    return {0, 0, static_class, nullptr};
}

}  // namespace

dialog_template::dialog_template(const dialog_spec& spec, dialog_frame frame) {
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SHELLFONT | DS_CENTER;
    DWORD ex_style = 0;
    if (frame == dialog_frame::main_window) {
        style |= WS_MINIMIZEBOX | WS_VISIBLE;
        ex_style |= WS_EX_APPWINDOW;
    } else {
        style |= DS_MODALFRAME;
    }
    word(1);       // dlgVer
    word(0xFFFF);  // signature: the extended template
    dword(0);      // helpID
    dword(ex_style);
    dword(style);
    word(static_cast<WORD>(spec.controls.size()));
    word(0);
    word(0);
    word(static_cast<WORD>(spec.w));
    word(static_cast<WORD>(spec.h));
    word(0);  // no menu
    word(0);  // the dialog class
    text(spec.caption);
    word(8);  // points
    word(FW_NORMAL);
    word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, charset
    text("MS Shell Dlg");

    // The table's order is the tab order; group boxes go to the end. A run
    // of radio buttons is one group: it starts at its first button and ends
    // at the control after its last.
    bool previous_radio = false;
    auto add = [&](const control_spec& entry) {
        const bool radio = entry.kind == control_kind::radio_button;
        control(entry, radio != previous_radio);
        previous_radio = radio;
    };
    for (const control_spec& entry : spec.controls)
        if (entry.kind != control_kind::group_box) add(entry);
    for (const control_spec& entry : spec.controls)
        if (entry.kind == control_kind::group_box) add(entry);
}

void dialog_template::dword(DWORD value) {
    word(LOWORD(value));
    word(HIWORD(value));
}

void dialog_template::text(const char* utf8) {
    for (wchar_t unit : utf8_to_wide(utf8 ? utf8 : "")) word(static_cast<WORD>(unit));
    word(0);
}

void dialog_template::align_dword() {
    if (words_.size() % 2 != 0) word(0);
}

void dialog_template::control(const control_spec& spec, bool starts_group) {
    const control_look look = look_of(spec);
    DWORD style = WS_CHILD | WS_VISIBLE | look.style;
    if (spec.style & style_disabled) style |= WS_DISABLED;
    if (starts_group) style |= WS_GROUP | (spec.kind == control_kind::radio_button ? WS_TABSTOP : 0u);
    int height = spec.h;
    if (spec.kind == control_kind::drop_down_list) height += dropped_list_height;

    align_dword();
    dword(0);  // helpID
    dword(look.ex_style);
    dword(style);
    word(static_cast<WORD>(spec.x));
    word(static_cast<WORD>(spec.y));
    word(static_cast<WORD>(spec.w));
    word(static_cast<WORD>(height));
    dword(static_cast<DWORD>(spec.id));
    if (look.atom != 0) {
        word(0xFFFF);
        word(look.atom);
    } else {
        for (const wchar_t* c = look.class_name; *c; ++c) word(static_cast<WORD>(*c));
        word(0);
    }
    text(spec.caption);
    word(0);  // no creation data
}

}  // namespace patchwarden

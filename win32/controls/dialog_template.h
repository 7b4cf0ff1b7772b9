#pragma once

// A dialog's table of controls as the in-memory template Windows builds
// dialogs from (DLGTEMPLATEEX, sizes in dialog units, "MS Shell Dlg" 8
// point), for DialogBoxIndirectParamW and CreateDialogIndirectParamW. Each
// control gets the window class and styles its kind and style flags call
// for, so the dialog manager gives it the behaviour a resource template
// would: tab stops, the default button, digits-only and read-only edits,
// automatic check boxes and one group of radio buttons.

#include <windows.h>

#include <vector>

#include "app/dialogs/dialog_table.h"

namespace patchwarden {

enum class dialog_frame {
    // The program's own window: minimise box, taskbar button, centred on
    // the screen.
    main_window,
    // A small dialog owned by another window.
    modal_dialog,
};

// The extra height a drop-down list's template gets below its field, for
// the list it drops: the table gives only the field's height.
inline constexpr int dropped_list_height = 96;

class dialog_template {
public:
    dialog_template(const dialog_spec& spec, dialog_frame frame);

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void word(WORD value) { words_.push_back(value); }
    void dword(DWORD value);
    void text(const char* utf8);
    void align_dword();
    void control(const control_spec& spec, bool starts_group);

    std::vector<WORD> words_;
};

}  // namespace patchwarden

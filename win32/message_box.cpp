#include "win32/message_box.h"

#include <windows.h>

#include <optional>

#include "win32/resources/resource_ids.h"
#include "win32/wide_text.h"

namespace patchwarden {

namespace {

UINT buttons_style(box_buttons buttons) {
    switch (buttons) {
    case box_buttons::ok: return MB_OK;
    case box_buttons::yes_no: return MB_YESNO;
    case box_buttons::yes_no_cancel: return MB_YESNOCANCEL;
    }
    return MB_OK;
}

UINT icon_style(box_icon icon) {
    switch (icon) {
    case box_icon::none: return 0;
    case box_icon::error: return MB_ICONERROR;
    case box_icon::question: return MB_ICONQUESTION;
    case box_icon::information: return MB_ICONINFORMATION;
    case box_icon::program: return MB_USERICON;
    }
    return 0;
}

std::optional<box_answer> answer_of(int button) {
    switch (button) {
    case IDOK: return box_answer::ok;
    case IDYES: return box_answer::yes;
    case IDNO: return box_answer::no;
    case IDCANCEL: return box_answer::cancel;
    default: return std::nullopt;  // no box (out of memory)
    }
}

}  // namespace

box_answer win32_message_box::show(const std::u16string& text, const std::u16string& caption, box_buttons buttons,
                                   box_icon icon) {
    const std::wstring wide_text = to_wide(text);
    const std::wstring wide_caption = to_wide(caption);
    MSGBOXPARAMSW box{};
    box.cbSize = sizeof box;
    box.hwndOwner = nullptr;
    box.hInstance = GetModuleHandleW(nullptr);
    box.lpszText = wide_text.c_str();
    box.lpszCaption = wide_caption.c_str();
    box.dwStyle = buttons_style(buttons) | icon_style(icon);
    box.lpszIcon = MAKEINTRESOURCEW(PW_PROGRAM_ICON);
    return box_result(buttons, answer_of(MessageBoxIndirectW(&box)));
}

}  // namespace patchwarden

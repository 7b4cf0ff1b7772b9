#pragma once

// The one way the program asks or tells the user something in a message box.
// The window passes its Qt implementation; tests pass a scripted one that
// records every text and answers from a list.

#include <optional>
#include <string>

namespace patchwarden {

enum class box_buttons { ok, yes_no, yes_no_cancel };
enum class box_icon { none, error, question, information, program };
enum class box_answer { ok, yes, no, cancel };

class message_box {
public:
    virtual ~message_box() = default;
    // Shows the box and returns the button the user chose. May run a nested
    // event loop, so callers must expect the program's state to change
    // while it is open.
    virtual box_answer show(const std::u16string& text, const std::u16string& caption,
                            box_buttons buttons, box_icon icon) = 0;
};

// Whether a box with these buttons has the button of this answer.
inline bool box_offers(box_buttons buttons, box_answer answer) {
    switch (answer) {
    case box_answer::ok: return buttons == box_buttons::ok;
    case box_answer::yes:
    case box_answer::no: return buttons != box_buttons::ok;
    case box_answer::cancel: return buttons == box_buttons::yes_no_cancel;
    }
    return false;
}

// What a box answers: the button chosen when it is one of the box's;
// otherwise, when the box was closed without a button (its close box, or
// the program ending) or could not be shown, the answer that changes
// nothing: OK, No, or Cancel.
inline box_answer box_result(box_buttons buttons, std::optional<box_answer> chosen) {
    if (chosen && box_offers(buttons, *chosen)) return *chosen;
    switch (buttons) {
    case box_buttons::ok: return box_answer::ok;
    case box_buttons::yes_no: return box_answer::no;
    case box_buttons::yes_no_cancel: return box_answer::cancel;
    }
    return box_answer::cancel;
}

// Shows nothing and answers Yes (OK to an OK box): for programs that fill or
// read a library without a user, such as the benchmarks and file tools.
class yes_message_box : public message_box {
public:
    box_answer show(const std::u16string&, const std::u16string&, box_buttons buttons, box_icon) override {
        return buttons == box_buttons::ok ? box_answer::ok : box_answer::yes;
    }
};

}  // namespace patchwarden

#pragma once

// The one way the program asks or tells the user something in a message box.
// The window passes its Qt implementation; tests pass a scripted one that
// records every text and answers from a list.

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

// Shows nothing and answers Yes (OK to an OK box): for programs that fill or
// read a library without a user, such as the benchmarks and file tools.
class yes_message_box : public message_box {
public:
    box_answer show(const std::u16string&, const std::u16string&, box_buttons buttons, box_icon) override {
        return buttons == box_buttons::ok ? box_answer::ok : box_answer::yes;
    }
};

}  // namespace patchwarden

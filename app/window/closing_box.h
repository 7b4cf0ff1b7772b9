#pragma once

// The main window's message boxes, which know when the window has quit.
// A command may still be running then: a Load or a Move of a bank waits at
// a replace prompt, whose box has no owner, and the user closed the window
// under it. From then on every further question is answered without a box,
// with the answer that stops the command or changes nothing (Cancel where
// the box offers it, otherwise No), so no prompt shows with no window behind
// it. Boxes that only tell something (OK) still show.

#include <optional>
#include <string>

#include "data/message_box.h"

namespace patchwarden {

class closing_box : public message_box {
public:
    explicit closing_box(message_box& box) : box_(box) {}

    // The window has quit.
    void close() { closed_ = true; }
    bool closed() const { return closed_; }

    box_answer show(const std::u16string& text, const std::u16string& caption, box_buttons buttons,
                    box_icon icon) override {
        if (!closed_ || buttons == box_buttons::ok) return box_.show(text, caption, buttons, icon);
        return box_result(buttons, std::nullopt);  // as a box closed without a button
    }

private:
    message_box& box_;
    bool closed_ = false;
};

}  // namespace patchwarden

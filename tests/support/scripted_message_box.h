#pragma once

// A message box for tests: records every box shown and answers from a script.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "data/message_box.h"

namespace patchwarden::testing {

struct shown_box {
    std::u16string text;
    std::u16string caption;
    box_buttons buttons;
    box_icon icon;
};

class scripted_message_box : public message_box {
public:
    // Answers given in order; when the script runs out, fallback is given
    // (ok for an OK box).
    std::deque<box_answer> answers;
    box_answer fallback = box_answer::yes;
    // Runs before each answer is returned, as a nested event loop would run
    // other work while the box is open.
    std::function<void(const shown_box&)> while_open;
    std::vector<shown_box> shown;

    box_answer show(const std::u16string& text, const std::u16string& caption, box_buttons buttons,
                    box_icon icon) override {
        shown.push_back({text, caption, buttons, icon});
        if (while_open) {
            auto hook = while_open;  // the hook may replace itself
            hook(shown.back());
        }
        if (buttons == box_buttons::ok) return box_answer::ok;
        if (answers.empty()) return fallback;
        const box_answer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::vector<std::u16string> texts() const {
        std::vector<std::u16string> out;
        for (const auto& b : shown) out.push_back(b.text);
        return out;
    }
};

}  // namespace patchwarden::testing

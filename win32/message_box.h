#pragma once

// The program's message boxes on Windows: MessageBoxW without an owner, so
// that the main window stays usable under the box (replace prompts, the
// transport's errors); the program icon's boxes through
// MessageBoxIndirectW.

#include "data/message_box.h"

namespace patchwarden {

class win32_message_box : public message_box {
public:
    box_answer show(const std::u16string& text, const std::u16string& caption, box_buttons buttons,
                    box_icon icon) override;
};

}  // namespace patchwarden

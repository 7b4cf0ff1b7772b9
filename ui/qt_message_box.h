#pragma once

// The message boxes the user sees: a QMessageBox without owner and without
// modality, run in its own event loop. The windows under it stay usable and
// posted work goes on while it is open, as with a box that has no owner.

#include <QIcon>

#include "data/message_box.h"

class QMessageBox;

namespace patchwarden {

class qt_message_box : public message_box {
public:
    explicit qt_message_box(QIcon program_icon = {}) : program_icon_(std::move(program_icon)) {}

    box_answer show(const std::u16string& text, const std::u16string& caption, box_buttons buttons,
                    box_icon icon) override;

    // The box this seam has open, the innermost when boxes are nested; null
    // when none is open.
    static QMessageBox* open_box();

private:
    QIcon program_icon_;
};

// The text of a box as Qt shows it: "\r\n" line breaks become "\n".
QString box_text(const std::u16string& text);

}  // namespace patchwarden

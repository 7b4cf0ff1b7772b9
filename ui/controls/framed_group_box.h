#pragma once

// A group box drawn as the dialogs' group boxes are on Windows: an etched
// frame whose top line runs through the middle of the caption, the caption
// sitting on the frame a little in from its left corner.

#include <QGroupBox>

namespace patchwarden {

class framed_group_box : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Where the frame and the caption are drawn, in the box's coordinates.
    QRect frame_rect() const;
    QRect caption_rect() const;
};

}  // namespace patchwarden

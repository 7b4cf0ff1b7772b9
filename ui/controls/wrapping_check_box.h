#pragma once

// A check box whose caption wraps over several lines within the box's width.

#include <QCheckBox>

namespace patchwarden {

class wrapping_check_box : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

}  // namespace patchwarden

#include "ui/controls/wrapping_check_box.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace patchwarden {

void wrapping_check_box::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    // The indicator sits at the top, beside the first line of the caption.
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    QStyleOptionButton box = option;
    box.rect = indicator.translated(0, -indicator.top() + qMax(0, (fontMetrics().height() - indicator.height()) / 2));
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);
    const int left = box.rect.right() + 1 + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    const QRect text_rect(left, 0, width() - left, height());
    style()->drawItemText(&painter, text_rect,
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic,
                          palette(), isEnabled(), caption, QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = painter.boundingRect(text_rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                                          QString(caption).remove(QLatin1Char('&')));
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool wrapping_check_box::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

}  // namespace patchwarden

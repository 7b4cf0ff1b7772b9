#include "ui/controls/framed_group_box.h"

#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

namespace patchwarden {

QRect framed_group_box::frame_rect() const {
    return rect().adjusted(0, fontMetrics().height() / 2, 0, 0);
}

QRect framed_group_box::caption_rect() const {
    if (title().isEmpty()) return {};
    const QFontMetrics metrics = fontMetrics();
    // One average character in from the corner, with a little room on
    // either side where the frame line stops.
    const int pad = qMax(2, metrics.averageCharWidth() / 3);
    const int width = metrics.horizontalAdvance(QString(title()).remove(QLatin1Char('&'))) + 2 * pad;
    return QRect(metrics.averageCharWidth(), 0, qMin(width, this->width() - metrics.averageCharWidth()),
                 metrics.height());
}

void framed_group_box::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect caption = caption_rect();
    painter.save();
    painter.setClipRegion(QRegion(rect()).subtracted(QRegion(caption)));
    // Etched: a dark line with a light one inside it.
    qDrawShadeRect(&painter, frame_rect(), palette(), true, 1, 0);
    painter.restore();
    style()->drawItemText(&painter, caption, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(), title(),
                          QPalette::WindowText);
}

}  // namespace patchwarden

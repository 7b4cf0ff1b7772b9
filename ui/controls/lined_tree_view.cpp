#include "ui/controls/lined_tree_view.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <vector>

namespace patchwarden {

namespace {

// Dotted lines, every other pixel, in step with the screen's grid so that
// the pieces drawn for neighbouring rows join up.
void dotted_vertical(std::vector<QPoint>& dots, int x, int top, int bottom) {
    for (int y = top + ((x + top) & 1); y <= bottom; y += 2) dots.emplace_back(x, y);
}

void dotted_horizontal(std::vector<QPoint>& dots, int y, int left, int right) {
    for (int x = left + ((left + y) & 1); x <= right; x += 2) dots.emplace_back(x, y);
}

bool has_next_sibling(const QModelIndex& index) {
    return index.isValid() && index.model()->rowCount(index.parent()) > index.row() + 1;
}

}  // namespace

void lined_tree_view::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
    const int step = indentation();
    if (step <= 0 || !index.isValid()) return;
    // One column of the branch area per level, the item's own on the right.
    const int columns = rect.width() / step;
    if (columns <= 0) return;
    const int top = rect.top();
    const int bottom = rect.bottom();
    const int middle_y = rect.top() + rect.height() / 2;
    auto middle_x = [&](int column) { return rect.left() + column * step + step / 2; };

    // Most styles have already painted a selected row's highlight across
    // the branch area; the lines stand on the plain background.
    painter->fillRect(rect, palette().brush(QPalette::Base));

    std::vector<QPoint> dots;
    // The item's own column: up to its parent's line (not above the very
    // first item of the tree), on to the next sibling, across to the label.
    const int own = middle_x(columns - 1);
    const bool first_of_tree = !index.parent().isValid() && index.row() == 0;
    dotted_vertical(dots, own, first_of_tree ? middle_y : top, has_next_sibling(index) ? bottom : middle_y);
    dotted_horizontal(dots, middle_y, own, rect.left() + columns * step - 1);
    // The columns on the left carry the lines of ancestors that have
    // siblings below.
    QModelIndex ancestor = index.parent();
    for (int column = columns - 2; column >= 0 && ancestor.isValid(); --column, ancestor = ancestor.parent()) {
        if (has_next_sibling(ancestor)) dotted_vertical(dots, middle_x(column), top, bottom);
    }

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(palette().color(QPalette::Dark));
    painter->drawPoints(dots.data(), static_cast<int>(dots.size()));

    if (model()->hasChildren(index)) {
        const QRect box(own - box_size / 2, middle_y - box_size / 2, box_size - 1, box_size - 1);
        painter->setBrush(palette().color(QPalette::Base));
        painter->setPen(palette().color(QPalette::Dark));
        painter->drawRect(box);
        painter->setPen(palette().color(QPalette::Text));
        const int arm = box_size / 2 - 2;
        painter->drawLine(own - arm, middle_y, own + arm, middle_y);
        if (!isExpanded(index)) painter->drawLine(own, middle_y - arm, own, middle_y + arm);
    }
    painter->restore();
}

void lined_tree_view::contextMenuEvent(QContextMenuEvent* event) {
    // The keyboard's request is taken from its key press below: the X11
    // platform sends one for the Menu key as well, at the mouse pointer.
    if (event->reason() != QContextMenuEvent::Mouse) return;
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid()) return;
    setCurrentIndex(index);
    emit menu_requested(event->globalPos());
}

void lined_tree_view::keyPressEvent(QKeyEvent* event) {
    const bool shift_f10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (event->key() != Qt::Key_Menu && !shift_f10) {
        QTreeView::keyPressEvent(event);
        return;
    }
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return;
    scrollTo(current);
    const QRect item = visualRect(current);
    emit menu_requested(viewport()->mapToGlobal(QPoint(item.left() + item.height(), item.bottom())));
}

}  // namespace patchwarden

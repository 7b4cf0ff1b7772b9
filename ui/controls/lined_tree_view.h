#pragma once

// A tree view with expand buttons and lines, as the Windows tree control
// draws them: dotted lines join every item to its parent and its siblings,
// and a small box with + or - stands on the line of each item that has
// children. The style's own branch indicators (arrows in most styles) are
// not drawn, and the selection marks the label only.
//
// It asks for a context menu as desktop trees do: a right click on an item
// makes that item the current one first; the Menu key and Shift+F10 ask
// for the current item. The window decides what the menu holds.

#include <QTreeView>

namespace patchwarden {

class lined_tree_view : public QTreeView {
    Q_OBJECT
public:
    using QTreeView::QTreeView;

    // The side of the expand box, in pixels.
    static constexpr int box_size = 9;

signals:
    // A context menu for the current item, to be shown at `at` (global).
    void menu_requested(const QPoint& at);

protected:
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace patchwarden

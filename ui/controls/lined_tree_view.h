#pragma once

// A tree view with expand buttons and lines, as the Windows tree control
// draws them: dotted lines join every item to its parent and its siblings,
// and a small box with + or - stands on the line of each item that has
// children. The style's own branch indicators (arrows in most styles) are
// not drawn, and the selection marks the label only.

#include <QTreeView>

namespace patchwarden {

class lined_tree_view : public QTreeView {
    Q_OBJECT
public:
    using QTreeView::QTreeView;

    // The side of the expand box, in pixels.
    static constexpr int box_size = 9;

protected:
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
};

}  // namespace patchwarden

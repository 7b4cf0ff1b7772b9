// How the dialogs' group boxes and the library tree are drawn, read back
// from the pixels.

#include <QDialog>
#include <QGroupBox>
#include <QImage>
#include <QStandardItemModel>
#include <gtest/gtest.h>

#include "ui/controls/control_table.h"
#include "app/dialogs/dialog_templates.h"
#include "ui/controls/lined_tree_view.h"

namespace patchwarden {
namespace {

// Every group box of the main window: the frame's top line runs through the
// middle of the caption, which is drawn on it (above the line and below it),
// and the line stops where the caption is.
TEST(dialog_look, group_captions_sit_on_their_frames) {
    QDialog dialog;
    build_dialog(dialog, main_window_template);
    const auto groups = dialog.findChildren<QGroupBox*>();
    ASSERT_EQ(groups.size(), 6);
    for (QGroupBox* group : groups) {
        SCOPED_TRACE(group->title().toStdString());
        const QImage image = group->grab().toImage();
        const QRgb background = group->palette().color(QPalette::Window).rgb();
        const QFontMetrics metrics = group->fontMetrics();
        int line = 0;  // the first mark from the top at the right end
        while (line < image.height() && image.pixel(image.width() - 3, line) == background) ++line;
        EXPECT_NEAR(line, metrics.height() / 2, 1);

        const QRgb frame = image.pixel(image.width() - 3, line);
        int above = 0, below = 0, frame_in_caption = 0;
        for (int x = metrics.averageCharWidth() + 2; x < metrics.averageCharWidth() + metrics.horizontalAdvance(group->title()); ++x) {
            for (int y = 0; y < metrics.height(); ++y)
                if (image.pixel(x, y) != background) ++(y < line ? above : below);
            if (image.pixel(x, line) == frame && image.pixel(x + 1, line) == frame) ++frame_in_caption;
        }
        EXPECT_GT(above, 0);
        EXPECT_GT(below, 0);
        EXPECT_EQ(frame_in_caption, 0);
    }
}

// A with B (closed, with a child) and D (selected) below it: dotted lines
// join them, boxes show + or -, and the selection stays off the lines.
TEST(dialog_look, the_tree_has_lines_and_expand_buttons) {
    QStandardItemModel model;
    auto* item_a = new QStandardItem(QStringLiteral("A"));
    auto* item_b = new QStandardItem(QStringLiteral("B"));
    item_b->appendRow(new QStandardItem(QStringLiteral("C")));
    item_a->appendRow(item_b);
    item_a->appendRow(new QStandardItem(QStringLiteral("D")));
    model.appendRow(item_a);
    lined_tree_view view;
    view.setHeaderHidden(true);
    view.setModel(&model);
    view.resize(200, 200);
    const QModelIndex a = model.index(0, 0), b = model.index(0, 0, a), d = model.index(1, 0, a);
    view.expand(a);
    view.setCurrentIndex(d);

    auto middle_y = [&](const QModelIndex& index) { return view.visualRect(index).top() + view.visualRect(index).height() / 2; };
    auto middle_x = [&](int level) { return level * view.indentation() + view.indentation() / 2; };
    const QRgb base = view.palette().color(QPalette::Base).rgb();
    const QRgb line = view.palette().color(QPalette::Dark).rgb();
    const QRgb text = view.palette().color(QPalette::Text).rgb();
    QImage image = view.viewport()->grab().toImage();

    // A dotted line down from B's box to D, and across to D's label.
    int dots = 0;
    for (int y = middle_y(b) + lined_tree_view::box_size; y <= middle_y(d); ++y) dots += image.pixel(middle_x(1), y) == line;
    EXPECT_GE(dots, (middle_y(d) - middle_y(b) - lined_tree_view::box_size) / 2 - 1);
    EXPECT_TRUE(image.pixel(middle_x(1) + 2, middle_y(d)) == line || image.pixel(middle_x(1) + 3, middle_y(d)) == line);

    // B is closed: +; A is open: -; B opened: -.
    const int arm = 2;
    EXPECT_EQ(image.pixel(middle_x(1), middle_y(b) - arm), text);
    EXPECT_EQ(image.pixel(middle_x(1) + arm, middle_y(b)), text);
    EXPECT_EQ(image.pixel(middle_x(0), middle_y(a) - arm), base);
    EXPECT_EQ(image.pixel(middle_x(0) + arm, middle_y(a)), text);
    view.expand(b);
    image = view.viewport()->grab().toImage();
    EXPECT_EQ(image.pixel(middle_x(1), middle_y(b) - arm), base);

    // The selection marks D's label only.
    const QRgb highlight = view.palette().color(QPalette::Highlight).rgb();
    EXPECT_NE(image.pixel(1, middle_y(d)), highlight);
    EXPECT_EQ(image.pixel(view.visualRect(d).left() + 1, view.visualRect(d).top() + 1), highlight);
}

}  // namespace
}  // namespace patchwarden

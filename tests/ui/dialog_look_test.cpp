// How the dialogs' group boxes and the library tree are drawn, read back
// from the pixels.

#include <QDialog>
#include <QGroupBox>
#include <QImage>
#include <QStandardItemModel>
#include <gtest/gtest.h>

#include "ui/control_table.h"
#include "ui/dialog_templates.h"
#include "ui/framed_group_box.h"
#include "ui/lined_tree_view.h"

namespace patchwarden {
namespace {

bool is_background(const QImage& image, int x, int y, const QColor& background) {
    return image.pixel(x, y) == background.rgb();
}

// Rows of the column x from the top down to the first pixel that is not the
// background.
int first_mark_from_top(const QImage& image, int x, const QColor& background) {
    for (int y = 0; y < image.height(); ++y)
        if (!is_background(image, x, y, background)) return y;
    return -1;
}

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
        const QColor background = group->palette().color(QPalette::Window);
        const int text_height = group->fontMetrics().height();
        const int line = first_mark_from_top(image, image.width() - 3, background);
        EXPECT_GE(line, text_height / 2 - 1);
        EXPECT_LE(line, text_height / 2 + 1);

        // Caption pixels above and below the line, and no line through them.
        const QRgb frame = image.pixel(image.width() - 3, line);
        const int start = group->fontMetrics().averageCharWidth();
        const int width = group->fontMetrics().horizontalAdvance(group->title());
        int above = 0, below = 0, frame_in_caption = 0;
        for (int x = start + 2; x < start + width; ++x) {
            for (int y = 0; y < text_height; ++y) {
                if (is_background(image, x, y, background)) continue;
                (y < line ? above : below)++;
            }
            if (image.pixel(x, line) == frame && image.pixel(x + 1, line) == frame) ++frame_in_caption;
        }
        EXPECT_GT(above, 0);
        EXPECT_GT(below, 0);
        EXPECT_EQ(frame_in_caption, 0);
    }
}

class tree_look : public ::testing::Test {
protected:
    // A
    //   B      (with a child, closed)
    //   D      (selected)
    QStandardItemModel model;
    lined_tree_view view;
    QModelIndex a, b, d;

    void SetUp() override {
        auto* item_a = new QStandardItem(QStringLiteral("A"));
        auto* item_b = new QStandardItem(QStringLiteral("B"));
        item_b->appendRow(new QStandardItem(QStringLiteral("C")));
        item_a->appendRow(item_b);
        item_a->appendRow(new QStandardItem(QStringLiteral("D")));
        model.appendRow(item_a);
        view.setHeaderHidden(true);
        view.setModel(&model);
        view.resize(200, 200);
        a = model.index(0, 0);
        b = model.index(0, 0, a);
        d = model.index(1, 0, a);
        view.expand(a);
        view.setCurrentIndex(d);
    }

    QImage picture() { return view.viewport()->grab().toImage(); }
    // The middle of a row, and of the branch column of a level (0 for A).
    int middle_y(const QModelIndex& index) {
        const QRect row = view.visualRect(index);
        return row.top() + row.height() / 2;
    }
    int middle_x(int level) { return level * view.indentation() + view.indentation() / 2; }
    QRgb colour(const QImage& image, int x, int y) { return image.pixel(x, y); }
};

TEST_F(tree_look, lines_join_the_items_and_boxes_show_plus_or_minus) {
    QImage image = picture();
    const QRgb base = view.palette().color(QPalette::Base).rgb();
    const QRgb line = view.palette().color(QPalette::Dark).rgb();
    const QRgb text = view.palette().color(QPalette::Text).rgb();
    // A dotted line runs down from B to D in their column, every other pixel.
    int dots = 0;
    for (int y = middle_y(b) + lined_tree_view::box_size; y <= middle_y(d); ++y)
        if (colour(image, middle_x(1), y) == line) ++dots;
    EXPECT_GE(dots, (middle_y(d) - middle_y(b) - lined_tree_view::box_size) / 2 - 1);
    // ... and across from the column to D's label.
    EXPECT_TRUE(colour(image, middle_x(1) + 2, middle_y(d)) == line ||
                colour(image, middle_x(1) + 3, middle_y(d)) == line);

    // B is closed: its box shows +; A is open: -.
    const int arm = 2;
    EXPECT_EQ(colour(image, middle_x(1), middle_y(b) - arm), text);
    EXPECT_EQ(colour(image, middle_x(1) + arm, middle_y(b)), text);
    EXPECT_EQ(colour(image, middle_x(0), middle_y(a) - arm), base);
    EXPECT_EQ(colour(image, middle_x(0) + arm, middle_y(a)), text);
    view.expand(b);
    image = picture();
    EXPECT_EQ(colour(image, middle_x(1), middle_y(b) - arm), base);

    // The selection marks D's label only, not the lines before it.
    const QRgb highlight = view.palette().color(QPalette::Highlight).rgb();
    EXPECT_NE(colour(image, 1, middle_y(d)), highlight);
    EXPECT_EQ(colour(image, view.visualRect(d).left() + 1, view.visualRect(d).top() + 1), highlight);
}

}  // namespace
}  // namespace patchwarden

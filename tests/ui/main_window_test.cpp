// The Qt main window as it shows after start (title, read-only device
// fields, bars, the fixed-pitch tree, the icon), and its keys: Escape never
// closes it, the close box quits, Enter in a field clicks nothing, Enter on
// a focused button clicks it.

#include <QDropEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include "library/library_tree.h"
#include "tests/support/scripted_message_box.h"
#include "tests/ui/ui_test_support.h"
#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"
#include "ui/main_window.h"

namespace patchwarden {
namespace {

using testing::scripted_file_chooser;
using testing::scripted_message_box;

struct window_fixture : ::testing::Test {
    library_tree library;
    scripted_message_box box;
    scripted_file_chooser files;
    std::unique_ptr<main_window> window = std::make_unique<main_window>(library, box, files);

    QLineEdit* edit(int id) { return control<QLineEdit>(window.get(), id); }
};

TEST_F(window_fixture, initial_state_after_start) {
    EXPECT_EQ(window->windowTitle(), "Patchwarden v1.00");
    EXPECT_TRUE(edit(main_ids::midi_in)->isReadOnly());
    EXPECT_TRUE(edit(main_ids::midi_out)->isReadOnly());
    for (int id : {main_ids::send_bar, main_ids::receive_bar}) {
        auto* bar = control<QProgressBar>(window.get(), id);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 100);
        EXPECT_EQ(bar->value(), 0);
    }
    auto* tree = control<QTreeView>(window.get(), main_ids::tree);
    EXPECT_EQ(tree->model()->rowCount(), 0);
    const QFontMetrics metrics(tree->font());
    EXPECT_EQ(metrics.horizontalAdvance("iiii"), metrics.horizontalAdvance("WWWW"));
    EXPECT_EQ(metrics.horizontalAdvance("0000"), metrics.horizontalAdvance("MMMM"));
    const auto sizes = window->windowIcon().availableSizes();
    for (int size : {16, 32, 48}) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
}

// The .syx files dropped on the window load as Load loads them, in order,
// also one whose name is not UTF-8 (percent-encoded by the file manager); a
// drag that holds none is not taken.
TEST_F(window_fixture, syx_files_dropped_on_the_window_load) {
    testing::temp_folder folder;
    testing::write_bytes(folder.path() / "drop.SYX", testing::dump_bytes(program_dump, 0, 3, u"Dropped"));
    testing::write_bytes(folder.path() / "\xE9t\xE9.syx", testing::dump_bytes(program_dump, 0, 3, u"Summer"));
    QMimeData other, files;
    other.setUrls({QUrl::fromLocalFile(QString::fromStdU16String(folder.file("notes.txt"))),
                   QUrl(QStringLiteral("https://example.org/a.syx"))});
    files.setUrls({QUrl::fromLocalFile(QString::fromStdU16String(folder.file("drop.SYX"))),
                   QUrl::fromEncoded("file://localhost" + QByteArray::fromStdString(folder.path().string()) + "/%E9t%E9.syx")});
    box.fallback = box_answer::yes;  // the second replaces the first
    for (QMimeData* data : {&other, &files}) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), data == &files);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &drop);
        QCoreApplication::processEvents();
    }
    ASSERT_NE(library.find_entry(program_dump, 0, 3), nullptr);
    EXPECT_EQ(narrow(library.find_entry(program_dump, 0, 3)->label()), "003 Summer          ");
    EXPECT_EQ(library.root()->child_count(), 1);
    EXPECT_EQ(box.shown.size(), 1u);  // the replace prompt
}

TEST_F(window_fixture, escape_never_closes_but_the_close_box_quits) {
    QSignalSpy finished(window.get(), &QDialog::finished);
    window->show();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClick(edit(main_ids::request), Qt::Key_Escape);
    QTest::keyClick(control<QTreeView>(window.get(), main_ids::tree), Qt::Key_Escape);
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(window->isVisible());

    window->close();  // the close box, Alt+F4, the window menu's Close
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), main_ids::cancel);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(window_fixture, enter_in_the_request_field_does_nothing) {
    window->show();
    window->activateWindow();
    QLineEdit* request = edit(main_ids::request);
    request->setFocus();
    request->setText("pu:5");
    int clicks = 0;
    for (auto* button : window->findChildren<QPushButton*>())
        QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    QTest::keyClick(request, Qt::Key_Return);
    QTest::keyClick(request, Qt::Key_Enter);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(request->text(), "pu:5");  // Get It was not run
    EXPECT_TRUE(window->isVisible());
}

TEST_F(window_fixture, no_button_becomes_the_default_when_shown) {
    window->show();
    for (auto* button : window->findChildren<QPushButton*>()) EXPECT_FALSE(button->isDefault()) << button->text().toStdString();
}

TEST_F(window_fixture, enter_on_a_focused_button_clicks_it) {
    window->show();
    window->activateWindow();
    auto* about = control<QPushButton>(window.get(), main_ids::about);
    about->setFocus();
    QTest::keyClick(about, Qt::Key_Return);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].caption, u"About");
}

}  // namespace
}  // namespace patchwarden

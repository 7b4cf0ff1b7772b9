// The real message boxes: without owner and without modality, answered by
// clicking their buttons, with the window usable under them.

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include "library/library_tree.h"
#include "tests/ui/ui_test_support.h"
#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"
#include "ui/main_window.h"
#include "ui/program_icon.h"
#include "ui/qt_message_box.h"

namespace patchwarden {
namespace {

using namespace testing;

void press(QMessageBox* box, QMessageBox::StandardButton which) {
    QAbstractButton* button = box->button(which);
    ASSERT_NE(button, nullptr);
    button->click();
}

TEST(real_message_box, shows_the_text_and_returns_the_button_clicked) {
    qt_message_box seam(program_icon());
    struct row {
        box_buttons buttons;
        QMessageBox::StandardButton click;
        box_answer answer;
    } rows[] = {
        {box_buttons::yes_no, QMessageBox::Yes, box_answer::yes},
        {box_buttons::yes_no, QMessageBox::No, box_answer::no},
        {box_buttons::yes_no_cancel, QMessageBox::Cancel, box_answer::cancel},
        {box_buttons::ok, QMessageBox::Ok, box_answer::ok},
    };
    for (const row& r : rows) {
        QString text, title;
        Qt::WindowModality modality = Qt::ApplicationModal;
        QWidget* parent = reinterpret_cast<QWidget*>(1);
        int button_count = 0;
        when_box_open([&](QMessageBox* box) {
            text = box->text();
            title = box->windowTitle();
            modality = box->windowModality();
            parent = box->parentWidget();
            button_count = static_cast<int>(box->buttons().size());
            press(box, r.click);
        });
        EXPECT_EQ(seam.show(u"Replace it?\r\nSure?", u"", r.buttons, box_icon::question), r.answer);
        EXPECT_EQ(text, "Replace it?\nSure?");
        EXPECT_EQ(title, "");
        EXPECT_EQ(modality, Qt::NonModal);
        EXPECT_EQ(parent, nullptr);
        EXPECT_EQ(button_count, r.buttons == box_buttons::ok ? 1 : r.buttons == box_buttons::yes_no ? 2 : 3);
        EXPECT_EQ(qt_message_box::open_box(), nullptr);
    }
}

// A box closed without a button answers as the core says such a box does.
TEST(real_message_box, closing_the_box_changes_nothing) {
    qt_message_box seam;
    when_box_open([](QMessageBox* box) { box->close(); });
    EXPECT_EQ(seam.show(u"Replace?", u"", box_buttons::yes_no_cancel, box_icon::none), box_answer::cancel);
}

TEST(real_message_box, about_shows_the_program_icon) {
    library_tree library;
    qt_message_box seam(program_icon());
    scripted_file_chooser files;
    main_window window(library, seam, files);
    bool has_icon = false;
    QString title, text;
    when_box_open([&](QMessageBox* box) {
        has_icon = !box->iconPixmap().isNull();
        title = box->windowTitle();
        text = box->text();
        press(box, QMessageBox::Ok);
    });
    control<QAbstractButton>(&window, main_ids::about)->click();
    EXPECT_TRUE(has_icon);
    EXPECT_EQ(title, "About");
    EXPECT_TRUE(text.startsWith("A6 Patchwarden v1.00\n"));
}

TEST(real_message_box, the_window_works_under_a_replace_prompt) {
    temp_folder folder;
    library_tree library;
    qt_message_box seam;
    scripted_file_chooser files;
    main_window window(library, seam, files);
    window.show();
    library.insert_record(std::make_unique<a6_message>(make_dump(program_dump, 0, 1, u"Loaded")), false,
                          box_buttons::yes_no, seam);
    library.insert_record(std::make_unique<a6_message>(make_dump(program_dump, 0, 2, u"Other")), false,
                          box_buttons::yes_no, seam);
    byte_vector bytes;
    append(bytes, dump_bytes(program_dump, 0, 1, u"Incoming"));
    append(bytes, dump_bytes(program_dump, 0, 5, u"Never"));
    write_bytes(folder.path() / "in.syx", bytes);

    std::vector<std::string> order;
    when_box_open([&](QMessageBox* prompt) {
        order.push_back("prompt");
        // The window is not blocked: its buttons work under the prompt.
        EXPECT_TRUE(window.isEnabled());
        EXPECT_FALSE(QApplication::activeModalWidget());
        window.select_node(library.find_entry(program_dump, 0, 2));
        control<QAbstractButton>(&window, main_ids::unload)->click();
        order.push_back("unloaded");
        // A second box opens over the first and is answered first.
        when_box_open([&](QMessageBox* about) {
            EXPECT_NE(about, prompt);
            order.push_back("about");
            press(about, QMessageBox::Ok);
        });
        control<QAbstractButton>(&window, main_ids::about)->click();
        order.push_back("about closed");
        press(prompt, QMessageBox::Cancel);
    });
    files.open_answers.push_back(folder.file("in.syx"));
    control<QAbstractButton>(&window, main_ids::load)->click();
    order.push_back("load ended");
    EXPECT_EQ(order, (std::vector<std::string>{"prompt", "unloaded", "about", "about closed", "load ended"}));
    EXPECT_EQ(narrow(library.find_entry(program_dump, 0, 1)->label()), "001 Loaded          ");
    EXPECT_EQ(library.find_entry(program_dump, 0, 2), nullptr);
    EXPECT_EQ(library.find_entry(program_dump, 0, 5), nullptr);  // Cancel stopped the load
}

}  // namespace
}  // namespace patchwarden

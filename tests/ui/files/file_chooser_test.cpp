// The file dialogs of Load and Save: every name listed, also one that is
// not UTF-8 and is chosen under its own bytes; folders entered and left;
// typed names; the two types; and nothing stored in the user's home.

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/ui/ui_test_support.h"
#include "ui/files/file_chooser.h"
#include "ui/files/file_dialog.h"

namespace patchwarden {
namespace {

using testing::temp_folder;
using testing::when_modal;
using testing::write_bytes;

const std::string latin1_name = "\xE9t\xE9.syx";  // "été.syx" in Latin-1

struct chooser_test : ::testing::Test {
    temp_folder folder;
    qt_file_chooser chooser{folder.path()};
    void SetUp() override {
        write_bytes(folder.path() / latin1_name, {0xF0, 0xF7});
        write_bytes(folder.path() / "notes.txt", {});
        std::filesystem::create_directory(folder.path() / "sub");
        write_bytes(folder.path() / "sub" / "inner.syx", {});
    }
    static file_dialog* dialog_of(QWidget* modal) {
        auto* dialog = qobject_cast<file_dialog*>(modal);
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    static QStringList listed(file_dialog* dialog) {
        QStringList texts;
        auto* list = dialog->findChild<QListWidget*>();
        for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
        return texts;
    }
    static QLineEdit* name_field(file_dialog* dialog) { return dialog->findChildren<QLineEdit*>().at(1); }
    static void press_enter_in(QWidget* widget) {
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Return);
    }
};

TEST_F(chooser_test, open_lists_every_name_and_chooses_one_that_is_not_utf8_under_its_bytes) {
    QStringList syx_only, all;
    when_modal([&](QWidget* modal) {
        file_dialog* dialog = dialog_of(modal);
        EXPECT_EQ(dialog->windowTitle(), "Open");
        syx_only = listed(dialog);
        dialog->findChild<QComboBox*>()->setCurrentIndex(1);  // All (*.*)
        all = listed(dialog);
        auto* list = dialog->findChild<QListWidget*>();
        list->setCurrentRow(2);
        EXPECT_EQ(name_field(dialog)->text(), QString::fromUtf16(u"\uFFFDt\uFFFD.syx"));
        dialog->accept();
    });
    const auto chosen = chooser.choose_open();
    EXPECT_EQ(syx_only, (QStringList{"sub", QString::fromUtf16(u"\uFFFDt\uFFFD.syx")}));
    EXPECT_EQ(all, (QStringList{"sub", "notes.txt", QString::fromUtf16(u"\uFFFDt\uFFFD.syx")}));
    EXPECT_EQ(chosen, std::optional<std::filesystem::path>(folder.path() / latin1_name));
}

TEST_F(chooser_test, save_goes_into_folders_and_back_and_takes_a_typed_name_there) {
    QString proposed;
    QStringList inside, back;
    when_modal([&](QWidget* modal) {
        file_dialog* dialog = dialog_of(modal);
        EXPECT_EQ(dialog->windowTitle(), "Save As");
        proposed = name_field(dialog)->text();
        auto* list = dialog->findChild<QListWidget*>();
        list->setCurrentRow(0);
        press_enter_in(list);  // the folder "sub"
        inside = listed(dialog);
        dialog->findChild<QPushButton*>()->click();  // Up
        back = listed(dialog);
        name_field(dialog)->setText("sub");
        press_enter_in(name_field(dialog));  // a folder's name goes there
        name_field(dialog)->setText("new.syx");
        press_enter_in(name_field(dialog));
    });
    const auto chosen = chooser.choose_save(u"Everything.syx");
    EXPECT_EQ(proposed, "Everything.syx");
    EXPECT_EQ(inside, QStringList{"inner.syx"});
    EXPECT_EQ(back, (QStringList{"sub", QString::fromUtf16(u"\uFFFDt\uFFFD.syx")}));
    EXPECT_EQ(chosen, std::optional<std::filesystem::path>(folder.path() / "sub" / "new.syx"));

    // The next dialog starts in the folder this one ended in.
    std::filesystem::path started;
    when_modal([&](QWidget* modal) {
        started = dialog_of(modal)->folder();
        static_cast<QDialog*>(modal)->reject();
    });
    EXPECT_EQ(chooser.choose_open(), std::nullopt);
    EXPECT_EQ(started, folder.path() / "sub");
}

// Open takes only a file that is there, Save only a name in a folder that is
// there: otherwise the dialog stays, and Cancel ends it with nothing.
TEST_F(chooser_test, a_name_that_cannot_be_chosen_keeps_the_dialog_open) {
    const struct {
        bool save;
        const char* typed;
    } rows[] = {{false, "missing.syx"}, {true, "no such folder/new.syx"}};
    for (const auto& r : rows) {
        bool stayed = false;
        when_modal([&](QWidget* modal) {
            file_dialog* dialog = dialog_of(modal);
            name_field(dialog)->setText(r.typed);
            press_enter_in(name_field(dialog));
            stayed = dialog->isVisible();
            dialog->reject();
        });
        const auto chosen = r.save ? chooser.choose_save(u"x.syx") : chooser.choose_open();
        EXPECT_TRUE(stayed) << r.typed;
        EXPECT_EQ(chosen, std::nullopt) << r.typed;
    }
}

// The dialogs keep nothing in the user's configuration (Qt's own dialog
// writes QtProject.conf there); the tests' configuration folder is empty.
TEST_F(chooser_test, nothing_is_stored_in_the_users_configuration) {
    for (bool save : {false, true}) {
        when_modal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        if (save) chooser.choose_save(u"x.syx");
        else chooser.choose_open();
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    ASSERT_EQ(config.toStdString(), qgetenv("XDG_CONFIG_HOME").toStdString());
    EXPECT_TRUE(std::filesystem::is_empty(config.toStdString()));
}

}  // namespace
}  // namespace patchwarden

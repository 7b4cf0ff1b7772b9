// The file dialogs of Load and Save, laid out: a name that is not UTF-8
// chosen under its own bytes, folders entered and left, typed names, the two
// types, and nothing stored in the user's configuration.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLayout>
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

using testing::when_modal;

const std::string latin1_name = "\xE9t\xE9.syx";  // "été.syx" in Latin-1
const QString latin1_text = QString::fromUtf16(u"\uFFFDt\uFFFD.syx");

struct chooser_test : ::testing::Test {
    testing::temp_folder folder;
    qt_file_chooser chooser{folder.path()};
    void SetUp() override {
        for (const std::string& name : {latin1_name, std::string("notes.txt"), std::string("sub/inner.syx")}) {
            std::filesystem::create_directories((folder.path() / name).parent_path());
            testing::write_bytes(folder.path() / name, {});
        }
    }
    // Acts on the next file dialog once it shows, active, as the user sees it.
    static void when_shown(std::function<void(file_dialog&, QListWidget&, QLineEdit& name)> act) {
        when_modal([act](QWidget* modal) {
            auto* dialog = qobject_cast<file_dialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            dialog->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
            act(*dialog, *dialog->findChild<QListWidget*>(), *dialog->findChildren<QLineEdit*>().at(1));
        });
    }
    static QStringList listed(const QListWidget& list) {
        QStringList texts;
        for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
        return texts;
    }
    // Every control is placed by the dialog's layout, which keeps it inside
    // the dialog and clear of the others as the dialog is resized; each
    // label's key goes to its field, and Enter presses the dialog's OK
    // button (never Up, which takes Enter only with the focus).
    static void expect_laid_out(const QDialog& dialog, const QString& ok) {
        for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_GE(dialog.layout()->indexOf(control), 0) << control->metaObject()->className();
        QStringList parts;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            parts << label->text() + " > " + (label->buddy() ? label->buddy()->metaObject()->className() : "none");
        for (const QPushButton* button : dialog.findChildren<QPushButton*>())
            parts << button->text() + (button->isDefault() ? " default" : "") + (button->autoDefault() ? " auto" : "");
        EXPECT_EQ(parts.join(" | ").toStdString(),
                  ("Look &in: > QLineEdit | File &name: > QLineEdit | Files of &type: > QComboBox | &Up | " + ok +
                   " default auto | Cancel auto").toStdString());
    }
    static void press_enter_in(QWidget& widget) {
        widget.setFocus();
        QTest::keyClick(&widget, Qt::Key_Return);
    }
};

TEST_F(chooser_test, open_lists_a_name_that_is_not_utf8_and_chooses_it_under_its_bytes) {
    QStringList syx_only, all, inside;
    QString named;
    when_shown([&](file_dialog& dialog, QListWidget& list, QLineEdit& name) {
        EXPECT_EQ(dialog.windowTitle(), "Open");
        expect_laid_out(dialog, "&Open");
        syx_only = listed(list);
        emit list.itemDoubleClicked(list.item(0));  // the folder "sub"
        inside = listed(list);
        dialog.findChild<QPushButton*>()->click();  // Up
        dialog.findChild<QComboBox*>()->setCurrentIndex(1);  // All (*.*)
        all = listed(list);
        list.setCurrentRow(2);  // a file chosen in the list is named in the field
        named = name.text();
        emit list.itemDoubleClicked(list.item(2));
        if (dialog.isVisible()) dialog.reject();  // not chosen: fail, never hang
    });
    const auto chosen = chooser.choose_open();
    EXPECT_EQ(syx_only, (QStringList{"sub", latin1_text}));
    EXPECT_EQ(inside, QStringList{"inner.syx"});
    EXPECT_EQ(named, latin1_text);
    EXPECT_EQ(all, (QStringList{"sub", "notes.txt", latin1_text}));
    EXPECT_EQ(chosen, std::optional<std::filesystem::path>(folder.path() / latin1_name));
}

TEST_F(chooser_test, save_goes_into_folders_and_back_and_takes_a_typed_name_there) {
    QString proposed;
    QStringList inside, back;
    when_shown([&](file_dialog& dialog, QListWidget& list, QLineEdit& name) {
        EXPECT_EQ(dialog.windowTitle(), "Save As");
        expect_laid_out(dialog, "&Save");
        proposed = name.text();
        list.setCurrentRow(0);
        press_enter_in(list);  // the folder "sub"
        inside = listed(list);
        dialog.findChild<QPushButton*>()->click();  // Up
        back = listed(list);
        name.setText("sub");
        press_enter_in(name);  // a folder's name goes there
        EXPECT_TRUE(name.text().isEmpty());
        QLineEdit& look_in = *dialog.findChild<QLineEdit*>();
        EXPECT_EQ(look_in.text().toStdString(), (folder.path() / "sub").string());
        look_in.setText("..");
        press_enter_in(look_in);  // so does a folder typed in "Look in:"
        EXPECT_EQ(listed(list), back);
        name.setText("sub");
        press_enter_in(name);
        name.setText("new.syx");
        press_enter_in(name);
        if (dialog.isVisible()) dialog.reject();
    });
    const auto chosen = chooser.choose_save(u"Everything.syx");
    EXPECT_EQ(proposed, "Everything.syx");
    EXPECT_EQ(inside, QStringList{"inner.syx"});
    EXPECT_EQ(back, (QStringList{"sub", latin1_text}));
    EXPECT_EQ(chosen, std::optional<std::filesystem::path>(folder.path() / "sub" / "new.syx"));

    // The next dialog starts in the folder this one ended in.
    std::filesystem::path started;
    when_shown([&](file_dialog& dialog, QListWidget&, QLineEdit&) {
        started = dialog.folder();
        dialog.reject();
    });
    EXPECT_EQ(chooser.choose_open(), std::nullopt);
    EXPECT_EQ(started, folder.path() / "sub");
}

// Enter in the list on a file chooses it, as on a folder it enters it.
TEST_F(chooser_test, enter_on_a_file_in_the_list_chooses_it) {
    when_shown([](file_dialog& dialog, QListWidget& list, QLineEdit&) {
        list.setCurrentRow(1);  // the Latin-1 name
        press_enter_in(list);
        if (dialog.isVisible()) dialog.reject();  // not chosen: fail, never hang
    });
    EXPECT_EQ(chooser.choose_open(), std::optional<std::filesystem::path>(folder.path() / latin1_name));
}

// Open takes only a file that is there, Save only a name in a folder that is
// there: otherwise the dialog stays, and Cancel ends it with nothing. The
// dialogs keep nothing in the user's configuration (Qt's own dialog writes
// QtProject.conf there): the tests' configuration folder stays empty.
TEST_F(chooser_test, a_name_that_cannot_be_chosen_keeps_the_dialog_open_and_nothing_is_stored) {
    for (const bool save : {false, true}) {
        bool stayed = false, cancelled = false;
        when_shown([&](file_dialog& dialog, QListWidget&, QLineEdit& name) {
            name.setText(save ? "no such folder/new.syx" : "missing.syx");
            press_enter_in(name);
            stayed = dialog.isVisible() && name.selectedText() == name.text();
            for (QPushButton* button : dialog.findChildren<QPushButton*>())
                if (button->text() == "Cancel") button->click();
            cancelled = !dialog.isVisible();
            dialog.reject();  // never hang
        });
        EXPECT_EQ(save ? chooser.choose_save(u"x.syx") : chooser.choose_open(), std::nullopt);
        EXPECT_TRUE(stayed) << save;  // with the name selected, to be typed again
        EXPECT_TRUE(cancelled) << save;
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    ASSERT_EQ(config.toStdString(), qgetenv("XDG_CONFIG_HOME").toStdString());
    EXPECT_TRUE(std::filesystem::is_empty(config.toStdString()));
}

}  // namespace
}  // namespace patchwarden

// The file dialogs: their filters and options, and that browsing a folder
// never opens the files in it.

#include <QFileDialog>
#include <QFileIconProvider>
#include <gtest/gtest.h>

#include "tests/ui/ui_test_support.h"
#include "ui/files/file_chooser.h"

namespace patchwarden {
namespace {

using testing::temp_folder;
using testing::when_modal;
using testing::write_bytes;

// A PNG header in a file whose name tells nothing: only a look inside
// tells it is a picture.
const byte_vector png_start = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};

TEST(file_chooser, types_are_told_by_name_without_reading_the_files) {
    temp_folder folder;
    write_bytes(folder.path() / "picture", png_start);
    const QFileInfo picture(QString::fromStdU16String(folder.file("picture")));
    name_only_icon_provider by_name;
    // Qt's own provider looks inside; this one does not.
    EXPECT_TRUE(QFileIconProvider().type(picture).contains(QStringLiteral("PNG")));
    EXPECT_FALSE(by_name.type(picture).contains(QStringLiteral("PNG")));
    EXPECT_EQ(by_name.type(QFileInfo(QString::fromStdU16String(folder.file("")))), QStringLiteral("Folder"));
}

TEST(file_chooser, both_dialogs_list_by_name_with_the_two_filters) {
    temp_folder folder;
    write_bytes(folder.path() / "in.syx", png_start);
    const QString in = QString::fromStdU16String(folder.file("in.syx"));
    const struct {
        const char* what;
        bool save;
    } cases[] = {{"open", false}, {"save", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool seen = false;
        when_modal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            seen = true;
            EXPECT_NE(dynamic_cast<name_only_icon_provider*>(dialog->iconProvider()), nullptr);
            EXPECT_EQ(dialog->nameFilters(), (QStringList{"SysEx (*.syx)", "All (*.*)"}));
            EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("SysEx (*.syx)"));
            EXPECT_EQ(dialog->acceptMode(), c.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            EXPECT_EQ(dialog->testOption(QFileDialog::DontConfirmOverwrite), c.save);
            if (c.save) {
                ASSERT_FALSE(dialog->selectedFiles().isEmpty());
                EXPECT_TRUE(dialog->selectedFiles().front().endsWith(QStringLiteral("/Everything.syx")));
            }
            dialog->selectFile(in);
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, which checks the choice
        });
        qt_file_chooser chooser;
        const auto chosen = c.save ? chooser.choose_save(u"Everything.syx") : chooser.choose_open();
        EXPECT_TRUE(seen);
        EXPECT_EQ(chosen, std::optional<std::u16string>(in.toStdU16String()));
    }

    // Cancel chooses nothing.
    when_modal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(qt_file_chooser().choose_open(), std::nullopt);
}

}  // namespace
}  // namespace patchwarden

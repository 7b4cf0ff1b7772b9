#include "ui/files/file_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileIconProvider>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <system_error>

#include "app/files/names/path_text.h"

namespace patchwarden {

namespace {

QString shown(const std::filesystem::path& path) {
    return QString::fromStdU16String(path_text(path));
}

}  // namespace

file_dialog::file_dialog(QWidget* owner, purpose what, const std::filesystem::path& folder, const QString& proposed)
    : QDialog(owner), purpose_(what) {
    setWindowTitle(what == purpose::open ? QStringLiteral("Open") : QStringLiteral("Save As"));
    auto* layout = new QGridLayout(this);
    folder_field_ = new QLineEdit(this);
    auto* up = new QPushButton(QStringLiteral("&Up"), this);
    up->setAutoDefault(false);
    list_ = new QListWidget(this);
    name_field_ = new QLineEdit(proposed, this);
    types_ = new QComboBox(this);
    types_->addItems({QStringLiteral("SysEx (*.syx)"), QStringLiteral("All (*.*)")});
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(what == purpose::open ? QStringLiteral("&Open") : QStringLiteral("&Save"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    ok->setDefault(true);

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    layout->addWidget(label(QStringLiteral("Look &in:"), folder_field_), 0, 0);
    layout->addWidget(folder_field_, 0, 1);
    layout->addWidget(up, 0, 2);
    layout->addWidget(list_, 1, 0, 1, 3);
    layout->addWidget(label(QStringLiteral("File &name:"), name_field_), 2, 0);
    layout->addWidget(name_field_, 2, 1, 1, 2);
    layout->addWidget(label(QStringLiteral("Files of &type:"), types_), 3, 0);
    layout->addWidget(types_, 3, 1, 1, 2);
    layout->addWidget(buttons, 4, 0, 1, 3);
    resize(560, 400);

    connect(buttons, &QDialogButtonBox::accepted, this, &file_dialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &file_dialog::reject);
    connect(up, &QPushButton::clicked, this, [this] { show_folder(folder_.parent_path()); });
    connect(types_, &QComboBox::currentIndexChanged, this, &file_dialog::relist);
    connect(list_, &QListWidget::currentItemChanged, this, &file_dialog::current_changed);
    connect(list_, &QListWidget::itemDoubleClicked, this, &file_dialog::double_clicked);

    show_folder(folder);
    name_field_->setFocus();
    name_field_->selectAll();
}

void file_dialog::show_folder(const std::filesystem::path& folder) {
    folder_ = folder;
    folder_field_->setText(shown(folder_));
    relist();
}

void file_dialog::relist() {
    named_ = nullptr;
    list_->clear();
    entries_ = list_folder(folder_, types_->currentIndex() == 0);
    const QFileIconProvider icons;  // by kind, never looking into a file
    for (const folder_entry& entry : entries_) {
        list_->addItem(new QListWidgetItem(icons.icon(entry.folder ? QFileIconProvider::Folder : QFileIconProvider::File),
                                           QString::fromStdU16String(entry.text)));
    }
}

const folder_entry* file_dialog::entry_of(const QListWidgetItem* item) const {
    const int row = item ? list_->row(item) : -1;
    return row >= 0 && static_cast<std::size_t>(row) < entries_.size() ? &entries_[static_cast<std::size_t>(row)]
                                                                         : nullptr;
}

void file_dialog::current_changed(QListWidgetItem* item) {
    const folder_entry* entry = entry_of(item);
    if (!entry || entry->folder) return;
    named_ = entry;
    name_field_->setText(QString::fromStdU16String(entry->text));
}

void file_dialog::double_clicked(QListWidgetItem* item) {
    const folder_entry* entry = entry_of(item);
    if (!entry) return;
    if (entry->folder) {
        show_folder(folder_ / entry->name);
        return;
    }
    current_changed(item);
    accept();
}

void file_dialog::accept() {
    std::error_code error;
    if (folder_field_->hasFocus()) {
        const std::filesystem::path typed = typed_path(folder_, folder_field_->text().toStdU16String());
        if (std::filesystem::is_directory(typed, error)) show_folder(typed);
        else folder_field_->setText(shown(folder_));
        return;
    }
    const folder_entry* current = entry_of(list_->currentItem());
    if (list_->hasFocus() && current && current->folder) {
        show_folder(folder_ / current->name);
        return;
    }
    const std::u16string typed = name_field_->text().toStdU16String();
    if (typed.empty()) return;
    // A name taken from the list is that entry's own bytes.
    const std::filesystem::path path =
        named_ && named_->text == typed ? folder_ / named_->name : typed_path(folder_, typed);
    if (std::filesystem::is_directory(path, error)) {
        show_folder(path);
        name_field_->clear();
        return;
    }
    const bool there = purpose_ == purpose::open ? std::filesystem::exists(path, error)
                                                 : std::filesystem::is_directory(path.parent_path(), error);
    if (!there) {
        name_field_->setFocus();
        name_field_->selectAll();
        return;
    }
    chosen_ = path;
    QDialog::accept();
}

}  // namespace patchwarden

#include "ui/controls/table_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>

#include "ui/controls/control_table.h"

namespace patchwarden {

namespace {

QString qt_text(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

table_dialog::table_dialog(QWidget* owner, const dialog_spec& spec, dialog_logic* logic)
    : QDialog(owner), logic_(logic) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    build_dialog(*this, spec);
    const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        const int id = control_id(child);
        if (id == no_id) continue;
        if (auto* button = qobject_cast<QAbstractButton*>(child)) {
            connect(button, &QAbstractButton::clicked, this, [this, id] {
                if (logic_) logic_->command(*this, id);
            });
        } else if (auto* list = qobject_cast<QComboBox*>(child)) {
            connect(list, &QComboBox::currentIndexChanged, this, [this, id] {
                if (logic_ && !selecting_) logic_->selection_changed(*this, id);
            });
        } else if (qobject_cast<QLineEdit*>(child)) {
            child->installEventFilter(this);
        }
    }
}

bool table_dialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && logic_) {
        const int id = control_id(qobject_cast<QWidget*>(watched));
        if (id != no_id) logic_->focus_lost(*this, id);
    }
    return QDialog::eventFilter(watched, event);
}

std::u16string table_dialog::text(int id) const {
    QWidget* widget = find_control(this, id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdU16String();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdU16String();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text().toStdU16String();
    return {};
}

void table_dialog::set_text(int id, std::u16string_view text) {
    QWidget* widget = find_control(this, id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(qt_text(text));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(qt_text(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(qt_text(text));
    }
}

bool table_dialog::checked(int id) const {
    auto* button = control<QAbstractButton>(this, id);
    return button && button->isChecked();
}

void table_dialog::set_checked(int id, bool on) {
    if (auto* button = control<QAbstractButton>(this, id)) button->setChecked(on);
}

bool table_dialog::enabled(int id) const {
    QWidget* widget = find_control(this, id);
    return widget && widget->isEnabled();
}

void table_dialog::enable(int id, bool on) {
    if (QWidget* widget = find_control(this, id)) widget->setEnabled(on);
}

void table_dialog::set_visible(int id, bool on) {
    if (QWidget* widget = find_control(this, id)) widget->setVisible(on);
}

void table_dialog::add_item(int id, std::u16string_view text) {
    if (auto* list = control<QComboBox>(this, id)) {
        selecting_ = true;
        list->addItem(qt_text(text));
        selecting_ = false;
    }
}

int table_dialog::selection(int id) const {
    auto* list = control<QComboBox>(this, id);
    return list ? list->currentIndex() : -1;
}

void table_dialog::select(int id, int position) {
    if (auto* list = control<QComboBox>(this, id)) {
        selecting_ = true;
        list->setCurrentIndex(position);
        selecting_ = false;
    }
}

void table_dialog::set_caption(std::u16string_view caption) {
    setWindowTitle(qt_text(caption));
}

void table_dialog::end(int result) {
    QDialog::done(result);
}

void table_dialog::show_busy(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void table_dialog::reject() {
    if (logic_) {
        logic_->command(*this, 2);
    } else {
        QDialog::done(2);
    }
}

int run_table_dialog(QWidget* owner, dialog_logic& logic) {
    table_dialog dialog(owner, logic.spec(), &logic);
    logic.start(dialog);
    return dialog.exec();
}

}  // namespace patchwarden

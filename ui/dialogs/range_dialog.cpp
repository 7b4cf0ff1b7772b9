#include "ui/dialogs/range_dialog.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <climits>

#include "data/bank_naming.h"
#include "data/text.h"
#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"

namespace patchwarden {

namespace {

std::u16string short_name(std::int32_t kind, std::int32_t bank) {
    return bank_short_name(a6_message(kind == 1 ? mix_dump : program_dump, bank, 0));
}

constexpr int mode_buttons[] = {range_ids::single, range_ids::multiple, range_ids::bank, range_ids::multiple_banks};

}  // namespace

std::u16string item_body(const range_choice& choice) {
    const std::u16string first = short_name(choice.kind, choice.bank);
    switch (choice.range_mode) {
    case 0: return first + u":" + decimal(choice.from);
    case 1: return first + u":" + decimal(choice.from) + u"-" + decimal(choice.to);
    case 2: return first;
    default: return first + u"-" + short_name(choice.kind, choice.to_bank);
    }
}

int decimal_value(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i].unicode() - u'0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) return static_cast<int>(std::max<long long>(-value, INT_MIN));
    return static_cast<int>(std::min<long long>(value, INT_MAX));
}

range_dialog::range_dialog(QWidget* owner, range_choice& choice) : QDialog(owner), choice_(choice) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    build_dialog(*this, range_dialog_template);
    first_bank_ = control<QComboBox>(this, range_ids::first_bank);
    last_bank_ = control<QComboBox>(this, range_ids::last_bank);
    first_number_ = control<QLineEdit>(this, range_ids::first_number);
    last_number_ = control<QLineEdit>(this, range_ids::last_number);

    setWindowTitle(choice.kind == 0 ? QStringLiteral("Get programs:") : QStringLiteral("Get mixes:"));
    for (int id : {range_ids::first_bank, range_ids::last_bank, range_ids::first_bank_label, range_ids::last_bank_label,
                   range_ids::first_number, range_ids::last_number, range_ids::first_number_label,
                   range_ids::last_number_label}) {
        find_control(this, id)->hide();
    }
    const message_kind kind = choice.kind == 1 ? mix_dump : program_dump;
    const int banks = bank_count(a6_message(kind));
    for (int bank = 0; bank < banks; ++bank) {
        const QString name = QString::fromStdU16String(bank_display_name(a6_message(kind, bank, 0)));
        first_bank_->addItem(name);
        last_bank_->addItem(name);
    }
    first_bank_->setCurrentIndex(0);
    last_bank_->setCurrentIndex(0);
    first_number_->setText(QStringLiteral("0"));
    last_number_->setText(QStringLiteral("0"));

    for (int id : mode_buttons) {
        connect(control<QRadioButton>(this, id), &QRadioButton::clicked, this, [this, id] { show_mode(id); });
    }
    connect(first_bank_, &QComboBox::currentIndexChanged, this, [this] { follow_lists(true); });
    connect(last_bank_, &QComboBox::currentIndexChanged, this, [this] { follow_lists(false); });
    first_number_->installEventFilter(this);
    last_number_->installEventFilter(this);
    connect(control<QPushButton>(this, range_ids::ok), &QPushButton::clicked, this, [this] { confirm(); });
    connect(control<QPushButton>(this, range_ids::cancel), &QPushButton::clicked, this, [this] { done(2); });

    control<QRadioButton>(this, range_ids::single)->click();
}

void range_dialog::done(int result) {
    // Escape and the close box end the dialog as Cancel does.
    QDialog::done(result == QDialog::Rejected ? 2 : result);
}

void range_dialog::show_mode(int button_id) {
    struct layout {
        const char* first_bank_label;
        const char* last_bank_label;
        const char* first_number_label;
        const char* last_number_label;
        bool last_bank, first_number, last_number;
    };
    layout l{};
    switch (button_id) {
    case range_ids::single: l = {"bank:", "", "num:", "", false, true, false}; break;
    case range_ids::multiple: l = {"bank:", "", "from:", "to:", false, true, true}; break;
    case range_ids::bank: l = {"bank:", "", "", "", false, false, false}; break;
    default: l = {"from bank:", "to bank:", "", "", true, false, false}; break;
    }
    control<QLabel>(this, range_ids::first_bank_label)->setText(QString::fromLatin1(l.first_bank_label));
    control<QLabel>(this, range_ids::last_bank_label)->setText(QString::fromLatin1(l.last_bank_label));
    control<QLabel>(this, range_ids::first_number_label)->setText(QString::fromLatin1(l.first_number_label));
    control<QLabel>(this, range_ids::last_number_label)->setText(QString::fromLatin1(l.last_number_label));
    first_bank_->show();
    find_control(this, range_ids::first_bank_label)->show();
    last_bank_->setVisible(l.last_bank);
    find_control(this, range_ids::last_bank_label)->setVisible(l.last_bank);
    first_number_->setVisible(l.first_number);
    find_control(this, range_ids::first_number_label)->setVisible(l.first_number);
    last_number_->setVisible(l.last_number);
    find_control(this, range_ids::last_number_label)->setVisible(l.last_number);
}

void range_dialog::follow_lists(bool first_changed) {
    if (last_bank_->currentIndex() >= first_bank_->currentIndex()) return;
    if (first_changed) {
        last_bank_->setCurrentIndex(first_bank_->currentIndex());
    } else {
        first_bank_->setCurrentIndex(last_bank_->currentIndex());
    }
}

void range_dialog::bring_numbers_into_range(bool first_left) {
    int first = std::clamp(decimal_value(first_number_->text()), 0, 127);
    int last = std::clamp(decimal_value(last_number_->text()), 0, 127);
    if (last < first) {
        if (first_left) {
            last = first;
        } else {
            first = last;
        }
    }
    first_number_->setText(QString::number(first));
    last_number_->setText(QString::number(last));
}

bool range_dialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == first_number_ || watched == last_number_)) {
        bring_numbers_into_range(watched == first_number_);
    }
    return QDialog::eventFilter(watched, event);
}

void range_dialog::confirm() {
    for (int i = 0; i < 4; ++i) {
        if (control<QRadioButton>(this, mode_buttons[i])->isChecked()) choice_.range_mode = i;
    }
    choice_.from = decimal_value(first_number_->text().left(255));
    choice_.to = decimal_value(last_number_->text().left(255));
    choice_.bank = std::max(0, first_bank_->currentIndex());
    choice_.to_bank = std::max(choice_.bank, std::max(0, last_bank_->currentIndex()));
    done(1);
}

}  // namespace patchwarden

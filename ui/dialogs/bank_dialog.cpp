#include "ui/dialogs/bank_dialog.h"

#include <QComboBox>
#include <QPushButton>

#include "data/bank_naming.h"
#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"

namespace patchwarden {

bank_dialog::bank_dialog(QWidget* owner, a6_message& record) : QDialog(owner), record_(record) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    build_dialog(*this, bank_dialog_template);
    auto* list = control<QComboBox>(this, bank_ids::list);
    const int banks = bank_count(record);
    for (int bank = 0; bank < banks; ++bank) {
        list->addItem(QString::fromStdU16String(bank_display_name(a6_message(record.kind, bank, 0))));
    }
    list->setCurrentIndex(record.bank >= 0 && record.bank < banks ? record.bank : -1);
    connect(control<QPushButton>(this, bank_ids::ok), &QPushButton::clicked, this, [this, list] {
        if (list->currentIndex() >= 0) record_.bank = list->currentIndex();
        done(1);
    });
    connect(control<QPushButton>(this, bank_ids::cancel), &QPushButton::clicked, this, [this] { done(2); });
}

void bank_dialog::done(int result) {
    QDialog::done(result == QDialog::Rejected ? 2 : result);
}

}  // namespace patchwarden

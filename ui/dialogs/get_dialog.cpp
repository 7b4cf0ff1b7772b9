#include "ui/dialogs/get_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"

namespace patchwarden {

std::u16string append_request_item(std::u16string_view text, std::u16string_view item) {
    std::u16string out(text.substr(0, 255));
    if (!out.empty() && out.back() != u';') out.push_back(u';');
    out.append(item);
    return out;
}

int get_dialog::run_range_dialog(QWidget* owner, range_choice& choice) {
    range_dialog dialog(owner, choice);
    return dialog.exec();
}

get_dialog::get_dialog(QWidget* owner, QLineEdit& request_field, range_runner run_range)
    : QDialog(owner), field_(request_field), run_range_(run_range ? std::move(run_range) : &run_range_dialog) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    build_dialog(*this, get_dialog_template);
    connect(control<QPushButton>(this, get_ids::global), &QPushButton::clicked, this, [this] {
        add_item(u"g");
        done(get_ids::global);
    });
    connect(control<QPushButton>(this, get_ids::programs), &QPushButton::clicked, this, [this] { choose(0); });
    connect(control<QPushButton>(this, get_ids::mixes), &QPushButton::clicked, this, [this] { choose(1); });
    connect(control<QPushButton>(this, get_ids::cancel), &QPushButton::clicked, this, [this] { done(get_ids::cancel); });
}

void get_dialog::done(int result) {
    QDialog::done(result == QDialog::Rejected ? get_ids::cancel : result);
}

void get_dialog::choose(int kind) {
    range_choice choice;
    choice.kind = kind;
    const int result = run_range_(this, choice);
    if (result == 1) add_item((kind == 0 ? u"p" : u"m") + item_body(choice));
    done(kind == 0 ? get_ids::programs : get_ids::mixes);
}

void get_dialog::add_item(std::u16string_view item) {
    field_.setText(QString::fromStdU16String(append_request_item(field_.text().toStdU16String(), item)));
}

}  // namespace patchwarden

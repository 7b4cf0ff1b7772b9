#pragma once

// "Get:": composes the request text of the main window's request field,
// one item per use: Programs or Mixes through "Range:", or the Global Data.

#include <QDialog>
#include <functional>
#include <string>

#include "ui/dialogs/range_dialog.h"

class QLineEdit;

namespace patchwarden {

// The request text with one more item: the text cut to 255 characters, a
// ";" unless it is empty or ends with one, then the item.
std::u16string append_request_item(std::u16string_view text, std::u16string_view item);

class get_dialog : public QDialog {
    Q_OBJECT
public:
    // Runs "Range:" owned by the given dialog; returns 1 when confirmed.
    using range_runner = std::function<int(QWidget* owner, range_choice& choice)>;

    get_dialog(QWidget* owner, QLineEdit& request_field, range_runner run_range = {});

    void done(int result) override;

    static int run_range_dialog(QWidget* owner, range_choice& choice);

private:
    void choose(int kind);
    void add_item(std::u16string_view item);

    QLineEdit& field_;
    range_runner run_range_;
};

}  // namespace patchwarden

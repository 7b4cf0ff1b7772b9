#pragma once

// "Range:": which Programs or Mixes to ask for, as a single entry, a run of
// entries of one bank, one bank or a run of banks.

#include <QDialog>
#include <cstdint>
#include <string>

class QComboBox;
class QLineEdit;

namespace patchwarden {

struct range_choice {
    std::int32_t kind = 0;        // 0 Programs, 1 Mixes
    std::int32_t range_mode = 0;  // 0 single, 1 multiple, 2 bank, 3 multiple banks
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::int32_t bank = 0;
    std::int32_t to_bank = 0;
};

// The item of the request text for a choice: "u:5", "p1:0-127", "c3",
// "u-c16" (without the leading p or m).
std::u16string item_body(const range_choice& choice);

// Decimal text as the C library reads it: leading white space and one sign
// skipped, digits up to the first non-digit, 0 without digits; saturates at
// the limits of int.
int decimal_value(const QString& text);

class range_dialog : public QDialog {
    Q_OBJECT
public:
    // Fills choice (all but kind) when the user confirms.
    range_dialog(QWidget* owner, range_choice& choice);

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show_mode(int button_id);
    void follow_lists(bool first_changed);
    void bring_numbers_into_range(bool first_left);
    void confirm();

    range_choice& choice_;
    QComboBox* first_bank_;
    QComboBox* last_bank_;
    QLineEdit* first_number_;
    QLineEdit* last_number_;
};

}  // namespace patchwarden

#pragma once

// "Bank:": picks a bank for a Program or Mix record by its display name.

#include <QDialog>

#include "data/a6_message.h"

namespace patchwarden {

class bank_dialog : public QDialog {
    Q_OBJECT
public:
    // On OK the record's bank becomes the chosen one and the dialog ends
    // with 1; Cancel, Escape and the close box end it with 2.
    bank_dialog(QWidget* owner, a6_message& record);

    void done(int result) override;

private:
    a6_message& record_;
};

}  // namespace patchwarden

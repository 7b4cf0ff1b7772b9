#pragma once

// "Bank:": picks a bank for a Program or Mix record by its display name.
// The record is the caller's copy; OK sets its bank and ends with 1,
// Cancel, Escape and the close box end with 2 and leave it alone.

#include "app/dialogs/dialog_logic.h"
#include "data/a6_message.h"

namespace patchwarden {

class bank_dialog_logic : public dialog_logic {
public:
    explicit bank_dialog_logic(a6_message& record) : record_(record) {}

    const dialog_spec& spec() const override;
    void start(dialog_controls& controls) override;
    void command(dialog_controls& controls, int id) override;

private:
    a6_message& record_;
};

}  // namespace patchwarden

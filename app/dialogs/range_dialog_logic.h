#pragma once

// "Range:": which Programs or Mixes to ask for, as a single entry, a run of
// entries of one bank, one bank or a run of banks. Every run starts from
// the same defaults (User, numbers 0 and 0, "&Single"); the numbers are
// brought into 0..127 when an edit is left, and the last bank never stands
// before the first.

#include <cstdint>
#include <string>

#include "app/dialogs/dialog_logic.h"

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

class range_dialog_logic : public dialog_logic {
public:
    // Fills choice (all but kind) when the user confirms; ends with 1 for
    // OK, 2 for Cancel.
    explicit range_dialog_logic(range_choice& choice) : choice_(choice) {}

    const dialog_spec& spec() const override;
    void start(dialog_controls& controls) override;
    void command(dialog_controls& controls, int id) override;
    void selection_changed(dialog_controls& controls, int id) override;
    void focus_lost(dialog_controls& controls, int id) override;

private:
    void show_mode(dialog_controls& controls, int button_id);
    void confirm(dialog_controls& controls);

    range_choice& choice_;
};

}  // namespace patchwarden

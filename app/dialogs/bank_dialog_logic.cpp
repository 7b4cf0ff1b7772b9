#include "app/dialogs/bank_dialog_logic.h"

#include "app/dialogs/dialog_templates.h"
#include "data/bank_naming.h"

namespace patchwarden {

const dialog_spec& bank_dialog_logic::spec() const {
    return bank_dialog_template;
}

void bank_dialog_logic::start(dialog_controls& controls) {
    const int banks = bank_count(record_);
    for (int bank = 0; bank < banks; ++bank) {
        controls.add_item(bank_ids::list, bank_display_name(a6_message(record_.kind, bank, 0)));
    }
    controls.select(bank_ids::list, record_.bank >= 0 && record_.bank < banks ? record_.bank : -1);
}

void bank_dialog_logic::command(dialog_controls& controls, int id) {
    if (id == bank_ids::ok) {
        const int chosen = controls.selection(bank_ids::list);
        if (chosen >= 0) record_.bank = chosen;
        controls.end(1);
    } else if (id == bank_ids::cancel) {
        controls.end(2);
    }
}

}  // namespace patchwarden

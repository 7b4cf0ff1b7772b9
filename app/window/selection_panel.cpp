#include "app/window/selection_panel.h"

#include <initializer_list>

#include "app/dialogs/dialog_logic.h"
#include "app/dialogs/dialog_templates.h"
#include "data/bank_naming.h"
#include "data/text.h"
#include "library/library_tree.h"

namespace patchwarden {

void update_selection_panel(dialog_controls& window, const library_tree& library, const library_node* node) {
    auto enable = [&](std::initializer_list<int> ids, bool on) {
        for (int id : ids) window.enable(id, on);
    };
    const bool update_bank = window.checked(main_ids::update_bank);
    const bool update_number = window.checked(main_ids::update_number);

    const a6_message* record = library.record_of(node);
    if (record && (record->kind == program_dump || record->kind == mix_dump)) {
        if (update_bank) window.set_text(main_ids::bank, bank_short_name(*record));
        enable({main_ids::bank, main_ids::choose_bank}, true);
        if (update_number) window.set_text(main_ids::number, decimal(record->number));
        enable({main_ids::number}, true);
        window.set_text(main_ids::name, shown_name(*record));
        enable({main_ids::name, main_ids::move, main_ids::copy}, true);
        return;
    }
    enable({main_ids::bank, main_ids::choose_bank, main_ids::number, main_ids::name, main_ids::move, main_ids::copy},
           false);
    if (record) return;  // Global Data
    const a6_message* first = library.record_of(library.first_child(node));
    if (!first || first->kind == global_dump) return;
    if (update_bank) window.set_text(main_ids::bank, bank_short_name(*first));
    enable({main_ids::bank, main_ids::choose_bank, main_ids::move, main_ids::copy}, true);
}

}  // namespace patchwarden

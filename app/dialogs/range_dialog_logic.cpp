#include "app/dialogs/range_dialog_logic.h"

#include <algorithm>

#include "app/dialogs/dialog_templates.h"
#include "data/bank_naming.h"
#include "data/text.h"

namespace patchwarden {

namespace {

message_kind kind_of(const range_choice& choice) {
    return choice.kind == 1 ? mix_dump : program_dump;
}

std::u16string short_name(const range_choice& choice, std::int32_t bank) {
    return bank_short_name(a6_message(kind_of(choice), bank, 0));
}

constexpr int mode_buttons[] = {range_ids::single, range_ids::multiple, range_ids::bank, range_ids::multiple_banks};

// The labels and the controls each mode shows.
struct mode_layout {
    int button;
    const char16_t* first_bank_label;
    const char16_t* last_bank_label;
    const char16_t* first_number_label;
    const char16_t* last_number_label;
    bool last_bank, first_number, last_number;
};

constexpr mode_layout layouts[] = {
    {range_ids::single, u"bank:", u"", u"num:", u"", false, true, false},
    {range_ids::multiple, u"bank:", u"", u"from:", u"to:", false, true, true},
    {range_ids::bank, u"bank:", u"", u"", u"", false, false, false},
    {range_ids::multiple_banks, u"from bank:", u"to bank:", u"", u"", true, false, false},
};

}  // namespace

std::u16string item_body(const range_choice& choice) {
    const std::u16string first = short_name(choice, choice.bank);
    switch (choice.range_mode) {
    case 0: return first + u":" + decimal(choice.from);
    case 1: return first + u":" + decimal(choice.from) + u"-" + decimal(choice.to);
    case 2: return first;
    default: return first + u"-" + short_name(choice, choice.to_bank);
    }
}

const dialog_spec& range_dialog_logic::spec() const {
    return range_dialog_template;
}

void range_dialog_logic::start(dialog_controls& controls) {
    controls.set_caption(choice_.kind == 0 ? u"Get programs:" : u"Get mixes:");
    for (int id : {range_ids::first_bank, range_ids::last_bank, range_ids::first_bank_label, range_ids::last_bank_label,
                   range_ids::first_number, range_ids::last_number, range_ids::first_number_label,
                   range_ids::last_number_label}) {
        controls.set_visible(id, false);
    }
    const int banks = bank_count(a6_message(kind_of(choice_)));
    for (int bank = 0; bank < banks; ++bank) {
        const std::u16string name = bank_display_name(a6_message(kind_of(choice_), bank, 0));
        controls.add_item(range_ids::first_bank, name);
        controls.add_item(range_ids::last_bank, name);
    }
    controls.select(range_ids::first_bank, 0);
    controls.select(range_ids::last_bank, 0);
    controls.set_text(range_ids::first_number, u"0");
    controls.set_text(range_ids::last_number, u"0");
    // "&Single" is clicked, as the user would.
    controls.set_checked(range_ids::single, true);
    command(controls, range_ids::single);
}

void range_dialog_logic::command(dialog_controls& controls, int id) {
    switch (id) {
    case range_ids::ok: confirm(controls); break;
    case range_ids::cancel: controls.end(2); break;
    case range_ids::single:
    case range_ids::multiple:
    case range_ids::bank:
    case range_ids::multiple_banks: show_mode(controls, id); break;
    default: break;
    }
}

void range_dialog_logic::show_mode(dialog_controls& controls, int button_id) {
    const mode_layout& l = *std::find_if(std::begin(layouts), std::end(layouts),
                                         [button_id](const mode_layout& m) { return m.button == button_id; });
    controls.set_text(range_ids::first_bank_label, l.first_bank_label);
    controls.set_text(range_ids::last_bank_label, l.last_bank_label);
    controls.set_text(range_ids::first_number_label, l.first_number_label);
    controls.set_text(range_ids::last_number_label, l.last_number_label);
    controls.set_visible(range_ids::first_bank, true);
    controls.set_visible(range_ids::first_bank_label, true);
    controls.set_visible(range_ids::last_bank, l.last_bank);
    controls.set_visible(range_ids::last_bank_label, l.last_bank);
    controls.set_visible(range_ids::first_number, l.first_number);
    controls.set_visible(range_ids::first_number_label, l.first_number);
    controls.set_visible(range_ids::last_number, l.last_number);
    controls.set_visible(range_ids::last_number_label, l.last_number);
}

void range_dialog_logic::selection_changed(dialog_controls& controls, int id) {
    const int first = controls.selection(range_ids::first_bank);
    const int last = controls.selection(range_ids::last_bank);
    if (last >= first) return;
    if (id == range_ids::first_bank) {
        controls.select(range_ids::last_bank, first);
    } else if (id == range_ids::last_bank) {
        controls.select(range_ids::first_bank, last);
    }
}

void range_dialog_logic::focus_lost(dialog_controls& controls, int id) {
    if (id != range_ids::first_number && id != range_ids::last_number) return;
    int first = std::clamp(decimal_value(controls.text(range_ids::first_number)), 0, 127);
    int last = std::clamp(decimal_value(controls.text(range_ids::last_number)), 0, 127);
    if (last < first) {
        if (id == range_ids::first_number) {
            last = first;
        } else {
            first = last;
        }
    }
    controls.set_text(range_ids::first_number, decimal(first));
    controls.set_text(range_ids::last_number, decimal(last));
}

void range_dialog_logic::confirm(dialog_controls& controls) {
    for (int i = 0; i < 4; ++i) {
        if (controls.checked(mode_buttons[i])) choice_.range_mode = i;
    }
    choice_.from = decimal_value(field_text(controls, range_ids::first_number, 255));
    choice_.to = decimal_value(field_text(controls, range_ids::last_number, 255));
    choice_.bank = std::max(0, controls.selection(range_ids::first_bank));
    choice_.to_bank = std::max(choice_.bank, std::max(0, controls.selection(range_ids::last_bank)));
    controls.end(1);
}

}  // namespace patchwarden

#include "app/dialogs/get_dialog_logic.h"

#include "app/dialogs/dialog_templates.h"
#include "app/dialogs/range_dialog_logic.h"

namespace patchwarden {

std::u16string append_request_item(std::u16string_view text, std::u16string_view item) {
    std::u16string out(text.substr(0, 255));
    if (!out.empty() && out.back() != u';') out.push_back(u';');
    out.append(item);
    return out;
}

const dialog_spec& get_dialog_logic::spec() const {
    return get_dialog_template;
}

void get_dialog_logic::command(dialog_controls& controls, int id) {
    switch (id) {
    case get_ids::global:
        add_item(u"g");
        break;
    case get_ids::programs:
    case get_ids::mixes: {
        range_choice choice;
        choice.kind = id == get_ids::programs ? 0 : 1;
        range_dialog_logic range(choice);
        if (run_dialog_(range, controls) == 1) add_item((choice.kind == 0 ? u"p" : u"m") + item_body(choice));
        break;
    }
    default:
        id = get_ids::cancel;
        break;
    }
    controls.end(id);
}

void get_dialog_logic::add_item(std::u16string_view item) {
    window_.set_text(request_field_, append_request_item(window_.text(request_field_), item));
}

}  // namespace patchwarden

#pragma once

// "Get:": adds one item to the main window's request text: Programs or
// Mixes through "Range:", or the Global Data. The request field is read
// and written through the main window's controls; Cancel, Escape and the
// close box leave it alone.

#include <functional>
#include <string>
#include <string_view>

#include "app/dialogs/dialog_logic.h"

namespace patchwarden {

// The request text with one more item: the text cut to 255 characters, a
// ";" unless it is empty or ends with one, then the item.
std::u16string append_request_item(std::u16string_view text, std::u16string_view item);

class get_dialog_logic : public dialog_logic {
public:
    // Runs a dialog modally, owned by the dialog whose controls are given
    // (here "Range:", owned by "Get:"), and returns what it ended with.
    using dialog_runner = std::function<int(dialog_logic& logic, dialog_controls& owner)>;

    get_dialog_logic(dialog_controls& window, int request_field, dialog_runner run_dialog)
        : window_(window), request_field_(request_field), run_dialog_(std::move(run_dialog)) {}

    const dialog_spec& spec() const override;
    void start(dialog_controls&) override {}
    void command(dialog_controls& controls, int id) override;

private:
    void add_item(std::u16string_view item);

    dialog_controls& window_;
    int request_field_;
    dialog_runner run_dialog_;
};

}  // namespace patchwarden

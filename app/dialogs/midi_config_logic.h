#pragma once

// "MIDI Configuration": chooses the MIDI input and output, the output's
// buffer size and pause, and finds the pair an A6 Andromeda is connected to
// ("&Find A6"). It is the only place that opens the ports: OK closes both
// and opens the chosen pair; "&Find A6" leaves both closed and shows the
// pair it found selected; Cancel, Escape and the close box change nothing.
// A transport error is shown in an "Error" box and the dialog stays open.

#include <cstdint>
#include <string_view>

#include "app/dialogs/dialog_logic.h"
#include "data/message_box.h"

namespace patchwarden {

class midi_ports;

// A setting as OK reads it: decimal text read the way the C library reads a
// number, clamped to 32 bits; a value of 0 or less (empty text, no leading
// digits, a negative number) gives the default instead.
std::int32_t setting_value(std::u16string_view text, std::int32_t default_value);

class midi_config_logic : public dialog_logic {
public:
    midi_config_logic(midi_ports& ports, message_box& box) : ports_(ports), box_(box) {}

    const dialog_spec& spec() const override;
    // Refreshes the device list and fills the dialog: every input and
    // output in list order with the first of each selected, and the
    // default buffer size and pause (not the values in force).
    void start(dialog_controls& controls) override;
    void command(dialog_controls& controls, int id) override;

private:
    void fill(dialog_controls& controls);
    void confirm(dialog_controls& controls);
    void find(dialog_controls& controls);

    midi_ports& ports_;
    message_box& box_;
};

}  // namespace patchwarden

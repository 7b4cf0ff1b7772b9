#pragma once

// Finds the input and output to which an A6 Andromeda is connected: the
// Identity Request goes out on every output in turn, and the instrument's
// Identity Reply is listened for on every input. Inputs are tried from the
// selected one on, and for each input every output from the selected one
// on, both wrapping around; the first pair that answers wins. Only a reply
// that arrives after a pair's request went out counts for that pair; blocks
// that waited in the input's queue before the search are kept for whoever
// reads the input next. Both transport objects are closed afterwards, with
// their notifications cleared, and the pair that answered is returned with
// its device names and the instrument's firmware version; telling the user
// is the caller's part (found_text gives the words). A sysex_error from the
// transport ends the search and reaches the caller (a device the search
// opened may then be open).

#include <optional>
#include <string>

#include "midi/midi_device.h"
#include "midi/transport/sysex_in.h"
#include "midi/transport/sysex_out.h"
#include "midi/transport/transport_clock.h"

namespace patchwarden {

// Detection always sends with these settings.
inline constexpr std::int32_t detection_buffer_size = 256;
inline constexpr std::int32_t detection_pause_ms = 20;

struct a6_found {
    int input = -1;
    int output = -1;
    int major = 0;
    int minor = 0;
    std::u16string input_name;
    std::u16string output_name;
};

std::optional<a6_found> find_a6(sysex_in& midi_in, sysex_out& midi_out, midi_system& system,
                                int selected_input, int selected_output,
                                transport_clock& clock = default_transport_clock());

// "Andromeda v2.05 found", then the input's and the output's names on a line
// each ("in: ...", "out: ..."), the lines ended by CR LF.
std::u16string found_text(const a6_found& found);

}  // namespace patchwarden

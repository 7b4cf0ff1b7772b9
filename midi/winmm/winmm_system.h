#pragma once

// The Windows back end: the multimedia MIDI service (winmm). Built only when
// building for Windows.

#include "midi/midi_device.h"

namespace patchwarden {

class winmm_system : public midi_system {
public:
    int input_count() override;
    int output_count() override;
    midi_result input_name(int device, std::u16string& text) override;
    midi_result output_name(int device, std::u16string& text) override;
    midi_result open_input(int device, midi_in_proc callback, void* instance,
                           std::unique_ptr<midi_input>& opened) override;
    midi_result open_output(int device, std::unique_ptr<midi_output>& opened) override;
};

}  // namespace patchwarden

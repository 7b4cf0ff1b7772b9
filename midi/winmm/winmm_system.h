#pragma once

// The Windows back end: the multimedia MIDI service (winmm). Built only when
// building for Windows.
//
// Output copies each slice into a header of its own. A header the service
// may still hold (the transport gave up waiting for it) is never reused or
// freed: it is set aside with its bytes, and taken back from the service by a
// reset before the device is closed.

#include "midi/midi_device.h"

namespace patchwarden {

struct winmm_api;

class winmm_system : public midi_system {
public:
    // The service's calls; the real service unless a test stands in for it.
    // The table must outlive the system and every device opened on it.
    winmm_system();
    explicit winmm_system(const winmm_api& api);

    int input_count() override;
    int output_count() override;
    midi_result input_name(int device, std::u16string& text) override;
    midi_result output_name(int device, std::u16string& text) override;
    midi_result open_input(int device, midi_in_proc callback, void* instance,
                           std::unique_ptr<midi_input>& opened) override;
    midi_result open_output(int device, std::unique_ptr<midi_output>& opened) override;

private:
    const winmm_api& api_;
};

}  // namespace patchwarden

#pragma once

// The calls of the Windows multimedia service (winmm) that the Windows back
// end makes, gathered in one table. The back end reaches the service only
// through it, so that tests can stand in for the service and play its part
// (a driver that keeps a buffer, a bad SysEx) on a machine without MIDI
// devices.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <string>

#include "midi/midi_device.h"

namespace patchwarden {

struct winmm_api {
    decltype(&::midiInGetNumDevs) in_get_num_devs;
    decltype(&::midiInGetDevCapsW) in_get_dev_caps;
    decltype(&::midiInOpen) in_open;
    decltype(&::midiInPrepareHeader) in_prepare_header;
    decltype(&::midiInAddBuffer) in_add_buffer;
    decltype(&::midiInStart) in_start;
    decltype(&::midiInReset) in_reset;
    decltype(&::midiInUnprepareHeader) in_unprepare_header;
    decltype(&::midiInClose) in_close;
    decltype(&::midiOutGetNumDevs) out_get_num_devs;
    decltype(&::midiOutGetDevCapsW) out_get_dev_caps;
    decltype(&::midiOutOpen) out_open;
    decltype(&::midiOutPrepareHeader) out_prepare_header;
    decltype(&::midiOutLongMsg) out_long_msg;
    decltype(&::midiOutUnprepareHeader) out_unprepare_header;
    decltype(&::midiOutReset) out_reset;
    decltype(&::midiOutClose) out_close;
};

// The service itself.
const winmm_api& system_winmm_api();

// The service's answer as the device interface gives it.
inline midi_result result_of(MMRESULT r) {
    if (r == MMSYSERR_NOERROR) return midi_result::ok;
    if (r == MIDIERR_STILLPLAYING) return midi_result::still_playing;
    return midi_result::error;
}

// The product name of a device (an index, or the handle of an open device),
// read from its capabilities.
template <class caps_record, class get_caps_function>
midi_result device_name(get_caps_function get_caps, UINT_PTR device, std::u16string& text) {
    caps_record caps;
    if (get_caps(device, &caps, sizeof caps) != MMSYSERR_NOERROR) return midi_result::error;
    text.clear();
    for (std::size_t i = 0; i < MAXPNAMELEN && caps.szPname[i] != 0; ++i)
        text.push_back(static_cast<char16_t>(caps.szPname[i]));
    return midi_result::ok;
}

}  // namespace patchwarden

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

}  // namespace patchwarden

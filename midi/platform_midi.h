#pragma once

// The platform's own MIDI back end: the ALSA sequencer on Linux, the
// multimedia MIDI service on Windows; a back end with no devices elsewhere.

#include <memory>

#include "midi/midi_device.h"

namespace patchwarden {

std::unique_ptr<midi_system> make_platform_midi_system();

}  // namespace patchwarden

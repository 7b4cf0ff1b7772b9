#pragma once

// The MIDI ports of the process: the device list (the platform's devices,
// then, when asked for, the built-in emulator's), the one midi_in and the one
// midi_out over it, and the relay that their notifications and error boxes go
// through. Both ports start closed; only the configuration dialog opens them
// (open), and the window closes them when the program ends (shutdown).
//
// The transport objects are destroyed before the relay, and the relay before
// the device list, so no thread of the transport outlives what it reports to.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "midi/device_list.h"
#include "midi/transport/sysex_in.h"
#include "midi/transport/sysex_out.h"
#include "midi/transport/transport_clock.h"
#include "app/transfers/notification_relay.h"

namespace patchwarden {

class midi_ports {
public:
    // Either system may be null; neither is owned, and both must outlive the
    // ports.
    midi_ports(midi_system* platform, midi_system* emulator,
               transport_clock& clock = default_transport_clock());
    ~midi_ports();
    midi_ports(const midi_ports&) = delete;
    midi_ports& operator=(const midi_ports&) = delete;

    device_list& devices() { return devices_; }
    notification_relay& relay() { return relay_; }
    sysex_in& in() { return *in_; }
    sysex_out& out() { return *out_; }
    transport_clock& clock() { return clock_; }

    // Closes both ports and opens the input and output at these positions
    // of the device list, with notifications through the relay. A device
    // that does not open leaves its port closed without a word. Throws
    // sysex_error from the transport.
    void open(int input, int output, std::int32_t buffer_size, std::int32_t pause_ms);

    // Closes both ports, the output first (its send thread ends and what it
    // had not sent is dropped). Throws sysex_error from the transport.
    void shutdown();

    // The name of the open input's or output's device (at most 1023 units);
    // nothing when the port is closed. Throws sysex_error.
    std::optional<std::u16string> input_name();
    std::optional<std::u16string> output_name();

private:
    transport_clock& clock_;
    device_list devices_;
    notification_relay relay_;
    std::unique_ptr<sysex_in> in_;
    std::unique_ptr<sysex_out> out_;
};

}  // namespace patchwarden

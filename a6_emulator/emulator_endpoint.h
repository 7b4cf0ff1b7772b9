#pragma once

// The built-in A6 seen from outside as two byte streams: what is fed in goes
// down the cable to the instrument's MIDI in, at the emulator's pace, and
// every message the instrument sends comes out whole through on_message, on
// the emulator's own thread, once its last byte has crossed the cable. The
// instrument sends nothing more until on_message has returned.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "data/bytes.h"
#include "midi/emulator/a6_emulator.h"
#include "midi/midi_device.h"

namespace patchwarden::a6_emulator_program {

class emulator_endpoint {
public:
    using message_handler = std::function<void(std::span<const std::uint8_t>)>;

    // The emulator must outlive the endpoint.
    emulator_endpoint(a6_emulator& emulator, message_handler on_message);
    ~emulator_endpoint();
    emulator_endpoint(const emulator_endpoint&) = delete;
    emulator_endpoint& operator=(const emulator_endpoint&) = delete;

    // False when the emulator's devices would not open (one endpoint each).
    bool open();
    void feed(std::span<const std::uint8_t> bytes);
    // Closes both devices; waits for an on_message call in progress.
    void close();

private:
    static void receive(midi_input& device, std::uint32_t message, void* instance,
                        midi_header* header);

    a6_emulator& emulator_;
    message_handler on_message_;
    std::unique_ptr<midi_input> input_;
    std::unique_ptr<midi_output> output_;
    byte_vector buffer_;
    midi_header header_;
};

}  // namespace patchwarden::a6_emulator_program

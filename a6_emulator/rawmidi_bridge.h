#pragma once

// a6-emulator behind a raw MIDI device, as an instrument behind a MIDI
// interface: it drains the device's input at the wire rate (times --speed),
// so a sender that writes faster than that fills the kernel's buffer and
// loses what does not fit, as it would with real hardware, and writes each
// message of the instrument once its last byte has crossed the cable.

#include <string>

#include "a6_emulator/bridge.h"
#include "a6_emulator/emulator_endpoint.h"
#include "a6_emulator/message_log.h"

typedef struct _snd_rawmidi snd_rawmidi_t;

namespace patchwarden::a6_emulator_program {

class rawmidi_bridge : public bridge {
public:
    // speed: the multiple of the wire rate; 0 drains as fast as it can.
    rawmidi_bridge(a6_emulator& emulator, message_log& log, double speed);
    ~rawmidi_bridge() override;

    // Opens the device ("hw:1,0") both ways; false with error set.
    bool open(const std::string& device, std::string& error);
    void run() override;
    std::string where() const override;

private:
    void send(std::span<const std::uint8_t> message);
    // Waits until the device has bytes to read or the stop signal; false on
    // the stop signal or a failure.
    bool wait_readable();

    message_log& log_;
    double speed_;
    emulator_endpoint endpoint_;
    std::string device_;
    snd_rawmidi_t* in_ = nullptr;
    snd_rawmidi_t* out_ = nullptr;
};

}  // namespace patchwarden::a6_emulator_program

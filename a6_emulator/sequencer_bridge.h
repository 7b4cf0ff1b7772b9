#pragma once

// a6-emulator as an ALSA sequencer client "A6 emulator" with one port that
// other clients connect to in both directions. SysEx from any client
// connected to it goes to the instrument, as on a MIDI merge; what the
// instrument sends goes to every client connected to read from it, in
// events of 256 bytes as the kernel delivers a hardware port's SysEx. A
// reader whose input is full is waited for: nothing is dropped.

#include <mutex>
#include <string>

#include "a6_emulator/bridge.h"
#include "a6_emulator/emulator_endpoint.h"
#include "a6_emulator/message_log.h"

typedef struct _snd_seq snd_seq_t;

namespace patchwarden::a6_emulator_program {

inline constexpr char sequencer_client_name[] = "A6 emulator";

class sequencer_bridge : public bridge {
public:
    sequencer_bridge(a6_emulator& emulator, message_log& log);
    ~sequencer_bridge() override;

    // Registers the client and its port; false with error set.
    bool open(std::string& error);
    void run() override;
    std::string where() const override;

private:
    void send(std::span<const std::uint8_t> message);
    void read_events();

    message_log& log_;
    emulator_endpoint endpoint_;
    snd_seq_t* seq_ = nullptr;
    std::mutex seq_lock_;
    int client_ = -1;
    int port_ = -1;
};

}  // namespace patchwarden::a6_emulator_program

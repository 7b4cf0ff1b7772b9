#pragma once

// The ALSA sequencer back end: the ports other programs and the kernel offer,
// reached through one sequencer client named "Patchwarden" with one port per
// open direction. An input takes only what the chosen device sends; an
// output paces what it writes to the MIDI wire rate (see slice_sender.h).
// Without /dev/snd/seq it lists no devices.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midi/alsa/alsa_logic.h"
#include "midi/alsa/slice_sender.h"
#include "midi/device_list.h"
#include "midi/midi_device.h"

typedef struct _snd_seq snd_seq_t;

namespace patchwarden {

class alsa_system : public midi_system, public refreshable {
public:
    // wire_speed: the multiple of the MIDI wire rate output is paced at; 1
    // for real instruments, more to run tests faster, 0 for no pacing.
    explicit alsa_system(double wire_speed = 1.0);
    ~alsa_system() override;
    alsa_system(const alsa_system&) = delete;
    alsa_system& operator=(const alsa_system&) = delete;

    // Whether the sequencer could be opened.
    bool available() const { return seq_ != nullptr; }
    // The program's own sequencer client number; -1 without a sequencer.
    int client_id() const { return own_client_; }

    void refresh() override;
    int input_count() override;
    int output_count() override;
    midi_result input_name(int device, std::u16string& text) override;
    midi_result output_name(int device, std::u16string& text) override;
    midi_result open_input(int device, midi_in_proc callback, void* instance,
                           std::unique_ptr<midi_input>& opened) override;
    midi_result open_output(int device, std::unique_ptr<midi_output>& opened) override;

private:
    class input_device;
    class output_device;

    struct listed_port {
        int client;
        int port;
        std::u16string name;
    };

    double wire_speed_;
    snd_seq_t* seq_ = nullptr;
    int own_client_ = -1;
    // Guards every call on seq_ from the receive thread and the send thread.
    std::mutex seq_lock_;
    std::mutex list_lock_;
    std::vector<listed_port> inputs_;
    std::vector<listed_port> outputs_;
};

}  // namespace patchwarden

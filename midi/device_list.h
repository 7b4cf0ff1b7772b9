#pragma once

// The program's device list: the platform back end's devices followed, when
// the program runs with the emulator option, by the built-in emulator's
// input and output. The counts are taken by refresh() (the configuration
// dialog calls it when it opens), so positions stay stable while a dialog
// shows them even if devices come and go meanwhile; a device that went away
// simply fails to open.

#include <memory>
#include <vector>

#include "midi/midi_device.h"

namespace patchwarden {

class device_list : public midi_system {
public:
    // Either may be null. Neither is owned; both must outlive the list and
    // every device opened through it.
    device_list(midi_system* platform, midi_system* emulator);

    // Takes the devices' counts afresh (and lets a back end that keeps a
    // snapshot of its own refresh it first).
    void refresh();

    int input_count() override;
    int output_count() override;
    midi_result input_name(int device, std::u16string& text) override;
    midi_result output_name(int device, std::u16string& text) override;
    midi_result open_input(int device, midi_in_proc callback, void* instance,
                           std::unique_ptr<midi_input>& opened) override;
    midi_result open_output(int device, std::unique_ptr<midi_output>& opened) override;

private:
    struct part {
        midi_system* system;
        int inputs;
        int outputs;
    };
    // The back end and position within it of a position of the list.
    midi_system* locate(int device, bool input, int& local);

    std::vector<part> parts_;
};

// A back end whose device set changes while the program runs keeps a
// snapshot, refreshed through this interface.
class refreshable {
public:
    virtual ~refreshable() = default;
    virtual void refresh() = 0;
};

}  // namespace patchwarden

#include "midi/device_list.h"

namespace patchwarden {

device_list::device_list(midi_system* platform, midi_system* emulator) {
    if (platform) parts_.push_back({platform, 0, 0});
    if (emulator) parts_.push_back({emulator, 0, 0});
    refresh();
}

void device_list::refresh() {
    for (part& p : parts_) {
        if (auto* r = dynamic_cast<refreshable*>(p.system)) r->refresh();
        p.inputs = p.system->input_count();
        p.outputs = p.system->output_count();
    }
}

int device_list::input_count() {
    int n = 0;
    for (const part& p : parts_) n += p.inputs;
    return n;
}

int device_list::output_count() {
    int n = 0;
    for (const part& p : parts_) n += p.outputs;
    return n;
}

midi_system* device_list::locate(int device, bool input, int& local) {
    if (device < 0) return nullptr;
    for (const part& p : parts_) {
        const int count = input ? p.inputs : p.outputs;
        if (device < count) {
            local = device;
            return p.system;
        }
        device -= count;
    }
    return nullptr;
}

midi_result device_list::input_name(int device, std::u16string& text) {
    int local = 0;
    midi_system* s = locate(device, true, local);
    return s ? s->input_name(local, text) : midi_result::error;
}

midi_result device_list::output_name(int device, std::u16string& text) {
    int local = 0;
    midi_system* s = locate(device, false, local);
    return s ? s->output_name(local, text) : midi_result::error;
}

midi_result device_list::open_input(int device, midi_in_proc callback, void* instance,
                                    std::unique_ptr<midi_input>& opened) {
    int local = 0;
    midi_system* s = locate(device, true, local);
    return s ? s->open_input(local, callback, instance, opened) : midi_result::error;
}

midi_result device_list::open_output(int device, std::unique_ptr<midi_output>& opened) {
    int local = 0;
    midi_system* s = locate(device, false, local);
    return s ? s->open_output(local, opened) : midi_result::error;
}

}  // namespace patchwarden

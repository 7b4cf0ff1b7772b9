#include "midi/transport/sysex_in.h"

#include <chrono>
#include <iterator>

#include "data/text.h"
#include "midi/sysex_error.h"
#include "midi/transport/device_name.h"

namespace patchwarden {

sysex_in::sysex_in(midi_system& system, error_sink& errors, transport_clock& clock)
    : system_(system), errors_(errors), clock_(clock) {}

sysex_in::~sysex_in() {
    try {
        shutdown();
    } catch (const sysex_error&) {
        // Nobody is left to tell at the end of the run. The device may still
        // be running: close it now, while the queue, lock and buffer its
        // callback writes to still exist, not after them.
        if (handle) {
            resetting_ = true;
            handle->reset();
            handle->close();
            handle.reset();
        }
    }
}

void sysex_in::dev_string(midi_system& system, int device, int max_chars, std::u16string& text) {
    std::u16string name;
    if (system.input_name(device, name) != midi_result::ok)
        throw sysex_error(u"sysex_in::dev_string - unable to get device params");
    cut_device_name(name, max_chars, text);
}

void sysex_in::dev_string(const midi_input& device, int max_chars, std::u16string& text) {
    std::u16string name;
    if (device.name(name) != midi_result::ok)
        throw sysex_error(u"sysex_in::dev_string - unable to get device params");
    cut_device_name(name, max_chars, text);
}

void sysex_in::init(int device) {
    // Callers shut down first; one that does not would otherwise leave the
    // running device behind without its buffer. The notification the caller
    // has just set survives that shutdown.
    const data_callback notify = on_data;
    shutdown();
    on_data = notify;
    header = midi_header{};
    header.data = buffer.data();
    header.buffer_length = sysex_in_buffer_size;
    // A fresh, non-signalled event for this opening.
    data_event.reset();
    resetting_ = false;

    std::unique_ptr<midi_input> opened;
    if (system_.open_input(device, &sysex_in::MidiInProc, this, opened) != midi_result::ok ||
        !opened) {
        // A closed port carries no notification: a later opening by someone
        // else (the search for the A6) must not report to this caller.
        on_data = nullptr;
        is_open = false;
        return;
    }
    handle = std::move(opened);
    if (handle->prepare_header(header) != midi_result::ok) {
        close_after_failed_start();
        throw sysex_error(u"sysex_in::init - unable to prepare header");
    }
    if (handle->add_buffer(header) != midi_result::ok) {
        close_after_failed_start();
        throw sysex_error(u"sysex_in::init - unable to add buffer");
    }
    if (handle->start() != midi_result::ok) {
        close_after_failed_start();
        throw sysex_error(u"sysex_in::init - unable to start device");
    }
    is_open = true;
}

// A device that opened but would not start is closed again rather than left
// running behind an object that reads as closed.
void sysex_in::close_after_failed_start() {
    resetting_ = true;
    handle->reset();
    for (int tries = 0; tries < unprepare_attempts; ++tries) {
        if (handle->unprepare_header(header) != midi_result::still_playing) break;
        clock_.sleep_ms(1);
    }
    handle->close();
    handle.reset();
    on_data = nullptr;
    is_open = false;
}

void sysex_in::shutdown() {
    if (!is_open) {
        on_data = nullptr;
        return;
    }
    resetting_ = true;
    if (handle->reset() != midi_result::ok) {
        resetting_ = false;  // still running: messages still count
        throw sysex_error(u"sysex_in::shutdown - unable to reset device");
    }
    // The reset hands the buffer back; a device that keeps it would
    // otherwise hold Quit for ever.
    for (int tries = 1;; ++tries) {
        const midi_result r = handle->unprepare_header(header);
        if (r == midi_result::ok) break;
        if (r != midi_result::still_playing || tries >= unprepare_attempts)
            throw sysex_error(u"sysex_in::shutdown - unable to uprepare heander");
        clock_.sleep_ms(1);
    }
    if (handle->close() != midi_result::ok)
        throw sysex_error(u"sysex_in::shutdown - unable to close device");
    handle.reset();
    on_data = nullptr;
    is_open = false;
}

bool sysex_in::wait_for_data() {
    if (!is_open) return false;
    return data_event.wait(std::chrono::milliseconds(200));
}

void sysex_in::get_data(byte_vector& out) {
    if (!is_open) return;
    std::lock_guard guard(lock);
    if (queue.empty()) return;
    out = std::move(queue.front());
    queue.pop_front();
    if (queue.empty()) data_event.reset();
}

std::size_t sysex_in::queued() {
    std::lock_guard guard(lock);
    return queue.size();
}

std::deque<byte_vector> sysex_in::set_aside() {
    std::deque<byte_vector> taken;
    std::lock_guard guard(lock);
    taken.swap(queue);
    data_event.reset();
    return taken;
}

void sysex_in::put_back(std::deque<byte_vector> blocks) {
    if (blocks.empty()) return;
    std::lock_guard guard(lock);
    queue.insert(queue.begin(), std::make_move_iterator(blocks.begin()),
                 std::make_move_iterator(blocks.end()));
    data_event.set();
}

void sysex_in::drop_waiting() {
    std::lock_guard guard(lock);
    queue.clear();
    data_event.reset();
}

// Gives a buffer that came back with a message to the device again.
void sysex_in::hand_back(midi_input& device, midi_header& returned) {
    returned.bytes_recorded = 0;
    if (device.add_buffer(returned) != midi_result::ok)
        errors_.report(u"sysex_in::MidiInProc - unable to add buffer");
}

void sysex_in::MidiInProc(midi_input& device, std::uint32_t message, void* instance,
                          midi_header* header) {
    auto* self = static_cast<sysex_in*>(instance);
    switch (message) {
        case mim_longdata: {
            // A buffer handed back by a reset holds no message, at most the
            // start of one, and must stay with us for the device to close.
            if (self->resetting_) return;
            const auto n = static_cast<std::int32_t>(header->bytes_recorded);
            if (n <= 0) return;
            byte_vector block(header->data, header->data + n);
            {
                std::lock_guard guard(self->lock);
                self->queue.push_back(std::move(block));
                self->data_event.set();
            }
            if (self->on_data) self->on_data(self->on_data_arg);
            self->hand_back(device, *header);
            return;
        }
        case mim_error:
            self->errors_.report(u"sysex_in::MidiInProc - recieved MIM_ERROR");
            return;
        case mim_longerror:
            // An invalid or incomplete message: nothing is queued, but the
            // buffer goes back to the device, which otherwise holds none and
            // stays deaf until the input is opened again (not during a
            // reset, though).
            if (header && !self->resetting_) self->hand_back(device, *header);
            return;
        case mim_open:
        case mim_close:
        case mim_data:
            return;
        default:
            self->errors_.report(
                fill(u"sysex_in::MidiInProc - recieved unknown message %X", {hexadecimal(message)}));
            return;
    }
}

}  // namespace patchwarden

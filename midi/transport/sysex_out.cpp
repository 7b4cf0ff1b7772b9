#include "midi/transport/sysex_out.h"

#include <algorithm>
#include <system_error>

#include "midi/sysex_error.h"
#include "midi/transport/device_name.h"

namespace patchwarden {

sysex_out::sysex_out(midi_system& system, error_sink& errors, transport_clock& clock)
    : system_(system), errors_(errors), clock_(clock) {}

sysex_out::~sysex_out() {
    try {
        shutdown();
    } catch (const sysex_error&) {
        // Nobody is left to tell at the end of the run.
    }
    if (thread.joinable()) thread.join();
}

void sysex_out::dev_string(midi_system& system, int device, int max_chars, std::u16string& text) {
    std::u16string name;
    if (system.output_name(device, name) != midi_result::ok)
        throw sysex_error(u"sysex_out::dev_string - unable to get device params");
    cut_device_name(name, max_chars, text);
}

void sysex_out::dev_string(const midi_output& device, int max_chars, std::u16string& text) {
    std::u16string name;
    if (device.name(name) != midi_result::ok)
        throw sysex_error(u"sysex_out::dev_string - unable to get device params");
    cut_device_name(name, max_chars, text);
}

void sysex_out::init(int device, std::int32_t new_buffer_size, std::int32_t new_pause_ms) {
    // Callers shut down first; one that does not would otherwise replace a
    // running send thread, which ends the process. The progress report the
    // caller has just set survives that shutdown.
    const progress_callback notify = on_progress;
    shutdown();
    on_progress = notify;
    shown_ = 0;
    // Fresh, non-signalled events for this opening.
    transfer_event.reset();
    shutdown_event.reset();

    std::unique_ptr<midi_output> opened;
    if (system_.open_output(device, opened) != midi_result::ok || !opened) {
        // A closed port carries no notification (see sysex_in::init).
        on_progress = nullptr;
        is_open = false;
        return;
    }
    handle = std::move(opened);
    // A chunk of no bytes would never advance and a negative pause is no
    // pause at all: such values fall back to the defaults.
    buffer_size = new_buffer_size < 1 ? default_buffer_size : new_buffer_size;
    pause_ms = new_pause_ms < 0 ? default_pause_ms : new_pause_ms;
    is_open = true;
    try {
        thread = std::thread(&sysex_out::SendAsyncThread, this);
    } catch (const std::system_error&) {
        throw sysex_error(u"sysex_out::init - unable to create thread");
    }
}

void sysex_out::shutdown() {
    if (!is_open) {
        on_progress = nullptr;
        return;
    }
    shutdown_event.set();
    if (thread.joinable()) {
        try {
            thread.join();
        } catch (const std::system_error&) {
            throw sysex_error(u"sysex_out::shutdown - thread wait abandoned");
        }
    }
    if (handle && handle->close() != midi_result::ok)
        throw sysex_error(u"sysex_out::shutdown - unable to close device");
    handle.reset();
    {
        std::lock_guard guard(lock);
        for (const byte_vector& waiting : queue) discard(static_cast<std::int64_t>(waiting.size()));
        queue.clear();
    }
    on_progress = nullptr;
    is_open = false;
}

void sysex_out::send_async(const byte_vector& bytes) {
    if (!is_open) return;
    std::lock_guard guard(lock);
    queue.push_back(bytes);
    transfer_event.set();
}

std::size_t sysex_out::queued() {
    std::lock_guard guard(lock);
    return queue.size();
}

int sysex_out::SendAsyncThread(sysex_out* self) {
    for (;;) {
        if (auto_reset_event::wait_any({&self->transfer_event, &self->shutdown_event}) == 1)
            return 1;
        while (self->is_open) {
            byte_vector local;
            {
                std::lock_guard guard(self->lock);
                if (self->queue.empty()) break;
                local = std::move(self->queue.front());
                self->queue.pop_front();
                self->transfer_event.reset();
            }
            if (self->send(local.data(), static_cast<std::int32_t>(local.size()))) return 1;
            self->pause();
        }
    }
}

// A shutdown cuts the pause short; it still finds its signal at the next test
// after a chunk, so at most one more chunk goes out.
void sysex_out::pause() { clock_.pause_ms(pause_ms, shutdown_event); }

void sysex_out::discard(std::int64_t bytes) {
    if (on_progress) discarded_bytes_ += bytes;
}

void sysex_out::report(failure which, const char16_t* text) {
    if (shown_ & which) return;
    shown_ |= which;
    errors_.report(text);
}

namespace {

// Milliseconds a chunk takes on the MIDI wire (0.32 a byte), rounded up.
std::int64_t wire_ms(std::int32_t bytes) { return (static_cast<std::int64_t>(bytes) * 8 + 24) / 25; }

}  // namespace

sysex_out::chunk_end sysex_out::wait_until_done(midi_header& header, std::int32_t chunk,
                                                unsigned& failures) {
    const std::int64_t playing = 2 * wire_ms(chunk);
    std::int64_t limit = playing + still_playing_slack_ms;
    bool stopping = false;
    int errors = 0;
    for (std::int64_t polls = 0;; ++polls) {
        const midi_result r = handle->unprepare_header(header);
        if (r == midi_result::ok) return chunk_end::done;
        if (r != midi_result::still_playing) {
            failures |= unprepare_failed;
            report(unprepare_failed, u"sysex_out::send - unable to uprepare heander");
            if (++errors >= unprepare_attempts) return chunk_end::lost;
        }
        if (!stopping && shutdown_event.is_set()) {
            stopping = true;
            limit = std::min(limit, polls + playing + shutdown_grace_ms);
        }
        if (polls >= limit) {
            if (stopping) return chunk_end::stopped;
            failures |= unprepare_failed;
            report(unprepare_failed, u"sysex_out::send - unable to uprepare heander");
            return chunk_end::lost;
        }
        clock_.sleep_ms(1);
    }
}

bool sysex_out::send(const std::uint8_t* bytes, std::int32_t length) {
    if (!is_open) return false;
    pause();
    if (length <= 0) return false;
    std::int32_t offset = 0;
    while (offset < length) {
        const std::int32_t chunk = buffer_size < length - offset ? buffer_size : length - offset;
        midi_header header;
        header.data = const_cast<std::uint8_t*>(bytes + offset);
        header.buffer_length = static_cast<std::uint32_t>(chunk);
        header.bytes_recorded = static_cast<std::uint32_t>(chunk);

        unsigned failures = 0;
        if (handle->prepare_header(header) != midi_result::ok) {
            failures |= prepare_failed;
            report(prepare_failed, u"sysex_out::send - unable to prepare header");
        }
        // A chunk that could not be submitted is still waited for: the device
        // may hold its header all the same.
        bool lost = false;
        if (handle->long_msg(header) != midi_result::ok) {
            failures |= submit_failed;
            report(submit_failed, u"sysex_out::send - unable to send message");
            lost = true;
        }
        const chunk_end end = wait_until_done(header, chunk, failures);
        if (end == chunk_end::stopped && !lost) {
            // Shutdown gave up on a chunk the device still held: it may
            // never have gone out, and nobody was told about it.
            discard(static_cast<std::int64_t>(length) - offset);
            return true;
        }
        if (end != chunk_end::done) lost = true;
        if (failures == 0) shown_ = 0;

        if (lost) {
            // The rest of the buffer would fail the same way, one chunk and
            // its boxes after the other.
            const std::int32_t rest = length - offset;
            dropped_bytes_ += rest;
            if (on_progress) on_progress(on_progress_arg, rest, offset, length);
            return shutdown_event.wait(std::chrono::milliseconds(0));
        }
        if (on_progress) on_progress(on_progress_arg, chunk, offset, length);
        if (shutdown_event.wait(std::chrono::milliseconds(0))) {
            discard(static_cast<std::int64_t>(length) - offset - chunk);
            return true;
        }
        pause();
        // Chunks never exceed what is left, so this cannot pass length by
        // more than buffer_size; kept in 64 bits against overflow near the
        // 32-bit limit.
        const std::int64_t next = static_cast<std::int64_t>(offset) + buffer_size;
        if (next >= length) break;
        offset = static_cast<std::int32_t>(next);
    }
    return false;
}

}  // namespace patchwarden

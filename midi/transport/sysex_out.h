#pragma once

// Sends SysEx data to one MIDI output device. Callers queue whole buffers
// with send_async and return at once; the send thread (SendAsyncThread)
// takes them in order and hands each to the device in chunks of buffer_size
// bytes with a pause of pause_ms around every chunk, waits for the device to
// finish each chunk and reports progress after each one.
//
// A chunk the device fails to take (its submission fails, or the device
// answers with errors or keeps it playing far longer than the wire needs)
// ends its buffer: the rest of that buffer is dropped, counted in
// dropped_bytes() and reported through on_progress like sent bytes, so that
// whoever adds up the progress still reaches the total it queued. Each failing operation shows its box once; while the device keeps
// failing (it was unplugged in the middle of a bank), the same box is not
// shown again until a chunk has gone through cleanly.
//
// Bytes that shutdown cuts off are counted instead: the buffers still queued
// and the unsent rest of the buffer in progress (with the chunk that was
// still playing when shutdown gave up on it). For every byte queued while
// on_progress is set, exactly one thing happens: it is reported through
// on_progress (sent, or dropped after a device failure), or it is counted in
// take_discarded_bytes(). on_progress is set before init and left alone
// while the object is open.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "data/bytes.h"
#include "midi/transport/auto_reset_event.h"
#include "midi/error_sink.h"
#include "midi/midi_device.h"
#include "midi/transport/transport_clock.h"

namespace patchwarden {

// The settings the configuration dialog passes unless told otherwise.
inline constexpr std::int32_t default_buffer_size = 1024;
inline constexpr std::int32_t default_pause_ms = 20;

// A chunk takes 0.32 ms a byte on the MIDI wire. A device may keep one
// playing for twice that plus still_playing_slack_ms before send gives it
// up as lost; once shutdown is signalled, for twice that plus
// shutdown_grace_ms more at most, so that the chunk in progress can still
// finish but a device that keeps it does not hold the program's end.
inline constexpr std::int64_t still_playing_slack_ms = 1000;
inline constexpr std::int64_t shutdown_grace_ms = 100;

class sysex_out {
public:
    using progress_callback = void (*)(void* arg, std::int32_t chunk_bytes,
                                       std::int32_t chunk_offset, std::int32_t total_bytes);

    sysex_out(midi_system& system, error_sink& errors,
              transport_clock& clock = default_transport_clock());
    ~sysex_out();
    sysex_out(const sysex_out&) = delete;
    sysex_out& operator=(const sysex_out&) = delete;

    static void dev_string(midi_system& system, int device, int max_chars, std::u16string& text);
    static void dev_string(const midi_output& device, int max_chars, std::u16string& text);

    // Opens output device `device`, stores the settings and starts the send
    // thread. A device that will not open leaves the object closed without a
    // word, with on_progress null, and the settings as they were. A buffer
    // size below 1 becomes default_buffer_size and a negative pause
    // default_pause_ms. An object still open is shut down first, and
    // on_progress is kept.
    void init(int device, std::int32_t buffer_size, std::int32_t pause_ms);
    // Stops the send thread (at most one more chunk goes out; a pause in
    // progress ends early), closes the device and discards what was still
    // queued. It clears on_progress, also when the object is already closed.
    void shutdown();
    // Queues a copy of bytes; dropped when the object is closed.
    void send_async(const byte_vector& bytes);
    // Buffers waiting in the queue (read under lock).
    std::size_t queued();
    // Bytes dropped after the device failed a chunk, over the object's life.
    std::int64_t dropped_bytes() const { return dropped_bytes_; }
    // Bytes queued while on_progress was set that shutdown discarded without
    // reporting them, since the last call; the count starts again at 0.
    std::int64_t take_discarded_bytes() { return discarded_bytes_.exchange(0); }

    // Send thread only: sends length bytes from bytes; true when it stopped
    // because of shutdown_event.
    bool send(const std::uint8_t* bytes, std::int32_t length);
    static int SendAsyncThread(sysex_out* self);

    std::unique_ptr<midi_output> handle;
    bool is_open = false;
    std::deque<byte_vector> queue;
    auto_reset_event transfer_event;
    auto_reset_event shutdown_event;
    std::mutex lock;
    std::thread thread;
    std::int32_t buffer_size = 0;
    std::int32_t pause_ms = 0;
    progress_callback on_progress = nullptr;
    void* on_progress_arg = nullptr;

private:
    // What failed, as bits of shown_.
    enum failure : unsigned { prepare_failed = 1, submit_failed = 2, unprepare_failed = 4 };

    enum class chunk_end { done, lost, stopped };
    // Polls the device every 1 ms until it gives the chunk back (done). lost
    // when it answered with errors unprepare_attempts times or kept the
    // chunk playing past its bound; stopped when shutdown is signalled and
    // the chunk is still playing after its grace.
    chunk_end wait_until_done(midi_header& header, std::int32_t chunk, unsigned& failures);
    // Shows text unless the same failure was shown since the last clean
    // chunk.
    void report(failure which, const char16_t* text);
    void pause();
    // Counts bytes cut off by shutdown that nobody was told about.
    void discard(std::int64_t bytes);

    midi_system& system_;
    error_sink& errors_;
    transport_clock& clock_;
    // Send thread only (and init before the thread starts).
    unsigned shown_ = 0;
    std::atomic<std::int64_t> dropped_bytes_{0};
    std::atomic<std::int64_t> discarded_bytes_{0};
};

}  // namespace patchwarden

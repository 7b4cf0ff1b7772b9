#pragma once

// Receives System Exclusive messages from one MIDI input device. The device's
// callback (MidiInProc, on the back end's thread) copies each completed
// message into a first-in first-out queue of blocks, signals data_event and
// calls on_data; the user interface thread takes the blocks out one at a
// time with get_data.
//
// The 16 MiB buffer is part of the object, so an instance is large: make it
// static or on the heap, never on a stack.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "data/bytes.h"
#include "midi/transport/auto_reset_event.h"
#include "midi/error_sink.h"
#include "midi/midi_device.h"
#include "midi/transport/transport_clock.h"

namespace patchwarden {

inline constexpr std::uint32_t sysex_in_buffer_size = 16777216;

class sysex_in {
public:
    using data_callback = void (*)(void* arg);

    sysex_in(midi_system& system, error_sink& errors,
             transport_clock& clock = default_transport_clock());
    ~sysex_in();
    sysex_in(const sysex_in&) = delete;
    sysex_in& operator=(const sysex_in&) = delete;

    // The name of input device `device` (a position in system's list), or of
    // an open device, cut to max_chars - 1 units (max_chars counts the
    // terminating zero of the platform's text buffers).
    static void dev_string(midi_system& system, int device, int max_chars, std::u16string& text);
    static void dev_string(const midi_input& device, int max_chars, std::u16string& text);

    // Opens input device `device` and starts input. A device that will not
    // open leaves the object closed without a word. Callers shut down first;
    // an object still open is shut down here, and on_data is kept. A closed
    // object keeps no notification: when init leaves it closed (the device
    // would not open or start), on_data is null.
    void init(int device);
    // Stops and closes the device and clears on_data, which it also does
    // when the object is already closed. The queue stays. The buffer the
    // reset hands back is neither queued nor given to the device again, even
    // holding bytes (the part of a dump that had arrived); a device that
    // still holds it after unprepare_attempts tries fails the shutdown.
    void shutdown();
    // True if a block was queued since the signal was last consumed or
    // reset, waiting at most 200 ms.
    bool wait_for_data();
    // Moves the oldest block into out; out is left alone when there is none.
    void get_data(byte_vector& out);
    // Blocks waiting in the queue (read under lock).
    std::size_t queued();
    // Takes every waiting block out of the queue, oldest first, and
    // withdraws the signal; for someone who must read only what arrives from
    // now on and give the earlier blocks back afterwards.
    std::deque<byte_vector> set_aside();
    // Puts blocks set aside back in front of the queue, ahead of whatever
    // arrived since, and signals them.
    void put_back(std::deque<byte_vector> blocks);
    // Drops every waiting block and withdraws the signal.
    void drop_waiting();

    static void MidiInProc(midi_input& device, std::uint32_t message, void* instance,
                           midi_header* header);

    std::unique_ptr<midi_input> handle;
    midi_header header;
    std::array<std::uint8_t, sysex_in_buffer_size> buffer;
    std::deque<byte_vector> queue;
    auto_reset_event data_event;
    std::mutex lock;
    bool is_open = false;
    data_callback on_data = nullptr;
    void* on_data_arg = nullptr;

private:
    void close_after_failed_start();
    void hand_back(midi_input& device, midi_header& returned);

    midi_system& system_;
    error_sink& errors_;
    transport_clock& clock_;
    // Set while the device is being reset: what it hands back then is not a
    // message. Read by the callback's thread.
    std::atomic<bool> resetting_{false};
};

}  // namespace patchwarden

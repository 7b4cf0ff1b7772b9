#pragma once

// The MIDI device interface the transport reaches the hardware through: a
// device list and one small class per direction. Each back end (the ALSA
// sequencer, the built-in A6 emulator, the Windows multimedia service)
// provides them.
//
// Every operation answers with a midi_result: ok, still_playing (the device
// still holds a buffer) or error. Callers test for ok, for still_playing
// where stated, and treat anything else as failure.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace patchwarden {

enum class midi_result : int {
    ok = 0,
    error = 1,
    still_playing = 65,
};

// How many times the transport asks a device for a buffer back that it
// keeps refusing (an output answering with errors, an input still holding
// its buffer after a reset) before it gives up on it.
inline constexpr int unprepare_attempts = 50;

// Message numbers of the input callback.
enum midi_in_message : std::uint32_t {
    mim_open = 0x3C1,
    mim_close = 0x3C2,
    mim_data = 0x3C3,
    mim_longdata = 0x3C4,
    mim_error = 0x3C5,
    mim_longerror = 0x3C6,
};

// One buffer handed to a device: the bytes it points at, their capacity and,
// for input, how many the device recorded. The device may write to it from
// the moment it is added until it is handed back.
struct midi_header {
    std::uint8_t* data = nullptr;
    std::uint32_t buffer_length = 0;
    std::uint32_t bytes_recorded = 0;
    std::uintptr_t user = 0;
    std::uint32_t flags = 0;
    std::uint32_t offset = 0;
};

class midi_input;

// The input callback. It runs on the back end's own thread: mim_longdata
// with the buffer's header when a complete SysEx message (0xF0 to 0xF7) has
// been written into it, or with bytes_recorded 0 when a reset hands the
// buffer back; mim_longerror with the header when the buffer comes back
// holding an invalid or incomplete message; mim_error when the device reports
// an error. A buffer that came back belongs to the caller again until it adds
// it once more.
using midi_in_proc = void (*)(midi_input& device, std::uint32_t message, void* instance,
                              midi_header* header);

class midi_input {
public:
    virtual ~midi_input() = default;
    // The device's display name.
    virtual midi_result name(std::u16string& text) const = 0;
    virtual midi_result prepare_header(midi_header& header) = 0;
    // Hands a buffer to the device for the next complete message. One
    // buffer is held at a time.
    virtual midi_result add_buffer(midi_header& header) = 0;
    virtual midi_result start() = 0;
    // Stops input; a held buffer comes back through the callback with no
    // bytes before this returns or soon after.
    virtual midi_result reset() = 0;
    // ok once the device no longer holds the buffer, still_playing while it
    // does.
    virtual midi_result unprepare_header(midi_header& header) = 0;
    // Closes the device; no callback runs after it returned.
    virtual midi_result close() = 0;
};

class midi_output {
public:
    virtual ~midi_output() = default;
    virtual midi_result name(std::u16string& text) const = 0;
    virtual midi_result prepare_header(midi_header& header) = 0;
    // Queues a slice of a SysEx byte stream (1 byte up to the buffer size,
    // not necessarily a whole message) for the wire.
    virtual midi_result long_msg(midi_header& header) = 0;
    // ok once the slice has been handed to the wire, still_playing before.
    virtual midi_result unprepare_header(midi_header& header) = 0;
    // Closes the device; no slice is in it at that time.
    virtual midi_result close() = 0;
};

// A list of devices. Positions run from 0 to the count less one and stay
// valid until the list is refreshed.
class midi_system {
public:
    virtual ~midi_system() = default;
    virtual int input_count() = 0;
    virtual int output_count() = 0;
    virtual midi_result input_name(int device, std::u16string& text) = 0;
    virtual midi_result output_name(int device, std::u16string& text) = 0;
    // On failure device stays empty; the caller accepts that silently.
    virtual midi_result open_input(int device, midi_in_proc callback, void* instance,
                                   std::unique_ptr<midi_input>& opened) = 0;
    virtual midi_result open_output(int device, std::unique_ptr<midi_output>& opened) = 0;
};

}  // namespace patchwarden

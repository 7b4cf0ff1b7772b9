#pragma once

// The Windows back end's input device. The transport hands it one buffer,
// big enough for any message, and takes each complete message in it alone.
// The service is given buffers of the back end's own instead, several at
// once: a message that arrives while the one before is still with the
// transport finds a buffer queued, where a service holding none drops it
// without a word (Wine's does). The bytes the service records are joined
// until a message ends (0xF7), and each message is copied into the
// transport's buffer once the transport has given that back.
//
// A reset gives the transport's buffer back without bytes, and returns only
// once the service has handed back each of its buffers through the
// callback, so that no callback of the service comes after the device is
// closed.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "data/bytes.h"
#include "midi/midi_device.h"

namespace patchwarden {

struct winmm_api;

// The buffers the service holds at once, and the bytes of each.
inline constexpr std::size_t winmm_input_buffers = 8;
inline constexpr std::size_t winmm_input_buffer_size = 64 * 1024;

class winmm_input : public midi_input {
public:
    winmm_input(const winmm_api& api, midi_in_proc callback, void* instance);
    ~winmm_input() override;
    winmm_input(const winmm_input&) = delete;
    winmm_input& operator=(const winmm_input&) = delete;

    MMRESULT open(UINT device);

    midi_result name(std::u16string& text) const override;
    midi_result prepare_header(midi_header& header) override;
    midi_result add_buffer(midi_header& header) override;
    midi_result start() override;
    midi_result reset() override;
    midi_result unprepare_header(midi_header& header) override;
    midi_result close() override;

private:
    struct slot {
        MIDIHDR header{};
        std::vector<std::uint8_t> bytes;
        bool prepared = false;
        bool with_service = false;  // added, and not yet handed back
    };

    static void CALLBACK proc(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR);
    void returned(HMIDIIN handle, const MIDIHDR* header, bool holds_message);
    void take(const std::uint8_t* bytes, std::size_t count);
    void deliver();
    bool all_back() const;

    const winmm_api& api_;
    HMIDIIN handle_ = nullptr;
    midi_in_proc callback_;
    void* instance_;

    std::mutex lock_;
    std::condition_variable came_back_;
    std::array<slot, winmm_input_buffers> slots_;
    midi_header* ours_ = nullptr;  // the transport's buffer
    bool ours_here_ = false;       // given to us, and holding no message yet
    bool refused_ = false;         // the service would not take a buffer back
    bool resetting_ = false;       // from a reset until input starts again
    byte_vector partial_;          // the message coming in
    std::deque<byte_vector> complete_;  // messages waiting for the transport's buffer
};

}  // namespace patchwarden

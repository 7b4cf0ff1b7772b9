#include "midi/winmm/winmm_input.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "midi/winmm/winmm_api.h"

namespace patchwarden {

namespace {

// How long a reset waits for the service to hand back its buffers.
constexpr auto reset_patience = std::chrono::seconds(5);

}  // namespace

winmm_input::winmm_input(const winmm_api& api, midi_in_proc callback, void* instance)
    : api_(api), callback_(callback), instance_(instance) {}

winmm_input::~winmm_input() { close(); }

MMRESULT winmm_input::open(UINT device) {
    const MMRESULT r = api_.in_open(&handle_, device, reinterpret_cast<DWORD_PTR>(&winmm_input::proc),
                                    reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    if (r != MMSYSERR_NOERROR) handle_ = nullptr;
    return r;
}

midi_result winmm_input::name(std::u16string& text) const {
    return device_name<MIDIINCAPSW>(api_.in_get_dev_caps, reinterpret_cast<UINT_PTR>(handle_), text);
}

midi_result winmm_input::prepare_header(midi_header& header) {
    std::lock_guard guard(lock_);
    ours_ = &header;
    for (slot& s : slots_) {
        if (s.prepared) continue;
        s.bytes.resize(winmm_input_buffer_size);
        s.header = MIDIHDR{};
        s.header.lpData = reinterpret_cast<LPSTR>(s.bytes.data());
        s.header.dwBufferLength = static_cast<DWORD>(s.bytes.size());
        if (api_.in_prepare_header(handle_, &s.header, sizeof(MIDIHDR)) != MMSYSERR_NOERROR)
            return midi_result::error;
        s.prepared = true;
    }
    return midi_result::ok;
}

// The transport gives its buffer (back) for the next message; the service
// is given every buffer of ours that it does not hold yet.
midi_result winmm_input::add_buffer(midi_header& header) {
    {
        std::lock_guard guard(lock_);
        ours_ = &header;
        ours_here_ = true;
        if (std::exchange(refused_, false)) return midi_result::error;
        if (resetting_) return midi_result::ok;
        for (slot& s : slots_) {
            if (!s.prepared || s.with_service) continue;
            s.header.dwBytesRecorded = 0;
            if (api_.in_add_buffer(handle_, &s.header, sizeof(MIDIHDR)) != MMSYSERR_NOERROR)
                return midi_result::error;
            s.with_service = true;
        }
    }
    // Called from the transport's callback: that loop hands on what waits.
    return midi_result::ok;
}

midi_result winmm_input::start() {
    {
        std::lock_guard guard(lock_);
        resetting_ = false;
    }
    return result_of(api_.in_start(handle_));
}

midi_result winmm_input::reset() {
    {
        std::lock_guard guard(lock_);
        resetting_ = true;
        partial_.clear();
        complete_.clear();
    }
    if (api_.in_reset(handle_) != MMSYSERR_NOERROR) {
        std::lock_guard guard(lock_);
        resetting_ = false;  // input still runs
        return midi_result::error;
    }
    midi_header* give_back = nullptr;
    {
        std::unique_lock guard(lock_);
        came_back_.wait_for(guard, reset_patience, [this] { return all_back(); });
        if (std::exchange(ours_here_, false)) {
            give_back = ours_;
            give_back->bytes_recorded = 0;
        }
    }
    if (give_back) callback_(*this, mim_longdata, instance_, give_back);
    return midi_result::ok;
}

// Released once the service has handed back, and let go of, every buffer.
midi_result winmm_input::unprepare_header(midi_header&) {
    std::lock_guard guard(lock_);
    if (!all_back()) return midi_result::still_playing;
    for (slot& s : slots_) {
        if (!s.prepared) continue;
        const MMRESULT r = api_.in_unprepare_header(handle_, &s.header, sizeof(MIDIHDR));
        if (r != MMSYSERR_NOERROR) return result_of(r);
        s.prepared = false;
    }
    return midi_result::ok;
}

midi_result winmm_input::close() {
    if (!handle_) return midi_result::ok;
    const MMRESULT r = api_.in_close(handle_);
    if (r == MMSYSERR_NOERROR) handle_ = nullptr;
    return result_of(r);
}

bool winmm_input::all_back() const {
    return std::none_of(slots_.begin(), slots_.end(), [](const slot& s) { return s.with_service; });
}

// A complete message (MIM_LONGDATA) and an invalid or incomplete one
// (MIM_LONGERROR) both hand one of our buffers back; the second loses the
// message coming in. Other messages go on to the transport as they are.
void CALLBACK winmm_input::proc(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
    auto* self = reinterpret_cast<winmm_input*>(instance);
    if (message == MIM_LONGDATA || message == MIM_LONGERROR) {
        self->returned(handle, reinterpret_cast<const MIDIHDR*>(param1), message == MIM_LONGDATA);
        return;
    }
    self->callback_(*self, message, self->instance_, nullptr);
}

void winmm_input::returned(HMIDIIN handle, const MIDIHDR* header, bool holds_message) {
    slot* back = nullptr;
    {
        std::lock_guard guard(lock_);
        for (slot& s : slots_)
            if (&s.header == header) back = &s;
        if (!back) return;
        back->with_service = false;
        if (resetting_) {
            came_back_.notify_all();
            return;
        }
        if (holds_message) {
            take(reinterpret_cast<const std::uint8_t*>(back->header.lpData), back->header.dwBytesRecorded);
        } else {
            partial_.clear();
        }
        back->header.dwBytesRecorded = 0;
        back->with_service = true;
    }
    if (api_.in_add_buffer(handle, &back->header, sizeof(MIDIHDR)) != MMSYSERR_NOERROR) {
        std::lock_guard guard(lock_);
        back->with_service = false;
        refused_ = true;
        came_back_.notify_all();
    }
    deliver();
}

// Cuts the bytes into messages, each ended by 0xF7, or cut at the size of
// the transport's buffer.
void winmm_input::take(const std::uint8_t* bytes, std::size_t count) {
    const std::size_t longest = ours_ ? ours_->buffer_length : winmm_input_buffer_size;
    while (count > 0) {
        const std::size_t room = longest - partial_.size();
        const std::size_t looked_at = std::min(count, room);
        const auto* end = static_cast<const std::uint8_t*>(std::memchr(bytes, 0xF7, looked_at));
        const std::size_t taken = end ? static_cast<std::size_t>(end - bytes) + 1 : looked_at;
        partial_.insert(partial_.end(), bytes, bytes + taken);
        if (end || partial_.size() == longest) complete_.push_back(std::exchange(partial_, {}));
        bytes += taken;
        count -= taken;
    }
}

// Hands waiting messages to the transport, one at a time, while it gives
// its buffer back from its callback.
void winmm_input::deliver() {
    for (;;) {
        midi_header* header = nullptr;
        {
            std::lock_guard guard(lock_);
            if (resetting_ || !ours_here_ || complete_.empty()) return;
            const byte_vector& message = complete_.front();
            header = ours_;
            std::memcpy(header->data, message.data(), message.size());
            header->bytes_recorded = static_cast<std::uint32_t>(message.size());
            complete_.pop_front();
            ours_here_ = false;
        }
        callback_(*this, mim_longdata, instance_, header);
    }
}

}  // namespace patchwarden

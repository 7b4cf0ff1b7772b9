#include "midi/winmm/winmm_system.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <memory>

namespace patchwarden {

namespace {

midi_result result_of(MMRESULT r) {
    if (r == MMSYSERR_NOERROR) return midi_result::ok;
    if (r == MIDIERR_STILLPLAYING) return midi_result::still_playing;
    return midi_result::error;
}

std::u16string from_wide(const WCHAR* text, std::size_t capacity) {
    std::u16string out;
    for (std::size_t i = 0; i < capacity && text[i] != 0; ++i)
        out.push_back(static_cast<char16_t>(text[i]));
    return out;
}

// The service's header mirrors ours: same buffer, same counts.
void fill(MIDIHDR& h, const midi_header& from) {
    std::memset(&h, 0, sizeof h);
    h.lpData = reinterpret_cast<LPSTR>(from.data);
    h.dwBufferLength = from.buffer_length;
    h.dwBytesRecorded = from.bytes_recorded;
    h.dwUser = static_cast<DWORD_PTR>(from.user);
    h.dwFlags = 0;
}

}  // namespace

class winmm_input : public midi_input {
public:
    winmm_input(midi_in_proc callback, void* instance) : callback_(callback), instance_(instance) {}
    ~winmm_input() override { close(); }

    MMRESULT open(UINT device) {
        return midiInOpen(&handle_, device, reinterpret_cast<DWORD_PTR>(&winmm_input::proc),
                          reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    }

    midi_result name(std::u16string& text) const override {
        MIDIINCAPSW caps;
        const MMRESULT r = midiInGetDevCapsW(reinterpret_cast<UINT_PTR>(handle_), &caps, sizeof caps);
        if (r != MMSYSERR_NOERROR) return midi_result::error;
        text = from_wide(caps.szPname, MAXPNAMELEN);
        return midi_result::ok;
    }
    midi_result prepare_header(midi_header& header) override {
        ours_ = &header;
        fill(mirror_, header);
        return result_of(midiInPrepareHeader(handle_, &mirror_, sizeof mirror_));
    }
    midi_result add_buffer(midi_header& header) override {
        ours_ = &header;
        mirror_.dwBytesRecorded = 0;
        return result_of(midiInAddBuffer(handle_, &mirror_, sizeof mirror_));
    }
    midi_result start() override { return result_of(midiInStart(handle_)); }
    midi_result reset() override { return result_of(midiInReset(handle_)); }
    midi_result unprepare_header(midi_header&) override {
        return result_of(midiInUnprepareHeader(handle_, &mirror_, sizeof mirror_));
    }
    midi_result close() override {
        if (!handle_) return midi_result::ok;
        const MMRESULT r = midiInClose(handle_);
        if (r == MMSYSERR_NOERROR) handle_ = nullptr;
        return result_of(r);
    }

private:
    static void CALLBACK proc(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                              DWORD_PTR) {
        auto* self = reinterpret_cast<winmm_input*>(instance);
        midi_header* header = nullptr;
        if (message == MIM_LONGDATA || message == MIM_LONGERROR) {
            const auto* h = reinterpret_cast<const MIDIHDR*>(param1);
            if (self->ours_) {
                self->ours_->bytes_recorded = h->dwBytesRecorded;
                header = self->ours_;
            }
        }
        self->callback_(*self, message, self->instance_, header);
    }

    HMIDIIN handle_ = nullptr;
    midi_in_proc callback_;
    void* instance_;
    midi_header* ours_ = nullptr;
    MIDIHDR mirror_{};
};

class winmm_output : public midi_output {
public:
    ~winmm_output() override { close(); }

    MMRESULT open(UINT device) { return midiOutOpen(&handle_, device, 0, 0, CALLBACK_NULL); }

    midi_result name(std::u16string& text) const override {
        MIDIOUTCAPSW caps;
        const MMRESULT r = midiOutGetDevCapsW(reinterpret_cast<UINT_PTR>(handle_), &caps, sizeof caps);
        if (r != MMSYSERR_NOERROR) return midi_result::error;
        text = from_wide(caps.szPname, MAXPNAMELEN);
        return midi_result::ok;
    }
    // One chunk is in the service at a time, so one mirror header serves.
    midi_result prepare_header(midi_header& header) override {
        fill(mirror_, header);
        return result_of(midiOutPrepareHeader(handle_, &mirror_, sizeof mirror_));
    }
    midi_result long_msg(midi_header&) override {
        return result_of(midiOutLongMsg(handle_, &mirror_, sizeof mirror_));
    }
    midi_result unprepare_header(midi_header&) override {
        return result_of(midiOutUnprepareHeader(handle_, &mirror_, sizeof mirror_));
    }
    midi_result close() override {
        if (!handle_) return midi_result::ok;
        const MMRESULT r = midiOutClose(handle_);
        if (r == MMSYSERR_NOERROR) handle_ = nullptr;
        return result_of(r);
    }

private:
    HMIDIOUT handle_ = nullptr;
    MIDIHDR mirror_{};
};

int winmm_system::input_count() { return static_cast<int>(midiInGetNumDevs()); }

int winmm_system::output_count() { return static_cast<int>(midiOutGetNumDevs()); }

midi_result winmm_system::input_name(int device, std::u16string& text) {
    MIDIINCAPSW caps;
    const MMRESULT r = midiInGetDevCapsW(static_cast<UINT_PTR>(device), &caps, sizeof caps);
    if (r != MMSYSERR_NOERROR) return midi_result::error;
    text = from_wide(caps.szPname, MAXPNAMELEN);
    return midi_result::ok;
}

midi_result winmm_system::output_name(int device, std::u16string& text) {
    MIDIOUTCAPSW caps;
    const MMRESULT r = midiOutGetDevCapsW(static_cast<UINT_PTR>(device), &caps, sizeof caps);
    if (r != MMSYSERR_NOERROR) return midi_result::error;
    text = from_wide(caps.szPname, MAXPNAMELEN);
    return midi_result::ok;
}

midi_result winmm_system::open_input(int device, midi_in_proc callback, void* instance,
                                     std::unique_ptr<midi_input>& opened) {
    if (device < 0 || !callback) return midi_result::error;
    auto in = std::make_unique<winmm_input>(callback, instance);
    const MMRESULT r = in->open(static_cast<UINT>(device));
    if (r != MMSYSERR_NOERROR) return result_of(r);
    opened = std::move(in);
    return midi_result::ok;
}

midi_result winmm_system::open_output(int device, std::unique_ptr<midi_output>& opened) {
    if (device < 0) return midi_result::error;
    auto out = std::make_unique<winmm_output>();
    const MMRESULT r = out->open(static_cast<UINT>(device));
    if (r != MMSYSERR_NOERROR) return result_of(r);
    opened = std::move(out);
    return midi_result::ok;
}

}  // namespace patchwarden

#include "midi/winmm/winmm_system.h"

#include <cstring>
#include <memory>
#include <vector>

#include "midi/winmm/winmm_api.h"
#include "midi/winmm/winmm_input.h"

namespace patchwarden {

const winmm_api& system_winmm_api() {
    static const winmm_api api{
        &::midiInGetNumDevs,      &::midiInGetDevCapsW,     &::midiInOpen,
        &::midiInPrepareHeader,   &::midiInAddBuffer,       &::midiInStart,
        &::midiInReset,           &::midiInUnprepareHeader, &::midiInClose,
        &::midiOutGetNumDevs,     &::midiOutGetDevCapsW,    &::midiOutOpen,
        &::midiOutPrepareHeader,  &::midiOutLongMsg,        &::midiOutUnprepareHeader,
        &::midiOutReset,          &::midiOutClose,
    };
    return api;
}

class winmm_output : public midi_output {
public:
    explicit winmm_output(const winmm_api& api) : api_(api) {}
    ~winmm_output() override {
        if (close() == midi_result::ok) return;
        // The service may still read these headers and their bytes: they are
        // left to it rather than freed under it.
        for (auto& s : set_aside_) static_cast<void>(s.release());
        static_cast<void>(current_.release());
    }

    MMRESULT open(UINT device) {
        const MMRESULT r = api_.out_open(&handle_, device, 0, 0, CALLBACK_NULL);
        if (r != MMSYSERR_NOERROR) handle_ = nullptr;
        return r;
    }

    midi_result name(std::u16string& text) const override {
        return device_name<MIDIOUTCAPSW>(api_.out_get_dev_caps, reinterpret_cast<UINT_PTR>(handle_), text);
    }
    // One slice is in the service at a time, so one header serves while the
    // service gives each back. One it did not give back is set aside first.
    midi_result prepare_header(midi_header& header) override {
        if (current_ && current_->held) set_aside_.push_back(std::move(current_));
        if (!current_) current_ = std::make_unique<slot>();
        slot& s = *current_;
        s.bytes.assign(header.data, header.data + header.buffer_length);
        std::memset(&s.header, 0, sizeof s.header);
        s.header.lpData = reinterpret_cast<LPSTR>(s.bytes.data());
        s.header.dwBufferLength = header.buffer_length;
        s.header.dwBytesRecorded = header.bytes_recorded;
        s.held = true;
        return result_of(api_.out_prepare_header(handle_, &s.header, sizeof s.header));
    }
    midi_result long_msg(midi_header&) override {
        if (!current_) return midi_result::error;
        return result_of(api_.out_long_msg(handle_, &current_->header, sizeof current_->header));
    }
    midi_result unprepare_header(midi_header&) override {
        if (!current_) return midi_result::ok;
        const MMRESULT r =
            api_.out_unprepare_header(handle_, &current_->header, sizeof current_->header);
        if (r == MMSYSERR_NOERROR) current_->held = false;
        return result_of(r);
    }
    midi_result close() override {
        if (!handle_) return midi_result::ok;
        if (current_ && current_->held) set_aside_.push_back(std::move(current_));
        if (!set_aside_.empty()) take_back();
        const MMRESULT r = api_.out_close(handle_);
        if (r != MMSYSERR_NOERROR) return result_of(r);
        handle_ = nullptr;
        set_aside_.clear();
        return midi_result::ok;
    }

private:
    struct slot {
        MIDIHDR header{};
        std::vector<std::uint8_t> bytes;
        bool held = false;  // prepared and not yet given back
    };

    // A reset makes the service give back every header it holds; those it
    // then releases are freed, the others stay set aside.
    void take_back() {
        api_.out_reset(handle_);
        std::vector<std::unique_ptr<slot>> still_held;
        for (auto& s : set_aside_) {
            if (!release(*s)) still_held.push_back(std::move(s));
        }
        set_aside_ = std::move(still_held);
    }
    bool release(slot& s) {
        for (int tries = 0; tries < 1000; ++tries) {
            const MMRESULT r = api_.out_unprepare_header(handle_, &s.header, sizeof s.header);
            if (r == MMSYSERR_NOERROR) return true;
            if (r != MIDIERR_STILLPLAYING) return false;
            Sleep(1);
        }
        return false;
    }

    const winmm_api& api_;
    HMIDIOUT handle_ = nullptr;
    std::unique_ptr<slot> current_;
    std::vector<std::unique_ptr<slot>> set_aside_;
};

winmm_system::winmm_system() : api_(system_winmm_api()) {}

winmm_system::winmm_system(const winmm_api& api) : api_(api) {}

int winmm_system::input_count() { return static_cast<int>(api_.in_get_num_devs()); }

int winmm_system::output_count() { return static_cast<int>(api_.out_get_num_devs()); }

midi_result winmm_system::input_name(int device, std::u16string& text) {
    return device_name<MIDIINCAPSW>(api_.in_get_dev_caps, static_cast<UINT_PTR>(device), text);
}

midi_result winmm_system::output_name(int device, std::u16string& text) {
    return device_name<MIDIOUTCAPSW>(api_.out_get_dev_caps, static_cast<UINT_PTR>(device), text);
}

midi_result winmm_system::open_input(int device, midi_in_proc callback, void* instance,
                                     std::unique_ptr<midi_input>& opened) {
    if (device < 0 || !callback) return midi_result::error;
    auto in = std::make_unique<winmm_input>(api_, callback, instance);
    const MMRESULT r = in->open(static_cast<UINT>(device));
    if (r != MMSYSERR_NOERROR) return result_of(r);
    opened = std::move(in);
    return midi_result::ok;
}

midi_result winmm_system::open_output(int device, std::unique_ptr<midi_output>& opened) {
    if (device < 0) return midi_result::error;
    auto out = std::make_unique<winmm_output>(api_);
    const MMRESULT r = out->open(static_cast<UINT>(device));
    if (r != MMSYSERR_NOERROR) return result_of(r);
    opened = std::move(out);
    return midi_result::ok;
}

}  // namespace patchwarden

// The Windows back end over a stand-in for the multimedia service, which
// plays a driver that keeps a buffer or returns a bad SysEx, and over the
// real service, which may list no devices at all (as under Wine).

#include "midi/winmm/winmm_system.h"

#include <gtest/gtest.h>

#include <mutex>

#include "fake_midi.h"
#include "midi/sysex_error.h"
#include "midi/transport/sysex_in.h"
#include "midi/transport/sysex_out.h"
#include "midi/winmm/winmm_api.h"

namespace patchwarden {
namespace {

using testing::eventually;
using testing::recording_sink;

// Device 0 in each direction. The output keeps the header of the slice after
// keep_next is set: un-preparing it fails until a reset gives it back, and
// the device will not close while it holds it.
struct fake_service {
    std::mutex mutex;
    LPMIDICALLBACK callback = nullptr;
    DWORD_PTR instance = 0;
    MIDIHDR* in_buffer = nullptr;
    std::vector<std::pair<const MIDIHDR*, byte_vector>> submitted;
    bool keep_next = false;
    const MIDIHDR* kept = nullptr;
    // What a reset leaves in the input's buffer: the start of a dump.
    byte_vector reset_leaves;

    // The driver gives back the buffer it holds; false when it holds none.
    bool give_back(UINT message, const byte_vector& bytes) {
        MIDIHDR* h = std::exchange(in_buffer, nullptr);
        if (!h) return false;
        std::memcpy(h->lpData, bytes.data(), bytes.size());
        h->dwBytesRecorded = static_cast<DWORD>(bytes.size());
        callback(nullptr, message, instance, reinterpret_cast<DWORD_PTR>(h), 0);
        return true;
    }
} * service;

template <class... Args>
MMRESULT WINAPI ok(Args...) { return MMSYSERR_NOERROR; }

MMRESULT WINAPI in_open(LPHMIDIIN h, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD) {
    service->callback = reinterpret_cast<LPMIDICALLBACK>(callback);
    service->instance = instance;
    *h = reinterpret_cast<HMIDIIN>(0x10);
    return id == 0 ? MMSYSERR_NOERROR : MMSYSERR_BADDEVICEID;
}
MMRESULT WINAPI in_add(HMIDIIN, LPMIDIHDR h, UINT) {
    service->in_buffer = h;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI in_reset(HMIDIIN) {
    service->give_back(MIM_LONGDATA, service->reset_leaves);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI in_unprepare(HMIDIIN, LPMIDIHDR, UINT) {
    return service->in_buffer ? MIDIERR_STILLPLAYING : MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_open(LPHMIDIOUT h, UINT id, DWORD_PTR, DWORD_PTR, DWORD) {
    *h = reinterpret_cast<HMIDIOUT>(0x20);
    return id == 0 ? MMSYSERR_NOERROR : MMSYSERR_BADDEVICEID;
}
MMRESULT WINAPI out_long_msg(HMIDIOUT, LPMIDIHDR h, UINT) {
    std::lock_guard guard(service->mutex);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(h->lpData);
    service->submitted.emplace_back(h, byte_vector(bytes, bytes + h->dwBufferLength));
    if (std::exchange(service->keep_next, false)) service->kept = h;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_unprepare(HMIDIOUT, LPMIDIHDR h, UINT) {
    std::lock_guard guard(service->mutex);
    return h == service->kept ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_reset(HMIDIOUT) {
    std::lock_guard guard(service->mutex);
    service->kept = nullptr;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_close(HMIDIOUT) {
    std::lock_guard guard(service->mutex);
    return service->kept ? MIDIERR_STILLPLAYING : MMSYSERR_NOERROR;
}

const winmm_api fake_api{
    &::midiInGetNumDevs,  &::midiInGetDevCapsW,  in_open,      ok,
    in_add,               ok,                    in_reset,     in_unprepare,
    ok,                   &::midiOutGetNumDevs,  &::midiOutGetDevCapsW,
    out_open,             ok,                    out_long_msg, out_unprepare,
    out_reset,            out_close};

class winmm_test : public ::testing::Test {
protected:
    fake_service fake;
    winmm_system system{fake_api};
    recording_sink sink;
    // The byte counts of the buffers handed back to a bare input's callback.
    std::vector<std::uint32_t> returned;

    void SetUp() override { service = &fake; }
};

TEST_F(winmm_test, a_bad_sysex_hands_the_buffer_back_and_the_next_message_arrives) {
    auto in = std::make_unique<sysex_in>(system, sink);
    in->init(0);
    ASSERT_TRUE(in->is_open);
    ASSERT_TRUE(fake.give_back(MIM_LONGERROR, {0xF0, 0x00, 0x00}));
    EXPECT_EQ(in->queued(), 0u);
    const byte_vector message{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    ASSERT_TRUE(fake.give_back(MIM_LONGDATA, message));
    byte_vector got;
    in->get_data(got);
    EXPECT_EQ(got, message);
    in->shutdown();
}

TEST_F(winmm_test, a_reset_in_the_middle_of_a_dump_hands_the_buffer_back_without_bytes) {
    std::unique_ptr<midi_input> in;
    const midi_in_proc record = [](midi_input&, std::uint32_t message, void* seen, midi_header* h) {
        auto* counts = static_cast<std::vector<std::uint32_t>*>(seen);
        if (message == mim_longdata) counts->push_back(h->bytes_recorded);
    };
    ASSERT_EQ(system.open_input(0, record, &returned, in), midi_result::ok);
    std::vector<std::uint8_t> buffer(64);
    midi_header header;
    header.data = buffer.data();
    header.buffer_length = 64;
    ASSERT_EQ(in->prepare_header(header), midi_result::ok);
    ASSERT_EQ(in->add_buffer(header), midi_result::ok);
    ASSERT_EQ(in->start(), midi_result::ok);
    fake.reset_leaves = {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x0A};
    ASSERT_EQ(in->reset(), midi_result::ok);
    EXPECT_EQ(returned, std::vector<std::uint32_t>{0});
}

TEST_F(winmm_test, a_slice_given_up_on_keeps_its_header_and_bytes_until_a_reset_takes_them_back) {
    sysex_out out(system, sink);
    out.init(0, 4, 0);
    fake.keep_next = true;
    out.send_async({1, 2, 3, 4, 5, 6, 7, 8});  // the first slice is kept, the rest dropped
    ASSERT_TRUE(eventually([&] { return out.dropped_bytes() == 8; }));
    out.send_async({9, 10, 11, 12});
    ASSERT_TRUE(eventually([&] {
        std::lock_guard guard(fake.mutex);
        return fake.submitted.size() == 2;
    }));
    {
        std::lock_guard guard(fake.mutex);
        const MIDIHDR* kept = fake.submitted[0].first;
        EXPECT_NE(fake.submitted[1].first, kept);
        // The service may still read the kept slice: its bytes are still there.
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(kept->lpData);
        EXPECT_EQ(byte_vector(bytes, bytes + kept->dwBufferLength), (byte_vector{1, 2, 3, 4}));
    }
    out.shutdown();  // throws if the device would not close
}

TEST(winmm_service, a_device_past_the_end_of_the_list_stays_closed_without_a_word) {
    winmm_system system;  // the real service
    recording_sink sink;
    auto in = std::make_unique<sysex_in>(system, sink);
    in->init(system.input_count());
    sysex_out out(system, sink);
    out.init(system.output_count(), default_buffer_size, default_pause_ms);
    EXPECT_FALSE(in->is_open);
    EXPECT_FALSE(out.is_open);
    EXPECT_TRUE(sink.texts().empty());
    std::u16string name;
    EXPECT_THROW(sysex_in::dev_string(system, system.input_count(), 256, name), sysex_error);
    EXPECT_THROW(sysex_out::dev_string(system, system.output_count(), 256, name), sysex_error);
}

}  // namespace
}  // namespace patchwarden

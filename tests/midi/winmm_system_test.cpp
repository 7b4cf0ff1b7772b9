// The Windows back end, over a stand-in for the multimedia service (which
// plays a driver that keeps a buffer or returns a bad SysEx), and over the
// real service, which may have no devices at all (as under Wine).

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

// One input and one output. A header passed to keep_next_slice's output
// call is held: un-preparing it fails until a reset gives it back, and the
// device will not close while it holds it.
struct fake_service {
    std::mutex mutex;
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;
    MIDIHDR* in_buffer = nullptr;
    std::vector<std::pair<const MIDIHDR*, byte_vector>> submitted;
    bool keep_next_slice = false;
    const MIDIHDR* kept = nullptr;
    std::vector<std::string> output_calls;

    // A message arrives in the buffer the service holds; false when it
    // holds none.
    bool arrive(UINT message, const byte_vector& bytes) {
        MIDIHDR* h = std::exchange(in_buffer, nullptr);
        if (!h) return false;
        std::memcpy(h->lpData, bytes.data(), bytes.size());
        h->dwBytesRecorded = static_cast<DWORD>(bytes.size());
        reinterpret_cast<LPMIDICALLBACK>(callback)(nullptr, message, instance,
                                                   reinterpret_cast<DWORD_PTR>(h), 0);
        return true;
    }
};

fake_service* service = nullptr;
const HMIDIIN in_handle = reinterpret_cast<HMIDIIN>(0x10);
const HMIDIOUT out_handle = reinterpret_cast<HMIDIOUT>(0x20);

UINT WINAPI one_device() { return 1; }
MMRESULT WINAPI in_caps(UINT_PTR id, LPMIDIINCAPSW caps, UINT) {
    if (id != 0 && id != reinterpret_cast<UINT_PTR>(in_handle)) return MMSYSERR_BADDEVICEID;
    std::memset(caps, 0, sizeof *caps);
    std::wcscpy(caps->szPname, L"Fake In");
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI in_open(LPHMIDIIN h, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD) {
    if (id != 0) return MMSYSERR_BADDEVICEID;
    service->callback = callback;
    service->instance = instance;
    *h = in_handle;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI in_header(HMIDIIN, LPMIDIHDR, UINT) { return MMSYSERR_NOERROR; }
MMRESULT WINAPI in_add(HMIDIIN, LPMIDIHDR h, UINT) {
    service->in_buffer = h;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI in_plain(HMIDIIN) { return MMSYSERR_NOERROR; }
MMRESULT WINAPI in_reset(HMIDIIN) {
    if (MIDIHDR* h = std::exchange(service->in_buffer, nullptr)) {
        h->dwBytesRecorded = 0;
        reinterpret_cast<LPMIDICALLBACK>(service->callback)(nullptr, MIM_LONGDATA, service->instance,
                                                            reinterpret_cast<DWORD_PTR>(h), 0);
    }
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI in_unprepare(HMIDIIN, LPMIDIHDR, UINT) {
    return service->in_buffer ? MIDIERR_STILLPLAYING : MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_caps(UINT_PTR id, LPMIDIOUTCAPSW caps, UINT) {
    if (id != 0 && id != reinterpret_cast<UINT_PTR>(out_handle)) return MMSYSERR_BADDEVICEID;
    std::memset(caps, 0, sizeof *caps);
    std::wcscpy(caps->szPname, L"Fake Out");
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_open(LPHMIDIOUT h, UINT id, DWORD_PTR, DWORD_PTR, DWORD) {
    if (id != 0) return MMSYSERR_BADDEVICEID;
    *h = out_handle;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_prepare(HMIDIOUT, LPMIDIHDR, UINT) { return MMSYSERR_NOERROR; }
MMRESULT WINAPI out_long_msg(HMIDIOUT, LPMIDIHDR h, UINT) {
    std::lock_guard guard(service->mutex);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(h->lpData);
    service->submitted.emplace_back(h, byte_vector(bytes, bytes + h->dwBufferLength));
    if (std::exchange(service->keep_next_slice, false)) service->kept = h;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_unprepare(HMIDIOUT, LPMIDIHDR h, UINT) {
    std::lock_guard guard(service->mutex);
    return h == service->kept ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_reset(HMIDIOUT) {
    std::lock_guard guard(service->mutex);
    service->output_calls.push_back("reset");
    service->kept = nullptr;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_close(HMIDIOUT) {
    std::lock_guard guard(service->mutex);
    service->output_calls.push_back("close");
    return service->kept ? MIDIERR_STILLPLAYING : MMSYSERR_NOERROR;
}

const winmm_api fake_api{
    .in_get_num_devs = one_device,
    .in_get_dev_caps = in_caps,
    .in_open = in_open,
    .in_prepare_header = in_header,
    .in_add_buffer = in_add,
    .in_start = in_plain,
    .in_reset = in_reset,
    .in_unprepare_header = in_unprepare,
    .in_close = in_plain,
    .out_get_num_devs = one_device,
    .out_get_dev_caps = out_caps,
    .out_open = out_open,
    .out_prepare_header = out_prepare,
    .out_long_msg = out_long_msg,
    .out_unprepare_header = out_unprepare,
    .out_reset = out_reset,
    .out_close = out_close,
};

class winmm_test : public ::testing::Test {
protected:
    fake_service fake;
    winmm_system system{fake_api};
    recording_sink sink;

    void SetUp() override { service = &fake; }
    void TearDown() override { service = nullptr; }
};

TEST_F(winmm_test, a_bad_sysex_hands_the_buffer_back_and_the_next_message_arrives) {
    auto in = std::make_unique<sysex_in>(system, sink);
    in->init(0);
    ASSERT_TRUE(in->is_open);
    std::u16string name;
    sysex_in::dev_string(*in->handle, 256, name);
    EXPECT_EQ(name, u"Fake In");

    ASSERT_TRUE(fake.arrive(MIM_LONGERROR, {0xF0, 0x00, 0x00}));
    EXPECT_EQ(in->queued(), 0u);
    const byte_vector message{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    ASSERT_TRUE(fake.arrive(MIM_LONGDATA, message));
    byte_vector got;
    in->get_data(got);
    EXPECT_EQ(got, message);
    in->shutdown();
    EXPECT_TRUE(sink.texts().empty());
}

TEST_F(winmm_test, a_slice_given_up_on_keeps_its_header_and_bytes_until_a_reset_takes_them_back) {
    sysex_out out(system, sink);
    out.init(0, 4, 0);
    ASSERT_TRUE(out.is_open);
    fake.keep_next_slice = true;
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
        EXPECT_EQ(fake.submitted[1].second, (byte_vector{9, 10, 11, 12}));
        // The service may still read the kept slice: its bytes are still there.
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(kept->lpData);
        EXPECT_EQ(byte_vector(bytes, bytes + kept->dwBufferLength), (byte_vector{1, 2, 3, 4}));
        EXPECT_TRUE(fake.output_calls.empty());
    }
    out.shutdown();  // throws if the device would not close
    EXPECT_FALSE(out.is_open);
    EXPECT_EQ(fake.output_calls, (std::vector<std::string>{"reset", "close"}));
    EXPECT_EQ(sink.texts(), std::vector<std::string>{"sysex_out::send - unable to uprepare heander"});
}

TEST(winmm_service, a_device_past_the_end_of_the_list_stays_closed_without_a_word) {
    winmm_system system;  // the real service; under Wine it lists no devices
    recording_sink sink;
    for (int device = 0; device < system.input_count(); ++device) {
        std::u16string name;
        sysex_in::dev_string(system, device, 256, name);
        EXPECT_FALSE(name.empty());
    }
    auto in = std::make_unique<sysex_in>(system, sink);
    in->init(system.input_count());
    EXPECT_FALSE(in->is_open);
    sysex_out out(system, sink);
    out.init(system.output_count(), default_buffer_size, default_pause_ms);
    EXPECT_FALSE(out.is_open);
    EXPECT_TRUE(sink.texts().empty());
    std::u16string name;
    EXPECT_THROW(sysex_in::dev_string(system, system.input_count(), 256, name), sysex_error);
    EXPECT_THROW(sysex_out::dev_string(system, system.output_count(), 256, name), sysex_error);
}

}  // namespace
}  // namespace patchwarden

// The Windows back end over a stand-in for the multimedia service, which
// plays a driver that keeps a buffer or returns a bad SysEx, and over the
// real service, which may list no devices at all (as under Wine).

#include "midi/winmm/winmm_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

#include "fake_midi.h"
#include "midi/sysex_error.h"
#include "midi/transport/sysex_in.h"
#include "midi/transport/sysex_out.h"
#include "midi/winmm/winmm_api.h"
#include "midi/winmm/winmm_input.h"

namespace patchwarden {
namespace {

using testing::eventually;
using testing::recording_sink;

// Device 0 in each direction. The input holds the buffers added to it in
// order, and fills the oldest first. The output keeps the header of the slice
// after keep_next is set: un-preparing it fails until a reset gives it back,
// and the device will not close while it holds it. Every header must be
// declared with the size of MIDIHDR, as Windows' newer MIDI service demands.
struct fake_service {
    std::mutex mutex;
    LPMIDICALLBACK callback = nullptr;
    DWORD_PTR instance = 0;
    std::deque<MIDIHDR*> in_buffers;
    std::vector<std::pair<const MIDIHDR*, byte_vector>> submitted;
    bool keep_next = false;
    const MIDIHDR* kept = nullptr;
    // What a reset leaves in the input's oldest buffer: the start of a dump.
    byte_vector reset_leaves;
    // A reset hands the buffers back from a thread of the service's own,
    // a while after it returned (their headers free at once, as Wine's);
    // callbacks that come after the input closed are counted.
    bool late_reset = false;
    std::thread late;
    std::atomic<bool> closed{false};
    std::atomic<int> after_close{0};

    // The driver gives back its oldest buffer; false when it holds none.
    bool give_back(UINT message, const byte_vector& bytes) {
        if (in_buffers.empty()) return false;
        MIDIHDR* h = in_buffers.front();
        in_buffers.pop_front();
        std::memcpy(h->lpData, bytes.data(), bytes.size());
        h->dwBytesRecorded = static_cast<DWORD>(bytes.size());
        callback(nullptr, message, instance, reinterpret_cast<DWORD_PTR>(h), 0);
        return true;
    }
    // The driver fills its oldest buffers, one message each, before it
    // reports the first, as a service whose callback thread lags does;
    // false when it holds too few.
    bool fill_ahead(const std::vector<std::pair<UINT, byte_vector>>& messages) {
        if (in_buffers.size() < messages.size()) return false;
        std::vector<MIDIHDR*> filled;
        for (const auto& [message, bytes] : messages) {
            MIDIHDR* h = in_buffers.front();
            in_buffers.pop_front();
            std::memcpy(h->lpData, bytes.data(), bytes.size());
            h->dwBytesRecorded = static_cast<DWORD>(bytes.size());
            filled.push_back(h);
        }
        for (std::size_t i = 0; i < filled.size(); ++i)
            callback(nullptr, messages[i].first, instance, reinterpret_cast<DWORD_PTR>(filled[i]), 0);
        return true;
    }
    static bool sized(UINT size) { return size == sizeof(MIDIHDR); }
} * service;

template <class Handle>
MMRESULT WINAPI prepare(Handle, LPMIDIHDR, UINT size) {
    return service->sized(size) ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
}
MMRESULT WINAPI ok(HMIDIIN) { return MMSYSERR_NOERROR; }
MMRESULT WINAPI in_close(HMIDIIN) {
    service->closed = true;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI in_open(LPHMIDIIN h, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD) {
    service->callback = reinterpret_cast<LPMIDICALLBACK>(callback);
    service->instance = instance;
    *h = reinterpret_cast<HMIDIIN>(0x10);
    return id == 0 ? MMSYSERR_NOERROR : MMSYSERR_BADDEVICEID;
}
MMRESULT WINAPI in_add(HMIDIIN, LPMIDIHDR h, UINT size) {
    if (!service->sized(size)) return MMSYSERR_INVALPARAM;
    service->in_buffers.push_back(h);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI in_reset(HMIDIIN) {
    if (service->late_reset) {
        std::vector<MIDIHDR*> held(service->in_buffers.begin(), service->in_buffers.end());
        service->in_buffers.clear();
        service->late = std::thread([held, s = service] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            for (MIDIHDR* h : held) {
                if (s->closed) ++s->after_close;
                h->dwBytesRecorded = 0;
                s->callback(nullptr, MIM_LONGDATA, s->instance, reinterpret_cast<DWORD_PTR>(h), 0);
            }
        });
        return MMSYSERR_NOERROR;
    }
    service->give_back(MIM_LONGDATA, service->reset_leaves);
    while (service->give_back(MIM_LONGDATA, {})) {
    }
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI in_unprepare(HMIDIIN, LPMIDIHDR h, UINT size) {
    if (!service->sized(size)) return MMSYSERR_INVALPARAM;
    const auto& held = service->in_buffers;
    return std::find(held.begin(), held.end(), h) != held.end() ? MIDIERR_STILLPLAYING : MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_open(LPHMIDIOUT h, UINT id, DWORD_PTR, DWORD_PTR, DWORD) {
    *h = reinterpret_cast<HMIDIOUT>(0x20);
    return id == 0 ? MMSYSERR_NOERROR : MMSYSERR_BADDEVICEID;
}
MMRESULT WINAPI out_long_msg(HMIDIOUT, LPMIDIHDR h, UINT size) {
    std::lock_guard guard(service->mutex);
    if (!service->sized(size)) return MMSYSERR_INVALPARAM;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(h->lpData);
    service->submitted.emplace_back(h, byte_vector(bytes, bytes + h->dwBufferLength));
    if (std::exchange(service->keep_next, false)) service->kept = h;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI out_unprepare(HMIDIOUT, LPMIDIHDR h, UINT size) {
    std::lock_guard guard(service->mutex);
    if (!service->sized(size)) return MMSYSERR_INVALPARAM;
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
    &::midiInGetNumDevs,  &::midiInGetDevCapsW,  in_open,        prepare<HMIDIIN>,
    in_add,               ok,                    in_reset,       in_unprepare,
    in_close,             &::midiOutGetNumDevs,  &::midiOutGetDevCapsW,
    out_open,             prepare<HMIDIOUT>,     out_long_msg,   out_unprepare,
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

// The service fills buffers of the back end's own, several at once before
// it reports the first; the transport gets each message whole in its one
// buffer, which it gives back from its callback, as sysex_in does.
TEST_F(winmm_test, the_service_keeps_buffers_and_each_message_reaches_the_transport_whole) {
    const byte_vector one{0xF0, 0x01, 0x02, 0x03, 0xF7};
    const byte_vector two{0xF0, 0x04, 0xF7};
    const struct {
        const char* what;
        std::vector<std::pair<UINT, byte_vector>> returns;
        std::uint32_t transport_buffer;
        std::vector<byte_vector> blocks;
    } cases[] = {
        {"messages one after another",
         {{MIM_LONGDATA, one}, {MIM_LONGDATA, two}, {MIM_LONGDATA, two}, {MIM_LONGDATA, one}}, 64,
         {one, two, two, one}},
        {"one message over three buffers",
         {{MIM_LONGDATA, {0xF0, 0x01}}, {MIM_LONGDATA, {0x02}}, {MIM_LONGDATA, {0x03, 0xF7}}}, 64, {one}},
        {"a bad message lost, the next one whole",
         {{MIM_LONGDATA, {0xF0, 0x01}}, {MIM_LONGERROR, {0x02}}, {MIM_LONGDATA, two}}, 64, {two}},
        {"a message longer than the transport's buffer, cut", {{MIM_LONGDATA, one}}, 3,
         {{0xF0, 0x01, 0x02}, {0x03, 0xF7}}},
    };
    struct transport_side {
        std::vector<std::uint8_t> buffer;
        midi_header header;
        std::vector<byte_vector> blocks;
    };
    const midi_in_proc take = [](midi_input& device, std::uint32_t message, void* seen, midi_header* h) {
        auto* side = static_cast<transport_side*>(seen);
        if (message != mim_longdata || h->bytes_recorded == 0) return;
        side->blocks.emplace_back(h->data, h->data + h->bytes_recorded);
        device.add_buffer(*h);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake_service fresh;
        service = &fresh;
        transport_side side;
        side.buffer.resize(c.transport_buffer);
        side.header.data = side.buffer.data();
        side.header.buffer_length = c.transport_buffer;
        std::unique_ptr<midi_input> in;
        ASSERT_EQ(system.open_input(0, take, &side, in), midi_result::ok);
        ASSERT_EQ(in->prepare_header(side.header), midi_result::ok);
        ASSERT_EQ(in->add_buffer(side.header), midi_result::ok);
        ASSERT_EQ(in->start(), midi_result::ok);
        ASSERT_TRUE(fresh.fill_ahead(c.returns));
        EXPECT_EQ(fresh.in_buffers.size(), winmm_input_buffers);  // each taken back at once
        EXPECT_EQ(side.blocks, c.blocks);
        ASSERT_EQ(in->reset(), midi_result::ok);
        EXPECT_EQ(in->unprepare_header(side.header), midi_result::ok);
        EXPECT_EQ(in->close(), midi_result::ok);
    }
    service = &fake;
}

// A service may hand the buffers back after its reset returned, from a
// thread of its own: the input closes only once they are all back, and no
// callback comes after that.
TEST_F(winmm_test, a_shutdown_waits_for_buffers_the_service_hands_back_late) {
    fake.late_reset = true;
    auto in = std::make_unique<sysex_in>(system, sink);
    in->init(0);
    ASSERT_TRUE(in->is_open);
    EXPECT_NO_THROW(in->shutdown());
    if (fake.late.joinable()) fake.late.join();
    EXPECT_EQ(fake.after_close, 0);
    EXPECT_FALSE(in->is_open);
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

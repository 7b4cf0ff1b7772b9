#include "midi/alsa/alsa_logic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "data/bytes.h"

#ifdef PW_HAVE_ALSA
#include "midi/alsa/alsa_system.h"
#endif

namespace patchwarden::alsa {
using patchwarden::byte_vector;
namespace {

TEST(alsa_ports, listed_as_aconnect_lists_them) {
    constexpr unsigned in = cap_read | cap_subs_read;
    constexpr unsigned out = cap_write | cap_subs_write;
    struct row {
        int client;
        unsigned caps;
        bool input, output;
    };
    const int own = 128;
    for (const row r : {row{14, in | out, true, true}, row{20, in, true, false},
                        row{20, out, false, true}, row{0, in | out, false, false},
                        row{own, in | out, false, false}, row{20, in | out | cap_no_export, false, false},
                        row{20, cap_read | cap_write, false, false},
                        row{20, cap_read | cap_subs_write, false, false}}) {
        port_entry p;
        p.client = r.client;
        p.capability = r.caps;
        EXPECT_EQ(listed_as_input(p, own), r.input) << r.client << " " << r.caps;
        EXPECT_EQ(listed_as_output(p, own), r.output) << r.client << " " << r.caps;
    }
}

TEST(alsa_ports, names_join_client_and_port_and_decode_utf8) {
    EXPECT_EQ(port_display_name("Midi Through", "Midi Through Port-0"),
              u"Midi Through:Midi Through Port-0");
    EXPECT_EQ(port_display_name("Gr\xC3\xBC" "n", "\xF0\x9F\x8E\xB9"), u"Gr\u00FCn:\U0001F3B9");
    EXPECT_EQ(utf8_to_utf16("a\xFF" "b\xC3"), u"a\uFFFDb\uFFFD");
    EXPECT_EQ(utf8_to_utf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
}

TEST(alsa_pacing, slices_go_in_sub_writes_each_after_the_last_ones_wire_time) {
    using clock = slice_pacer::clock;
    slice_pacer p;
    p.begin(10000);
    const clock::time_point t0{};
    std::size_t offset = 0, count = 0;
    ASSERT_EQ(p.poll(t0 + std::chrono::seconds(1), offset, count), slice_pacer::step::write);
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(count, 4096u);
    const clock::time_point first = t0 + std::chrono::seconds(1);
    EXPECT_EQ(p.poll(first + wire_time(4096) - std::chrono::microseconds(1), offset, count),
              slice_pacer::step::wait);
    ASSERT_EQ(p.poll(first + wire_time(4096), offset, count), slice_pacer::step::write);
    EXPECT_EQ(offset, 4096u);
    const clock::time_point second = first + wire_time(4096);
    ASSERT_EQ(p.poll(second + wire_time(4096), offset, count), slice_pacer::step::write);
    EXPECT_EQ(offset, 8192u);
    EXPECT_EQ(count, 1808u);
    const clock::time_point third = second + wire_time(4096);
    EXPECT_EQ(p.poll(third + wire_time(1807), offset, count), slice_pacer::step::wait);
    EXPECT_EQ(p.poll(third + wire_time(1808), offset, count), slice_pacer::step::done);
    EXPECT_EQ(wire_time(3125), std::chrono::seconds(1));
}

TEST(alsa_sequencer, without_a_sequencer_nothing_is_listed_or_opened) {
    if (std::filesystem::exists("/dev/snd/seq")) GTEST_SKIP() << "this machine has a sequencer";
#ifdef PW_HAVE_ALSA
    patchwarden::alsa_system system;
    EXPECT_FALSE(system.available());
    EXPECT_EQ(system.input_count(), 0);
    EXPECT_EQ(system.output_count(), 0);
    std::unique_ptr<patchwarden::midi_output> output;
    EXPECT_EQ(system.open_output(0, output), patchwarden::midi_result::error);
    EXPECT_EQ(output, nullptr);
#endif
}

TEST(alsa_sequencer, loopback_through_midi_through) {
    if (!std::filesystem::exists("/dev/snd/seq"))
        GTEST_SKIP() << "no /dev/snd/seq on this machine (load snd-seq-dummy for the Midi Through "
                        "loopback)";
#ifdef PW_HAVE_ALSA
    patchwarden::alsa_system system;
    ASSERT_TRUE(system.available());
    int in = -1, out = -1;
    for (int i = 0; i < system.input_count(); ++i) {
        std::u16string n;
        system.input_name(i, n);
        if (n.rfind(u"Midi Through:", 0) == 0) in = i;
    }
    for (int i = 0; i < system.output_count(); ++i) {
        std::u16string n;
        system.output_name(i, n);
        if (n.rfind(u"Midi Through:", 0) == 0) out = i;
    }
    if (in < 0 || out < 0) GTEST_SKIP() << "no Midi Through port (snd-seq-dummy not loaded)";
    // The transport's own tests cover the rest; here the bytes must make the
    // round trip whole.
    struct catcher {
        std::mutex m;
        std::vector<byte_vector> got;
        static void proc(patchwarden::midi_input& d, std::uint32_t msg, void* inst,
                         patchwarden::midi_header* h) {
            auto* self = static_cast<catcher*>(inst);
            if (msg != patchwarden::mim_longdata || h->bytes_recorded == 0) return;
            {
                std::lock_guard g(self->m);
                self->got.emplace_back(h->data, h->data + h->bytes_recorded);
            }
            d.add_buffer(*h);
        }
    } c;
    std::unique_ptr<patchwarden::midi_input> input;
    std::unique_ptr<patchwarden::midi_output> output;
    ASSERT_EQ(system.open_input(in, &catcher::proc, &c, input), patchwarden::midi_result::ok);
    ASSERT_EQ(system.open_output(out, output), patchwarden::midi_result::ok);
    byte_vector buffer(1 << 16);
    patchwarden::midi_header h;
    h.data = buffer.data();
    h.buffer_length = static_cast<std::uint32_t>(buffer.size());
    input->add_buffer(h);
    input->start();
    byte_vector m(600, 0x11);
    m.front() = 0xF0;
    m.back() = 0xF7;
    patchwarden::midi_header oh;
    oh.data = m.data();
    oh.buffer_length = oh.bytes_recorded = static_cast<std::uint32_t>(m.size());
    ASSERT_EQ(output->long_msg(oh), patchwarden::midi_result::ok);
    while (output->unprepare_header(oh) == patchwarden::midi_result::still_playing)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int i = 0; i < 2000; ++i) {
        {
            std::lock_guard g(c.m);
            if (!c.got.empty()) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    input->reset();
    input->close();
    output->close();
    std::lock_guard g(c.m);
    ASSERT_EQ(c.got.size(), 1u);
    EXPECT_EQ(c.got[0], m);
#endif
}

#ifdef PW_HAVE_ALSA
// Blocks received by a raw device, copied out and the buffer handed back.
struct block_catcher {
    std::mutex m;
    std::vector<byte_vector> got;
    static void proc(patchwarden::midi_input& d, std::uint32_t msg, void* inst,
                     patchwarden::midi_header* h) {
        auto* self = static_cast<block_catcher*>(inst);
        if (msg != patchwarden::mim_longdata || h->bytes_recorded == 0) return;
        {
            std::lock_guard g(self->m);
            self->got.emplace_back(h->data, h->data + h->bytes_recorded);
        }
        d.add_buffer(*h);
    }
    std::vector<byte_vector> taken() {
        std::lock_guard g(m);
        return got;
    }
};

void send_whole(patchwarden::midi_output& output, byte_vector& m) {
    patchwarden::midi_header h;
    h.data = m.data();
    h.buffer_length = h.bytes_recorded = static_cast<std::uint32_t>(m.size());
    ASSERT_EQ(output.long_msg(h), patchwarden::midi_result::ok);
    while (output.unprepare_header(h) == patchwarden::midi_result::still_playing)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
#endif

TEST(alsa_sequencer, an_input_opened_again_gets_nothing_that_came_before_it_started) {
    if (!std::filesystem::exists("/dev/snd/seq"))
        GTEST_SKIP() << "no /dev/snd/seq on this machine (load snd-seq-dummy for the Midi Through "
                        "loopback)";
#ifdef PW_HAVE_ALSA
    patchwarden::alsa_system system;
    ASSERT_TRUE(system.available());
    int in = -1, out = -1;
    std::u16string n;
    for (int i = 0; i < system.input_count(); ++i)
        if (system.input_name(i, n) == patchwarden::midi_result::ok &&
            n.rfind(u"Midi Through:", 0) == 0)
            in = i;
    for (int i = 0; i < system.output_count(); ++i)
        if (system.output_name(i, n) == patchwarden::midi_result::ok &&
            n.rfind(u"Midi Through:", 0) == 0)
            out = i;
    if (in < 0 || out < 0) GTEST_SKIP() << "no Midi Through port (snd-seq-dummy not loaded)";

    byte_vector buffer(1 << 16);
    patchwarden::midi_header h;
    h.data = buffer.data();
    h.buffer_length = static_cast<std::uint32_t>(buffer.size());
    block_catcher c;
    std::unique_ptr<patchwarden::midi_input> input;
    std::unique_ptr<patchwarden::midi_output> output;
    ASSERT_EQ(system.open_input(in, &block_catcher::proc, &c, input), patchwarden::midi_result::ok);
    ASSERT_EQ(system.open_output(out, output), patchwarden::midi_result::ok);
    // A message comes in while the input is connected but not started, and
    // the input is closed without having read it.
    byte_vector stale(300, 0x22);
    stale.front() = 0xF0;
    stale.back() = 0xF7;
    send_whole(*output, stale);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    input->reset();
    input->close();
    input.reset();

    // The next input (its port gets the same number) starts clean.
    ASSERT_EQ(system.open_input(in, &block_catcher::proc, &c, input), patchwarden::midi_result::ok);
    h.bytes_recorded = 0;
    input->add_buffer(h);
    input->start();
    byte_vector fresh(300, 0x33);
    fresh.front() = 0xF0;
    fresh.back() = 0xF7;
    send_whole(*output, fresh);
    for (int i = 0; i < 2000 && c.taken().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    input->reset();
    input->close();
    output->close();
    EXPECT_EQ(c.taken(), std::vector<byte_vector>{fresh});
#endif
}

}  // namespace
}  // namespace patchwarden::alsa

// The ALSA back end against the kernel's sequencer, through the Midi Through
// port of snd-seq-dummy.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "midi/alsa/alsa_system.h"
#include "tests/midi/kernel/kernel_support.h"

namespace patchwarden::kernel_test {
namespace {

// Blocks received by a raw device, copied out and the buffer handed back.
struct block_catcher {
    std::mutex m;
    std::vector<byte_vector> got;
    static void proc(midi_input& d, std::uint32_t msg, void* inst, midi_header* h) {
        auto* self = static_cast<block_catcher*>(inst);
        if (msg != mim_longdata || h->bytes_recorded == 0) return;
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
    bool wait(std::size_t count) {
        for (int i = 0; i < 2000 && taken().size() < count; ++i) std::this_thread::sleep_for(1ms);
        return taken().size() >= count;
    }
};

void send_whole(midi_output& output, byte_vector& m) {
    midi_header h;
    h.data = m.data();
    h.buffer_length = h.bytes_recorded = static_cast<std::uint32_t>(m.size());
    ASSERT_EQ(output.long_msg(h), midi_result::ok);
    midi_result r;
    while ((r = output.unprepare_header(h)) == midi_result::still_playing)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(r, midi_result::ok);
}

byte_vector sysex(std::size_t size, std::uint8_t fill) {
    byte_vector m(size, fill);
    m.front() = 0xF0;
    m.back() = 0xF7;
    return m;
}

class alsa_sequencer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists("/dev/snd/seq")) << "no /dev/snd/seq on this machine";
        ASSERT_TRUE(system_.available());
        // Midi Through is the kernel's client 14, as aconnect -l shows it;
        // each run of the tests takes the port of its number.
        const std::u16string through = address_prefix(14, run_number()) + u"Midi Through";
        in_ = find_device(system_, true, through);
        out_ = find_device(system_, false, through);
        ASSERT_GE(in_, 0) << "no Midi Through port " << run_number() << " (load snd-seq-dummy)";
        ASSERT_GE(out_, 0);
        buffer_.resize(1 << 16);
        header_.data = buffer_.data();
        header_.buffer_length = static_cast<std::uint32_t>(buffer_.size());
    }

    alsa_system system_{test_speed()};
    int in_ = -1;
    int out_ = -1;
    byte_vector buffer_;
    midi_header header_;
};

TEST_F(alsa_sequencer, messages_make_the_round_trip_whole_and_one_block_each) {
    block_catcher c;
    std::unique_ptr<midi_input> input;
    std::unique_ptr<midi_output> output;
    ASSERT_EQ(system_.open_input(in_, &block_catcher::proc, &c, input), midi_result::ok);
    ASSERT_EQ(system_.open_output(out_, output), midi_result::ok);
    input->add_buffer(header_);
    input->start();
    // One short message, then one cut into several pieces on the way out
    // and several events on the way in; the second is sent after the first
    // has come back, while the receive thread waits again.
    byte_vector first = sysex(600, 0x11);
    send_whole(*output, first);
    ASSERT_TRUE(c.wait(1));
    byte_vector second = sysex(5000, 0x12);
    send_whole(*output, second);
    c.wait(2);
    input->reset();
    input->close();
    output->close();
    EXPECT_EQ(c.taken(), (std::vector<byte_vector>{first, second}));
}

TEST_F(alsa_sequencer, an_input_opened_again_gets_nothing_that_came_before_it_started) {
    block_catcher c;
    std::unique_ptr<midi_input> input;
    std::unique_ptr<midi_output> output;
    ASSERT_EQ(system_.open_input(in_, &block_catcher::proc, &c, input), midi_result::ok);
    ASSERT_EQ(system_.open_output(out_, output), midi_result::ok);
    // A message comes in while the input is connected but not started, and
    // the input is closed without having read it.
    byte_vector stale = sysex(300, 0x22);
    send_whole(*output, stale);
    std::this_thread::sleep_for(100ms);
    input->reset();
    input->close();
    input.reset();

    // The next input (its port gets the same number) starts clean.
    ASSERT_EQ(system_.open_input(in_, &block_catcher::proc, &c, input), midi_result::ok);
    input->add_buffer(header_);
    input->start();
    byte_vector fresh = sysex(300, 0x33);
    send_whole(*output, fresh);
    c.wait(1);
    std::this_thread::sleep_for(100ms);
    input->reset();
    input->close();
    output->close();
    EXPECT_EQ(c.taken(), std::vector<byte_vector>{fresh});
}

TEST_F(alsa_sequencer, a_slice_whose_device_goes_away_midway_is_not_reported_sent) {
    auto receiver = std::make_unique<plain_client>();
    ASSERT_TRUE(receiver->available());
    system_.refresh();
    const int out = find_device(system_, false, address_prefix(receiver->client(), receiver->port()));
    ASSERT_GE(out, 0);
    std::unique_ptr<midi_output> output;
    ASSERT_EQ(system_.open_output(out, output), midi_result::ok);
    byte_vector m = sysex(16384, 0x44);
    midi_header h;
    h.data = m.data();
    h.buffer_length = h.bytes_recorded = static_cast<std::uint32_t>(m.size());
    ASSERT_EQ(output->long_msg(h), midi_result::ok);
    ASSERT_EQ(output->unprepare_header(h), midi_result::still_playing);
    receiver.reset();  // the device goes away after the first piece
    midi_result r;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while ((r = output->unprepare_header(h)) == midi_result::still_playing &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(r, midi_result::error);
    EXPECT_EQ(output->unprepare_header(h), midi_result::error) << "a failed slice stays failed";
    output->close();
}

}  // namespace
}  // namespace patchwarden::kernel_test

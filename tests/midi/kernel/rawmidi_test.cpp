// Patchwarden's transport sending through snd-virmidi to a6-emulator behind
// the raw MIDI device, as to an instrument behind a MIDI interface. The
// kernel keeps one 4 KiB page of what the sender writes and drops what does
// not fit without a word; the emulator drains it at the wire rate, here 2%
// slow, so only output paced with a margin gets a bank through whole.

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tests/midi/kernel/kernel_support.h"

namespace patchwarden::kernel_test {
namespace {

constexpr double slow_drain = 0.98;

class rawmidi_interface : public ::testing::Test {
protected:
    void SetUp() override {
        const auto found = find_virmidi();
        ASSERT_TRUE(found) << "no snd-virmidi device " << run_number() << " (load snd-virmidi)";
        port_ = *found;
        device_ = "hw:" + std::to_string(port_.card) + "," + std::to_string(port_.device);
        emulator_ = std::make_unique<emulator_process>(std::vector<std::string>{
            "--verbose", "--rawmidi", device_, "--speed", std::to_string(rawmidi_speed() * slow_drain)});
        ASSERT_EQ(emulator_->ready_line(), "A6 emulator: raw MIDI device " + device_);
    }

    void TearDown() override {
        if (emulator_) {
            EXPECT_EQ(emulator_->stop(), 0) << "a6-emulator's exit status";
        }
    }

    int device_index(alsa_system& system, bool input) {
        system.refresh();
        return find_device(system, input, address_prefix(port_.client, 0));
    }

    // Waits until the emulator has read all the interface holds, then sends
    // an Identity Request behind it and waits for the emulator to log it:
    // every byte that got through before it has been read and logged.
    void settle(transport& t) {
        for (int i = 0; i < 30000; ++i) {
            const auto c = read_rawmidi_input(port_.card, port_.device);
            if (c && c->avail == 0) break;
            std::this_thread::sleep_for(1ms);
        }
        const std::size_t before = emulator_->lines().size();
        ASSERT_TRUE(t.send({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}, 10s));
        ASSERT_TRUE(emulator_->wait_lines(
            [&, n = std::size_t{0}](const std::string& l) mutable {
                return n++ >= before && l.rfind("received Identity Request", 0) == 0;
            },
            1, 30s));
        t.receive(1, 5s);  // its reply
    }

    long long overruns() {
        const auto c = read_rawmidi_input(port_.card, port_.device);
        return c ? c->overruns : -1;
    }

    virmidi_port port_;
    std::string device_;
    std::unique_ptr<emulator_process> emulator_;
};

TEST_F(rawmidi_interface, a_bank_at_pause_0_loses_nothing_at_any_buffer_size) {
    alsa_system system(rawmidi_speed());
    transport t(system);
    ASSERT_TRUE(t.open(device_index(system, true), device_index(system, false), 1024, 0));
    // A bank comes in through the raw device too.
    ASSERT_TRUE(t.send(program_bank_request_bytes(3), 10s));
    const std::vector<byte_vector> bank = t.receive(128, 120s);
    ASSERT_EQ(bank, initial_program_bank(3));
    std::vector<std::string> hashes;
    for (const auto& m : bank) hashes.push_back(hash_text(m));

    ASSERT_EQ(overruns(), 0);
    for (const std::int32_t buffer_size : {256, 1024, 4096, 16384}) {
        SCOPED_TRACE(buffer_size);
        t.reopen_output(device_index(system, false), buffer_size, 0);
        const std::size_t from = emulator_->lines().size();
        ASSERT_TRUE(t.send(joined(bank), 300s));
        settle(t);
        EXPECT_EQ(overruns(), 0);
        EXPECT_EQ(received_program_hashes(emulator_->lines(), from), hashes);
    }
    EXPECT_EQ(t.errors(), std::vector<std::u16string>{});
}

// The same check sees a loss when output is not paced.
TEST_F(rawmidi_interface, without_pacing_the_interface_loses_bytes_and_the_check_sees_it) {
    alsa_system system(0.0);
    transport t(system);
    ASSERT_TRUE(t.open(device_index(system, true), device_index(system, false), 4096, 0));
    const std::vector<byte_vector> bank = initial_program_bank(4);
    std::vector<std::string> hashes;
    for (const auto& m : bank) hashes.push_back(hash_text(m));
    const long long before = overruns();
    const std::size_t from = emulator_->lines().size();
    ASSERT_TRUE(t.send(joined(bank), 60s));
    settle(t);
    EXPECT_GT(overruns(), before);
    EXPECT_NE(received_program_hashes(emulator_->lines(), from), hashes);
}

}  // namespace
}  // namespace patchwarden::kernel_test

// Patchwarden's transport over the ALSA back end against the a6-emulator
// program running as a sequencer client of its own.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/midi/kernel/kernel_support.h"

namespace patchwarden::kernel_test {
namespace {

bool is_program_dump_line(const std::string& l) { return l.rfind("received Program dump ", 0) == 0; }

class emulator_client : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(emulator_.ready_line().empty()) << "a6-emulator did not start";
        ASSERT_EQ(emulator_.ready_line().rfind("A6 emulator: sequencer port ", 0), 0u)
            << emulator_.ready_line();
        system_.refresh();
        // Another run's emulator may be there too: this one by its address.
        const std::u16string prefix = emulator_.port_prefix() + u"A6 emulator";
        in_ = find_device(system_, true, prefix);
        out_ = find_device(system_, false, prefix);
        ASSERT_GE(in_, 0);
        ASSERT_GE(out_, 0);
    }

    void TearDown() override { EXPECT_EQ(emulator_.stop(), 0) << "a6-emulator's exit status"; }

    emulator_process emulator_{{"--verbose", "--speed", std::to_string(test_speed())}};
    alsa_system system_{test_speed()};
    int in_ = -1;
    int out_ = -1;
};

TEST_F(emulator_client, a_program_bank_comes_whole_and_goes_back_byte_identical_at_every_buffer_size) {
    transport t(system_);
    ASSERT_TRUE(t.open(in_, out_, default_buffer_size, default_pause_ms));
    const std::vector<byte_vector> expected = initial_program_bank(1);
    ASSERT_TRUE(t.send(program_bank_request_bytes(1), 10s));
    const std::vector<byte_vector> got = t.receive(128, 120s);
    ASSERT_EQ(got.size(), 128u);
    EXPECT_EQ(got, expected);

    std::vector<std::string> hashes;
    for (const auto& m : got) hashes.push_back(hash_text(m));
    const byte_vector bank = joined(got);
    std::size_t dumps_logged = 0;
    for (const std::int32_t buffer_size : {256, 1024, 4096, 16384}) {
        SCOPED_TRACE(buffer_size);
        t.reopen_output(out_, buffer_size, default_pause_ms);
        const std::size_t from = emulator_.lines().size();
        ASSERT_TRUE(t.send(bank, 300s));
        dumps_logged += 128;
        ASSERT_TRUE(emulator_.wait_lines(is_program_dump_line, dumps_logged, 60s));
        EXPECT_EQ(received_program_hashes(emulator_.lines(), from), hashes);
    }
    EXPECT_EQ(t.errors(), std::vector<std::u16string>{});
}

TEST_F(emulator_client, another_client_connected_to_the_input_during_a_dump_changes_nothing) {
    transport t(system_);
    ASSERT_TRUE(t.open(in_, out_, default_buffer_size, default_pause_ms));
    plain_client other;
    ASSERT_TRUE(other.available());
    const int port = other.find_port(system_.client_id(), "Patchwarden in");
    ASSERT_GE(port, 0);
    ASSERT_TRUE(other.connect_to(system_.client_id(), port));

    // Foreign SysEx, a whole message and a message in two halves, sent
    // again and again while the dump comes in.
    std::atomic<bool> dumping{true};
    std::atomic<int> sent{0};
    std::thread intruder([&] {
        byte_vector whole(40, 0x11);
        whole.front() = 0xF0;
        whole[1] = 0x7D;
        whole.back() = 0xF7;
        const byte_vector head(whole.begin(), whole.begin() + 20);
        const byte_vector tail(whole.begin() + 20, whole.end());
        while (dumping) {
            if (other.send_sysex(whole)) ++sent;
            other.send_sysex(head);
            std::this_thread::sleep_for(2ms);
            other.send_sysex(tail);
            std::this_thread::sleep_for(3ms);
        }
    });
    ASSERT_TRUE(t.send(program_bank_request_bytes(2), 10s));
    const std::vector<byte_vector> got = t.receive(128, 120s);
    // Anything foreign would have come by now too.
    const std::vector<byte_vector> more = t.receive(1, 300ms);
    dumping = false;
    intruder.join();
    EXPECT_GT(sent, 10);
    EXPECT_EQ(got, initial_program_bank(2));
    EXPECT_TRUE(more.empty());
}

}  // namespace
}  // namespace patchwarden::kernel_test

// The WinMM back end and the transport over it against another
// implementation of the Windows multimedia service: Wine's winmm, which
// drives the kernel's ALSA sequencer, with the a6-emulator program as a
// sequencer client at the other end. The emulator must be running before
// this program starts (Wine lists the sequencer's ports once, when its
// winmm starts); make test-wine-midi runs both in the test machine.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "data/a6_message.h"
#include "data/text.h"
#include "midi/emulator/a6_emulator.h"
#include "midi/find_a6.h"
#include "midi/winmm/winmm_system.h"
#include "tests/midi/kernel/kernel_support.h"
#include "tests/support/dumps.h"

namespace patchwarden::kernel_test {
namespace {

// Wine names a sequencer port after its client and itself.
constexpr char16_t emulator_port[] = u"A6 emulator - A6 emulator";

byte_vector program_request_bytes(int bank, int number) {
    a6_message request(program_request, bank, number);
    return encode_message(request);
}

class winmm_sequencer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GE(input_, 0) << "no input named after the emulator's port";
        ASSERT_GE(output_, 0) << "no output named after the emulator's port";
    }
    void TearDown() override {
        transport_.out().shutdown();
        transport_.in().shutdown();
        EXPECT_EQ(transport_.errors(), std::vector<std::u16string>{});
    }

    void open(std::int32_t buffer_size) { ASSERT_TRUE(transport_.open(input_, output_, buffer_size, 1)); }
    bool send(const byte_vector& bytes) { return transport_.send(bytes, 60s); }

    winmm_system system_;
    transport transport_{system_};
    int input_ = find_device(system_, true, emulator_port);
    int output_ = find_device(system_, false, emulator_port);
};

TEST_F(winmm_sequencer, find_a6_finds_the_emulator_by_its_identity_reply) {
    const std::optional<a6_found> found = find_a6(transport_.in(), transport_.out(), system_, 0, 0);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->input, input_);
    EXPECT_EQ(found->output, output_);
    EXPECT_EQ(narrow(found_text(*found)), narrow(u"Andromeda v2.05 found\r\nin: " + std::u16string(emulator_port) +
                                                 u"\r\nout: " + emulator_port));
}

TEST_F(winmm_sequencer, a_program_bank_arrives_byte_identical_one_block_per_message) {
    open(default_buffer_size);
    ASSERT_TRUE(send(program_bank_request_bytes(1)));
    EXPECT_EQ(transport_.receive(128, 120s), initial_program_bank(1));
    EXPECT_TRUE(transport_.receive(1, 500ms).empty());
}

// Each buffer the service is handed holds one whole message; the emulator
// keeps what it received, and hands it back on request.
TEST_F(winmm_sequencer, single_programs_sent_in_buffers_that_hold_them_whole_arrive_intact) {
    const std::int32_t sizes[] = {static_cast<std::int32_t>(program_dump_size), 4096, 65536};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        SCOPED_TRACE(sizes[i]);
        const int number = 10 + static_cast<int>(i);
        transport_.in().shutdown();
        open(sizes[i]);
        const byte_vector dump = testing::dump_bytes(program_dump, 0, number, u"Sent Whole", 3);
        ASSERT_EQ(dump.size(), program_dump_size);
        ASSERT_TRUE(send(dump));
        ASSERT_TRUE(send(program_request_bytes(0, number)));
        const std::vector<byte_vector> got = transport_.receive(1, 30s);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0], dump);
    }
}

// A reset in the middle of a bank hands the input's buffer back: the input
// closes, opens again and the next Get arrives whole.
TEST_F(winmm_sequencer, a_reset_in_the_middle_of_a_bank_returns_the_input_buffer) {
    open(default_buffer_size);
    ASSERT_TRUE(send(program_bank_request_bytes(2)));
    ASSERT_EQ(transport_.receive(1, 30s).size(), 1u);
    sysex_in& in = transport_.in();
    in.shutdown();  // fails if the service kept the buffer
    EXPECT_FALSE(in.is_open);
    in.drop_waiting();
    in.init(input_);
    ASSERT_TRUE(in.is_open);
    // What was still on its way arrives after the reopening: only whole
    // dumps of the bank, then the single Program asked for.
    ASSERT_TRUE(send(program_request_bytes(3, 7)));
    a6_message record = a6_emulator::initial_program(3, 7);
    const byte_vector wanted = encode_message(record);
    std::vector<byte_vector> got;
    const auto give_up = std::chrono::steady_clock::now() + 60s;
    while (std::find(got.begin(), got.end(), wanted) == got.end() && std::chrono::steady_clock::now() < give_up) {
        for (byte_vector& block : transport_.receive(1, 1s)) got.push_back(std::move(block));
    }
    EXPECT_NE(std::find(got.begin(), got.end(), wanted), got.end()) << "the Program asked for did not come";
    for (const byte_vector& block : got) EXPECT_EQ(parse_message(byte_vector(block)).kind, program_dump);
}

}  // namespace
}  // namespace patchwarden::kernel_test

// Wine 8's ALSA MIDI driver may fault while a process that used it ends
// (its notification thread, as the driver goes), which makes the exit status
// say nothing of the tests: their result is also written to the file that
// PW_TEST_RESULT names, before the process ends at once.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (const char* file = std::getenv("PW_TEST_RESULT")) {
        if (std::FILE* out = std::fopen(file, "w")) {
            std::fprintf(out, "%d\n", result);
            std::fclose(out);
        }
    }
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
    return result;
}

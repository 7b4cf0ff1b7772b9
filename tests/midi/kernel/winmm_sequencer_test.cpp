// The WinMM back end and the transport over it against another
// implementation of the Windows multimedia service: Wine's winmm, which
// drives the kernel's ALSA sequencer, with the a6-emulator program as a
// sequencer client at the other end. The emulator must be running before
// this program starts (Wine lists the sequencer's ports once, when its
// winmm starts); make test-wine-midi runs both in the test machine.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "data/a6_message.h"
#include "midi/emulator/a6_emulator.h"
#include "midi/find_a6.h"
#include "midi/transport/sysex_in.h"
#include "midi/transport/sysex_out.h"
#include "midi/winmm/winmm_system.h"
#include "tests/midi/fake_midi.h"
#include "tests/support/dumps.h"

namespace patchwarden {
namespace {

using namespace std::chrono_literals;
using testing::recording_sink;

// Wine names a sequencer port after its client and itself.
constexpr char16_t emulator_port[] = u"A6 emulator - A6 emulator";

byte_vector request_bytes(message_kind kind, int bank, int number) {
    a6_message request(kind, bank, number);
    return encode_message(request);
}

class winmm_sequencer : public ::testing::Test {
protected:
    void SetUp() override {
        input_ = position(true);
        output_ = position(false);
        ASSERT_GE(input_, 0) << "no input named after the emulator's port";
        ASSERT_GE(output_, 0) << "no output named after the emulator's port";
    }
    void TearDown() override {
        out_.shutdown();
        in_->shutdown();
        EXPECT_EQ(sink_.texts(), std::vector<std::string>{});
    }

    // The position of the emulator's port in a device list, or -1.
    int position(bool input) {
        const int count = input ? system_.input_count() : system_.output_count();
        for (int device = 0; device < count; ++device) {
            std::u16string name;
            const midi_result r = input ? system_.input_name(device, name) : system_.output_name(device, name);
            if (r == midi_result::ok && name == emulator_port) return device;
        }
        return -1;
    }

    void open(std::int32_t buffer_size) {
        in_->init(input_);
        out_.on_progress = &winmm_sequencer::progress;
        out_.on_progress_arg = this;
        out_.init(output_, buffer_size, 1);
        ASSERT_TRUE(in_->is_open);
        ASSERT_TRUE(out_.is_open);
    }

    // Queues the bytes and waits until the service has taken every slice.
    bool send(const byte_vector& bytes) {
        const std::int64_t target = sent_ + static_cast<std::int64_t>(bytes.size());
        out_.send_async(bytes);
        return testing::eventually([&] { return sent_ >= target; });
    }

    // Blocks until count have come or the time is up.
    std::vector<byte_vector> receive(std::size_t count, std::chrono::milliseconds time_out) {
        std::vector<byte_vector> blocks;
        const auto give_up = std::chrono::steady_clock::now() + time_out;
        while (blocks.size() < count && std::chrono::steady_clock::now() < give_up) {
            if (in_->queued() == 0 && !in_->wait_for_data()) continue;
            while (in_->queued() > 0) {
                byte_vector block;
                in_->get_data(block);
                blocks.push_back(std::move(block));
            }
        }
        return blocks;
    }

    static void progress(void* arg, std::int32_t chunk, std::int32_t, std::int32_t) {
        static_cast<winmm_sequencer*>(arg)->sent_ += chunk;
    }

    winmm_system system_;
    recording_sink sink_;
    std::unique_ptr<sysex_in> in_ = std::make_unique<sysex_in>(system_, sink_);
    sysex_out out_{system_, sink_};
    int input_ = -1;
    int output_ = -1;
    std::atomic<std::int64_t> sent_{0};
};

TEST_F(winmm_sequencer, find_a6_finds_the_emulator_by_its_identity_reply) {
    const std::optional<a6_found> found = find_a6(*in_, out_, system_, 0, 0);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->input, input_);
    EXPECT_EQ(found->output, output_);
    EXPECT_EQ(narrow(found_text(*found)), narrow(u"Andromeda v2.05 found\r\nin: " + std::u16string(emulator_port) +
                                                 u"\r\nout: " + emulator_port));
}

TEST_F(winmm_sequencer, a_program_bank_arrives_byte_identical_one_block_per_message) {
    open(default_buffer_size);
    ASSERT_TRUE(send(request_bytes(program_bank_request, 1, -1)));
    const std::vector<byte_vector> got = receive(128, 120s);
    std::vector<byte_vector> expected;
    for (int number = 0; number < 128; ++number) {
        a6_message record = a6_emulator::initial_program(1, number);
        expected.push_back(encode_message(record));
    }
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(receive(1, 500ms).empty());
}

// Each buffer the service is handed holds one whole message; the emulator
// keeps what it received, and hands it back on request.
TEST_F(winmm_sequencer, single_programs_sent_in_buffers_that_hold_them_whole_arrive_intact) {
    const std::int32_t sizes[] = {static_cast<std::int32_t>(program_dump_size), 4096, 65536};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        SCOPED_TRACE(sizes[i]);
        const int number = 10 + static_cast<int>(i);
        out_.shutdown();
        in_->shutdown();
        open(sizes[i]);
        const byte_vector dump = testing::dump_bytes(program_dump, 0, number, u"Sent Whole", 3);
        ASSERT_EQ(dump.size(), program_dump_size);
        ASSERT_TRUE(send(dump));
        ASSERT_TRUE(send(request_bytes(program_request, 0, number)));
        const std::vector<byte_vector> got = receive(1, 30s);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0], dump);
    }
}

// A reset in the middle of a bank hands the input's buffer back: the input
// closes, opens again and the next Get arrives whole.
TEST_F(winmm_sequencer, a_reset_in_the_middle_of_a_bank_returns_the_input_buffer) {
    open(default_buffer_size);
    ASSERT_TRUE(send(request_bytes(program_bank_request, 2, -1)));
    ASSERT_EQ(receive(1, 30s).size(), 1u);
    in_->shutdown();  // fails if the service kept the buffer
    EXPECT_FALSE(in_->is_open);
    in_->drop_waiting();
    in_->init(input_);
    ASSERT_TRUE(in_->is_open);
    // What was still on its way arrives after the reopening: only whole
    // dumps of the bank, then the single Program asked for.
    ASSERT_TRUE(send(request_bytes(program_request, 3, 7)));
    a6_message record = a6_emulator::initial_program(3, 7);
    const byte_vector wanted = encode_message(record);
    std::vector<byte_vector> got;
    const auto give_up = std::chrono::steady_clock::now() + 60s;
    while (std::find(got.begin(), got.end(), wanted) == got.end() && std::chrono::steady_clock::now() < give_up) {
        for (byte_vector& block : receive(1, 1s)) got.push_back(std::move(block));
    }
    EXPECT_NE(std::find(got.begin(), got.end(), wanted), got.end()) << "the Program asked for did not come";
    for (const byte_vector& block : got) EXPECT_EQ(parse_message(byte_vector(block)).kind, program_dump);
}

}  // namespace
}  // namespace patchwarden

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

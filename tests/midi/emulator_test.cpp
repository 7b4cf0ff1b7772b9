#include "midi/emulator/a6_emulator.h"

#include <gtest/gtest.h>

#include <set>

#include "data/identity.h"
#include "fake_midi.h"
#include "midi/device_list.h"
#include "midi/transport/sysex_in.h"
#include "midi/transport/sysex_out.h"

namespace patchwarden {
namespace {

using testing::event_log;
using testing::fake_midi_system;
using testing::recording_sink;

byte_vector request(message_kind kind, int bank = -1, int number = -1) {
    a6_message r(kind, bank, number);
    return encode_message(r);
}

// Waits bound only how long a hung test takes to fail; no test ends its
// work by a time-out.
constexpr std::chrono::seconds hang_guard{60};

// The program's side of a cable to the emulator: both transport objects
// open on it, pause 0.
struct cable {
    a6_emulator emulator;
    recording_sink sink;
    std::unique_ptr<sysex_in> in = std::make_unique<sysex_in>(emulator, sink);
    sysex_out out{emulator, sink};

    cable() {
        in->init(0);
        out.init(0, 1024, 0);
    }
    // Every block the emulator has delivered once it has answered the first
    // `requests` requests.
    std::vector<byte_vector> answers(std::size_t requests) {
        EXPECT_TRUE(emulator.wait_answered(requests, hang_guard));
        std::vector<byte_vector> blocks;
        while (in->queued() > 0) {
            byte_vector b;
            in->get_data(b);
            blocks.push_back(std::move(b));
        }
        return blocks;
    }
};

class emulator_test : public ::testing::Test, public cable {
protected:
    void SetUp() override {
        ASSERT_TRUE(in->is_open);
        ASSERT_TRUE(out.is_open);
    }
};

TEST_F(emulator_test, answers_the_identity_request_with_its_version) {
    out.send_async(request(identity_request));
    auto blocks = answers(1);
    ASSERT_EQ(blocks.size(), 1u);
    int major = 0, minor = 0;
    ASSERT_TRUE(parse_identity_reply(blocks[0], &major, &minor));
    EXPECT_EQ(major, 2);
    EXPECT_EQ(minor, 5);
}

TEST_F(emulator_test, bank_and_single_requests_return_distinct_entries_from_memory) {
    out.send_async(request(program_bank_request, 18));
    out.send_async(request(mix_request, 17, 127));
    out.send_async(request(global_request));
    const auto blocks = answers(3);
    ASSERT_EQ(blocks.size(), 130u);
    std::set<std::u16string> names;
    std::set<byte_vector> bodies;
    for (int n = 0; n < 128; ++n) {
        const a6_message m = parse_message(blocks[static_cast<std::size_t>(n)]);
        ASSERT_EQ(m.kind, program_dump);
        EXPECT_EQ(m.bank, 18);
        EXPECT_EQ(m.number, n);
        EXPECT_EQ(m.data, emulator.program(18, n).data);
        names.insert(m.name);
        bodies.insert(m.data);
    }
    EXPECT_EQ(names.size(), 128u);
    EXPECT_EQ(bodies.size(), 128u);
    const a6_message mix = parse_message(blocks[128]);
    EXPECT_EQ(mix.kind, mix_dump);
    EXPECT_EQ(mix.name, emulator.mix(17, 127).name);
    EXPECT_EQ(parse_message(blocks[129]).data, emulator.global().data);
    EXPECT_NE(emulator.program(0, 0).data, emulator.program(1, 0).data);
    EXPECT_NE(emulator.program(0, 0).data, emulator.mix(0, 0).data);
}

TEST_F(emulator_test, stores_every_dump_it_receives_and_answers_with_it_later) {
    a6_message dump = a6_emulator::initial_program(0, 5);
    dump.bank = 2;
    dump.number = 9;
    set_name(dump, u"Sent back");
    out.send_async(encode_message(dump));  // 2350 bytes: three chunks
    ASSERT_TRUE(emulator.wait_received(1, hang_guard));
    EXPECT_EQ(emulator.received()[0].record.name, dump.name);
    out.send_async(request(program_request, 2, 9));
    const auto blocks = answers(1);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(parse_message(blocks[0]).name, dump.name);
}

TEST(emulator_faults, misbehave_as_told) {
    struct row {
        emulator_fault fault;
        int count;
        std::size_t blocks;
        message_kind kind;
    };
    for (const row r : {row{emulator_fault::silent, 1, 0, program_dump},
                        row{emulator_fault::fewer_dumps, 3, 125, program_dump},
                        row{emulator_fault::garbage, 1, 128, unrecognised_message},
                        row{emulator_fault::truncated, 1, 128, unrecognised_message}}) {
        SCOPED_TRACE(static_cast<int>(r.fault));
        cable c;  // nothing left over from the row before
        c.emulator.set_fault(r.fault, r.count);
        c.out.send_async(request(program_bank_request, 1));
        const auto blocks = c.answers(1);
        EXPECT_EQ(blocks.size(), r.blocks);
        for (const auto& b : blocks) {
            EXPECT_EQ(parse_message(b).kind, r.kind);
            EXPECT_EQ(b.front(), 0xF0);
            EXPECT_EQ(b.back(), 0xF7);
            if (r.fault == emulator_fault::truncated) {
                EXPECT_EQ(b.size(), program_dump_size / 2);
            }
        }
    }
}

TEST_F(emulator_test, a_vanished_device_stops_answering_and_refuses_data) {
    emulator.set_fault(emulator_fault::vanish, 2);
    out.send_async(request(program_bank_request, 0));
    EXPECT_EQ(answers(1).size(), 2u);
    EXPECT_TRUE(emulator.vanished());
    const byte_vector lost = request(global_request);
    out.send_async(lost);
    testing::eventually([&] { return out.dropped_bytes() >= static_cast<std::int64_t>(lost.size()); });
    EXPECT_EQ(out.dropped_bytes(), static_cast<std::int64_t>(lost.size()));
    EXPECT_EQ(sink.texts(), (std::vector<std::string>{"sysex_out::send - unable to prepare header",
                                                      "sysex_out::send - unable to send message"}));
    out.shutdown();
    in->shutdown();
    in->init(0);
    EXPECT_FALSE(in->is_open);
}

TEST_F(emulator_test, replies_take_their_wire_time) {
    emulator.set_speed(10.0);
    const auto start = std::chrono::steady_clock::now();
    out.send_async(request(program_request, 0, 0));
    ASSERT_EQ(answers(1).size(), 1u);
    // 9 + 2350 bytes at 31,250 bytes a second, at the least.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(2359 * 32));
}

TEST(device_list, platform_devices_come_first_and_the_emulator_only_when_asked) {
    event_log log;
    fake_midi_system platform{log};
    a6_emulator emulator;
    device_list without(&platform, nullptr);
    EXPECT_EQ(without.input_count(), 3);
    device_list with(&platform, &emulator);
    ASSERT_EQ(with.output_count(), 4);
    std::u16string name;
    ASSERT_EQ(with.output_name(1, name), midi_result::ok);
    EXPECT_EQ(name, u"Out 1");
    ASSERT_EQ(with.output_name(3, name), midi_result::ok);
    EXPECT_EQ(name, u"A6 emulator");
    EXPECT_EQ(with.input_name(4, name), midi_result::error);
    // Positions hold until the next refresh, even if the platform changes.
    platform.input_names.push_back(u"In 3");
    ASSERT_EQ(with.input_name(3, name), midi_result::ok);
    EXPECT_EQ(name, u"A6 emulator");
    with.refresh();
    ASSERT_EQ(with.input_name(3, name), midi_result::ok);
    EXPECT_EQ(name, u"In 3");
    std::unique_ptr<midi_input> opened;
    EXPECT_EQ(with.open_input(-1, [](midi_input&, std::uint32_t, void*, midi_header*) {}, nullptr,
                              opened),
              midi_result::error);
}

}  // namespace
}  // namespace patchwarden

#include "data/split_messages.h"

#include <gtest/gtest.h>

#include <random>

#include "data/a6_message.h"
#include "tests/data/fixtures.h"

namespace patchwarden {
namespace {

std::vector<byte_vector> split_all(const byte_vector& stream) {
    std::vector<byte_vector> out;
    EXPECT_TRUE(split_messages(stream, [&](byte_vector&& c) {
        out.push_back(std::move(c));
        return true;
    }));
    return out;
}

byte_vector concat(std::initializer_list<byte_vector> parts) {
    byte_vector out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const byte_vector global_req = {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x09, 0x00, 0xF7};
const byte_vector program_req = {0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x01, 0x03, 0x0A, 0xF7};

// A candidate starts at the last 0xF0 before its 0xF7: stray bytes in front
// of a message, and the start of a message cut short, are skipped; a run
// with no 0xF0 is handed on as it is; bytes after the last 0xF7 form none.
TEST(split_messages, a_candidate_starts_at_its_last_f0) {
    const struct {
        byte_vector stream;
        std::vector<byte_vector> candidates;
    } rows[] = {
        {concat({{0x42}, global_req, {0x10, 0x11}, program_req}), {global_req, program_req}},
        {concat({global_req, program_req, {0x01, 0x02, 0x03}}), {global_req, program_req}},
        {concat({{0xF0, 0x00, 0x0E}, program_req}), {program_req}},  // a message cut short
        {concat({{0xF0, 0xF0}, global_req}), {global_req}},
        {{0xF0, 0x01, 0xF0, 0x02, 0xF7}, {{0xF0, 0x02, 0xF7}}},
        {{0x01, 0x02, 0xF7, 0xF7}, {{0x01, 0x02, 0xF7}, {0xF7}}},
        {{}, {}},
        {{0xF0, 0x00, 0x01}, {}},
    };
    for (const auto& row : rows) EXPECT_EQ(split_all(row.stream), row.candidates);
}

TEST(split_messages, stops_right_after_the_candidate_that_asked) {
    const byte_vector stream = concat({global_req, program_req, global_req, program_req});
    for (std::size_t stop_at = 1; stop_at <= 5; ++stop_at) {
        std::size_t seen = 0;
        const bool finished = split_messages(stream, [&](byte_vector&&) { return ++seen < stop_at; });
        EXPECT_EQ(finished, stop_at == 5) << stop_at;
        EXPECT_EQ(seen, std::min<std::size_t>(stop_at, 4));
    }
}

TEST(message_splitter, every_split_point_gives_the_same_candidates) {
    std::mt19937 rng(31);
    // Stray bytes and a message cut short before the first message; after
    // the last 0xF7, a 0xF0 that starts the candidate in progress afresh.
    const byte_vector stream =
        concat({{0x55, 0xF0, 0x33}, global_req, testing::mix_message(testing::random_bytes(1024, rng), 2, 3),
                program_req, {0xF7}, global_req, {0x01, 0xF0, 0x02}});
    const auto whole = split_all(stream);
    ASSERT_EQ(whole.size(), 5u);

    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        message_splitter splitter;
        std::vector<byte_vector> got;
        const auto keep = [&](byte_vector&& c) {
            got.push_back(std::move(c));
            return true;
        };
        ASSERT_TRUE(splitter.feed(std::span(stream).first(cut), keep));
        ASSERT_TRUE(splitter.feed(std::span(stream).subspan(cut), keep));
        ASSERT_EQ(got, whole) << "cut at " << cut;
        EXPECT_EQ(splitter.pending(), 2u);  // 0xF0 0x02
    }

    // One byte at a time.
    message_splitter splitter;
    std::vector<byte_vector> got;
    for (std::uint8_t b : stream)
        splitter.feed(std::span(&b, 1), [&](byte_vector&& c) {
            got.push_back(std::move(c));
            return true;
        });
    EXPECT_EQ(got, whole);
}

TEST(message_splitter, stopping_leaves_the_rest_of_the_piece_unread) {
    const byte_vector piece = concat({global_req, program_req, {0x01}});
    message_splitter splitter;
    int calls = 0;
    EXPECT_FALSE(splitter.feed(piece, [&](byte_vector&& c) {
        ++calls;
        EXPECT_EQ(c, global_req);
        return false;
    }));
    EXPECT_EQ(calls, 1);
}

TEST(message_splitter, candidates_parse_as_they_complete) {
    std::mt19937 rng(32);
    const byte_vector body = testing::random_bytes(2048, rng);
    const byte_vector dump = testing::program_message(body, 1, 7);
    message_splitter splitter;
    std::vector<message_kind> kinds;
    const auto parse = [&](byte_vector&& c) {
        kinds.push_back(parse_message(std::move(c)).kind);
        return true;
    };
    // The dump arrives in three pieces; it is parsed when its last piece is fed.
    splitter.feed(std::span(dump).first(1000), parse);
    splitter.feed(std::span(dump).subspan(1000, 1000), parse);
    EXPECT_TRUE(kinds.empty());
    EXPECT_EQ(splitter.pending(), 2000u);
    splitter.feed(std::span(dump).subspan(2000), parse);
    EXPECT_EQ(kinds, std::vector<message_kind>{program_dump});
    EXPECT_EQ(splitter.pending(), 0u);
}

}  // namespace
}  // namespace patchwarden

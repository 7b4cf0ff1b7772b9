// split_messages and message_splitter on arbitrary streams. The first input
// byte chooses the piece size for feeding the stream in parts, the second
// after which candidate to stop; the rest is the stream.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "data/split_messages.h"
#include "fuzz/message_properties.h"

using namespace patchwarden;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t piece = std::size_t{data[0]} + 1;
    const std::size_t stop_after = data[1];  // 0: never stop
    const std::span<const std::uint8_t> stream(data + 2, size - 2);

    // The whole stream at once: every candidate ends with its only F7 and
    // is the end of the run since the F7 before (or the stream's start):
    // from the run's last F0 when it has one, otherwise the whole run.
    std::vector<byte_vector> whole;
    FUZZ_CHECK(split_messages(stream, [&](byte_vector&& c) {
        whole.push_back(std::move(c));
        return true;
    }));
    const std::size_t ends = static_cast<std::size_t>(std::count(stream.begin(), stream.end(), 0xF7));
    FUZZ_CHECK(whole.size() == ends);
    std::size_t at = 0;
    for (const byte_vector& c : whole) {
        const auto run_end = std::find(stream.begin() + static_cast<std::ptrdiff_t>(at), stream.end(), 0xF7) + 1;
        const std::size_t run = static_cast<std::size_t>(run_end - stream.begin()) - at;
        FUZZ_CHECK(!c.empty() && c.size() <= run);
        FUZZ_CHECK(std::equal(c.rbegin(), c.rend(), std::make_reverse_iterator(run_end)));
        const auto skipped = stream.subspan(at, run - c.size());
        FUZZ_CHECK(std::count(c.begin(), c.end(), 0xF0) == (c.front() == 0xF0 ? 1 : 0));
        FUZZ_CHECK(c.front() == 0xF0 || skipped.empty());
        at += run;
        fuzzing::check_record(c.data(), c.size());
    }
    // What follows the last F7 is the candidate in progress, from its last F0.
    const auto tail = stream.subspan(at);
    const auto tail_f0 = std::find(tail.rbegin(), tail.rend(), 0xF0);
    const std::size_t rest =
        tail_f0 == tail.rend() ? tail.size() : static_cast<std::size_t>(tail_f0 - tail.rbegin() + 1);

    // The same stream fed in pieces gives the same candidates.
    message_splitter splitter;
    std::size_t next = 0;
    for (std::size_t from = 0; from < stream.size(); from += piece) {
        const auto part = stream.subspan(from, std::min(piece, stream.size() - from));
        FUZZ_CHECK(splitter.feed(part, [&](byte_vector&& c) {
            FUZZ_CHECK(next < whole.size() && c == whole[next]);
            ++next;
            return true;
        }));
    }
    FUZZ_CHECK(next == whole.size());
    FUZZ_CHECK(splitter.pending() == rest);

    // Stopping after a candidate hands out nothing more.
    if (stop_after != 0) {
        std::size_t seen = 0;
        const bool finished = split_messages(stream, [&](byte_vector&& c) {
            FUZZ_CHECK(seen < whole.size() && c == whole[seen]);
            return ++seen < stop_after;
        });
        FUZZ_CHECK(seen == std::min(stop_after, whole.size()));
        FUZZ_CHECK(finished == (stop_after > whole.size()));
    }
    return 0;
}

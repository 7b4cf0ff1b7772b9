// read_syx_file on files made from the input, read in blocks of a size the
// input chooses. The input describes the file in pieces: literal bytes, or a
// byte repeated up to megabytes, so that candidates longer than the limit
// (1 MiB) come up often.
//
// The candidates handed on are exactly those of splitting the whole file at
// once, less the ones longer than the limit; stopping after one of them
// hands on no more; and writing what was handed on to a new file and reading
// that gives the same candidates again.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/split_messages.h"
#include "fuzz/check.h"
#include "app/files/syx_file.h"

using namespace patchwarden;

namespace {

// Room for one candidate past the limit and more after it.
constexpr std::size_t largest_file = syx_longest_candidate + syx_longest_candidate / 4;

std::filesystem::path scratch(const char* name) {
    return std::filesystem::temp_directory_path() /
           ("pw_fuzz_syx_" + std::to_string(::getpid()) + "_" + name + ".syx");
}

void write_file(const std::filesystem::path& path, const byte_vector& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

std::vector<byte_vector> read_all(const std::filesystem::path& path, std::size_t block) {
    std::vector<byte_vector> got;
    const read_result result = read_syx_file(
        path,
        [&](byte_vector&& c) {
            got.push_back(std::move(c));
            return true;
        },
        block);
    FUZZ_CHECK(result == read_result::complete);
    return got;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    // 1 to 131072 bytes a block, but no fewer than a 4096th of the file, so
    // that a run reads a file of megabytes in a few thousand blocks at most.
    std::size_t block = (std::size_t{data[0]} | std::size_t{data[1]} << 8 | static_cast<std::size_t>(data[2] & 1) << 16) + 1;
    std::size_t at = 3;

    // Pieces: a byte below 0x80 is followed by that many + 1 literal bytes;
    // one from 0x80 up by a byte to repeat and a count in units of 1 KiB
    // (its low 7 bits and the next byte), plus the low bits of that byte.
    byte_vector file;
    while (at < size && file.size() < largest_file) {
        const unsigned head = data[at++];
        if (head < 0x80) {
            const std::size_t n = std::min<std::size_t>(head + 1, size - at);
            file.insert(file.end(), data + at, data + at + n);
            at += n;
        } else {
            if (size - at < 2) break;
            const std::uint8_t value = data[at];
            const std::size_t count = ((std::size_t{head & 0x7F} << 8 | data[at + 1]) << 10) + (data[at + 1] & 0x0F);
            at += 2;
            file.insert(file.end(), std::min(count, largest_file - file.size()), value);
        }
    }

    block = std::max(block, file.size() / 4096);

    std::vector<byte_vector> expected;
    split_messages(file, [&](byte_vector&& c) {
        if (c.size() <= syx_longest_candidate) expected.push_back(std::move(c));
        return true;
    });

    const std::filesystem::path in = scratch("in");
    write_file(in, file);
    const std::vector<byte_vector> got = read_all(in, block);
    FUZZ_CHECK(got == expected);

    // Stopping after a candidate.
    if (!expected.empty()) {
        const std::size_t stop_after = 1 + file.size() % expected.size();
        std::size_t seen = 0;
        const read_result result = read_syx_file(
            in,
            [&](byte_vector&& c) {
                FUZZ_CHECK(seen < expected.size() && c == expected[seen]);
                return ++seen < stop_after;
            },
            block);
        FUZZ_CHECK(seen == stop_after && result == read_result::stopped);
    }

    // What was read, written back and read again.
    outgoing_queue list;
    for (const byte_vector& c : got) list.push_back({c, 0});
    const std::filesystem::path out = scratch("out");
    FUZZ_CHECK(write_syx_file(out, list, write_mode::replace));
    FUZZ_CHECK(read_all(out, block) == got);

    std::error_code error;
    std::filesystem::remove(in, error);
    std::filesystem::remove(out, error);
    return 0;
}

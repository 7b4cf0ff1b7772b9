// Throughput of the data layer: 7-bit packing of the largest dump body, one
// Program dump through parse and encode, and a file-sized stream of mixed
// dumps cut into messages and parsed.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "data/a6_message.h"
#include "data/seven_bit.h"
#include "data/split_messages.h"

namespace patchwarden {
namespace {

byte_vector random_body(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    byte_vector out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

byte_vector dump(message_kind kind, const byte_vector& body, int bank, int number) {
    a6_message r(kind, bank, number);
    r.data = body;
    if (kind != global_dump) r.name.assign(body.begin() + 2, body.begin() + 18), r.name.push_back(0);
    return encode_message(r);
}

void pack_global_body(benchmark::State& state) {
    const byte_vector body = random_body(global_body_size, 1);
    byte_vector out(packed_size(body.size()));
    for (auto _ : state) {
        pack_7bit(body, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
BENCHMARK(pack_global_body);

void unpack_global_body(benchmark::State& state) {
    const byte_vector packed = pack_7bit(random_body(global_body_size, 2));
    byte_vector out(unpacked_size(packed.size()));
    for (auto _ : state) {
        unpack_7bit(packed, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out.size()));
}
BENCHMARK(unpack_global_body);

void parse_and_encode_program(benchmark::State& state) {
    const byte_vector message = dump(program_dump, random_body(program_body_size, 3), 1, 42);
    for (auto _ : state) {
        a6_message r = parse_message(message);
        byte_vector back = encode_message(r);
        benchmark::DoNotOptimize(back.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * message.size()));
}
BENCHMARK(parse_and_encode_program);

// About 8 MB of Program, Mix and Global Data dumps back to back, fed to the
// splitter in 64 KB pieces as a file would be read.
void split_and_parse_stream(benchmark::State& state) {
    const std::size_t target = 8u << 20;
    byte_vector stream;
    stream.reserve(target + global_dump_size);
    std::uint32_t seed = 10;
    while (stream.size() < target) {
        byte_vector m;
        switch (seed % 8) {
        case 0: m = dump(global_dump, random_body(global_body_size, seed), -1, -1); break;
        case 1: case 2: case 3: m = dump(mix_dump, random_body(mix_body_size, seed), 2, seed % 128); break;
        default: m = dump(program_dump, random_body(program_body_size, seed), 0, seed % 128); break;
        }
        stream.insert(stream.end(), m.begin(), m.end());
        ++seed;
    }
    const std::size_t piece = 64 * 1024;
    std::size_t dumps = 0;
    for (auto _ : state) {
        message_splitter splitter;
        dumps = 0;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            const std::size_t n = std::min(piece, stream.size() - at);
            splitter.feed(std::span<const std::uint8_t>(stream.data() + at, n), [&](byte_vector&& c) {
                const a6_message r = parse_message(std::move(c));
                dumps += r.kind <= global_dump;
                return true;
            });
        }
        benchmark::DoNotOptimize(dumps);
    }
    state.counters["messages"] = static_cast<double>(dumps);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(split_and_parse_stream)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace patchwarden

BENCHMARK_MAIN();

// Cost of the library with a whole instrument's worth of data: 19 x 128
// Programs, 18 x 128 Mixes and the Global Data (4,737 records), and with a
// quarter of it, to see how the cost grows.
//
//   insert_into_empty  load every record into an empty library, ask off
//   replace_all        load it again: every record replaces one
//   walk_everything    walk "Everything" into a queue of encoded messages
//
// The second argument says how a quarter library is made: 0 takes the first
// quarter of the records in bank order (full banks), 1 spreads it over every
// bank (each bank a quarter full).
//
// walk_everything allocates some 11 MB of messages per run; when the
// allocator hands freed memory back to the system between runs, the page
// faults of touching it again are part of the figure (run with
// GLIBC_TUNABLES=glibc.malloc.trim_threshold=4000000000 to see the walk
// alone).

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "data/a6_message.h"
#include "data/bank_naming.h"
#include "data/message_box.h"
#include "library/library_tree.h"

namespace patchwarden {
namespace {

a6_message entry(message_kind kind, int bank, int number) {
    a6_message record(kind, bank, number);
    record.data.resize(kind == program_dump ? program_body_size : mix_body_size);
    for (std::size_t i = 0; i < record.data.size(); ++i)
        record.data[i] = static_cast<std::uint8_t>((i * 7 + static_cast<std::size_t>(bank * 128 + number)) & 0x7F);
    std::u16string name = u"Entry ";
    name += static_cast<char16_t>(u'A' + bank);
    name += static_cast<char16_t>(u'0' + number / 100);
    name += static_cast<char16_t>(u'0' + number / 10 % 10);
    name += static_cast<char16_t>(u'0' + number % 10);
    set_name(record, name);
    return record;
}

// The records of a library of `size` records (4737 for the whole one).
std::vector<a6_message> library_of(int size, bool spread) {
    std::vector<a6_message> records;
    const int per_bank = spread ? (size - 1) / (program_bank_count + mix_bank_count) : entries_per_bank;
    for (const message_kind kind : {program_dump, mix_dump}) {
        const int banks = kind == program_dump ? program_bank_count : mix_bank_count;
        for (int bank = 0; bank < banks; ++bank)
            for (int number = 0; number < per_bank; ++number) {
                if (static_cast<int>(records.size()) >= size - 1) break;
                records.push_back(entry(kind, bank, number));
            }
    }
    a6_message global(global_dump);
    global.data.assign(global_body_size, 0x55);
    records.push_back(std::move(global));
    return records;
}

std::vector<std::unique_ptr<a6_message>> fresh_copies(const std::vector<a6_message>& records) {
    std::vector<std::unique_ptr<a6_message>> copies;
    copies.reserve(records.size());
    for (const auto& r : records) copies.push_back(std::make_unique<a6_message>(r));
    return copies;
}

void insert_all(library_tree& tree, std::vector<std::unique_ptr<a6_message>>& records, message_box& box) {
    for (auto& r : records) tree.insert_record(std::move(r), false, box_buttons::yes_no_cancel, box);
}

void insert_into_empty(benchmark::State& state) {
    const auto records = library_of(static_cast<int>(state.range(0)), state.range(1) != 0);
    yes_message_box box;
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<library_tree>();
        auto copies = fresh_copies(records);
        state.ResumeTiming();
        insert_all(*tree, copies, box);
        state.PauseTiming();
        if (tree->node_count() < records.size()) state.SkipWithError("records went missing");
        tree.reset();
        copies.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(records.size()));
    state.counters["records"] = static_cast<double>(records.size());
}

void replace_all(benchmark::State& state) {
    const auto records = library_of(static_cast<int>(state.range(0)), state.range(1) != 0);
    yes_message_box box;
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<library_tree>();
        auto first = fresh_copies(records);
        insert_all(*tree, first, box);
        const std::size_t nodes = tree->node_count();
        auto again = fresh_copies(records);
        state.ResumeTiming();
        insert_all(*tree, again, box);
        state.PauseTiming();
        if (tree->node_count() != nodes) state.SkipWithError("replacing changed the tree's size");
        tree.reset();
        first.clear();
        again.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(records.size()));
    state.counters["records"] = static_cast<double>(records.size());
}

void walk_everything(benchmark::State& state) {
    const auto records = library_of(static_cast<int>(state.range(0)), state.range(1) != 0);
    yes_message_box box;
    library_tree tree;
    auto copies = fresh_copies(records);
    insert_all(tree, copies, box);
    for (auto _ : state) {
        outgoing_queue queue;
        tree.walk_subtree(tree.root(), queue);
        if (queue.size() != records.size()) state.SkipWithError("walk missed records");
        state.PauseTiming();
        queue.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(records.size()));
    state.counters["records"] = static_cast<double>(records.size());
}

constexpr int whole = 4737;
constexpr int quarter = (whole + 3) / 4;

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({quarter, 0})->Args({quarter, 1})->Args({whole, 0})->Unit(benchmark::kMillisecond);
}

BENCHMARK(insert_into_empty)->Apply(sizes);
BENCHMARK(replace_all)->Apply(sizes);
BENCHMARK(walk_everything)->Apply(sizes);

}  // namespace
}  // namespace patchwarden

BENCHMARK_MAIN();

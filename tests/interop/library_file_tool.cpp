// Patchwarden's side of a .syx file exchanged with another program:
//
//   library_file_tool save FILE    saves a full library to FILE: every Program
//                                  and Mix of every bank, then the Global Data
//   library_file_tool check FILE   loads FILE into an empty library and exits
//                                  with 0 only when it equals the full library
//
// Saving and loading go through the same file code and library tree as the
// window's Save and Load.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "data/a6_message.h"
#include "data/bank_naming.h"
#include "data/message_box.h"
#include "data/text.h"
#include "library/library_tree.h"
#include "app/files/syx_file.h"

namespace patchwarden {
namespace {

// Every entry gets its own name and body. Body bytes take every value 0..255
// and the names carry characters above 0x7F, so nothing fits in 7 bits by
// chance.
void fill_full_library(library_tree& library, message_box& box) {
    std::mt19937 random(4737);
    auto random_body = [&](a6_message& record, std::size_t size) {
        record.data.resize(size);
        for (auto& byte : record.data) byte = static_cast<std::uint8_t>(random());
    };
    for (message_kind kind : {program_dump, mix_dump}) {
        const int banks = bank_count(a6_message(kind));
        for (int bank = 0; bank < banks; ++bank) {
            for (int number = 0; number < 128; ++number) {
                auto record = std::make_unique<a6_message>(kind, bank, number);
                random_body(*record, kind == program_dump ? program_body_size : mix_body_size);
                set_name(*record, (kind == program_dump ? u"Klang " : u"Mischung ") + decimal(bank) + u"\u00b7" +
                                      decimal(number, 3));
                library.insert_record(std::move(record), false, box_buttons::yes_no, box);
            }
        }
    }
    auto global = std::make_unique<a6_message>(global_dump);
    random_body(*global, global_body_size);
    library.insert_record(std::move(global), false, box_buttons::yes_no, box);
}

outgoing_queue everything(library_tree& library) {
    outgoing_queue queue;
    library.walk_subtree(library.root(), queue);
    return queue;
}

void describe(const library_node& node, int depth, std::string& out) {
    out += std::string(static_cast<std::size_t>(depth) * 2, ' ') + narrow(node.label()) + '\n';
    for (const auto& child : node.children()) describe(*child, depth + 1, out);
}

std::string shape(const library_tree& library) {
    std::string out;
    for (const auto& node : library.top_level()) describe(*node, 0, out);
    return out;
}

int save(const std::filesystem::path& file) {
    yes_message_box box;
    library_tree library;
    fill_full_library(library, box);
    const outgoing_queue messages = everything(library);
    if (!write_syx_file(file, messages, write_mode::replace)) {
        std::fprintf(stderr, "could not save %s\n", file.c_str());
        return 1;
    }
    std::printf("saved %zu messages\n", messages.size());
    return 0;
}

int check(const std::filesystem::path& file) {
    yes_message_box box;
    library_tree expected;
    fill_full_library(expected, box);
    library_tree loaded;
    const read_result result = read_syx_file(file, [&](byte_vector&& candidate) {
        loaded.insert_record(std::make_unique<a6_message>(parse_message(std::move(candidate))), false,
                             box_buttons::yes_no_cancel, box);
        return true;
    });
    if (result != read_result::complete) {
        std::fprintf(stderr, "could not read %s\n", file.c_str());
        return 1;
    }
    const std::string got_shape = shape(loaded);
    const std::string want_shape = shape(expected);
    if (got_shape != want_shape) {
        const auto at = std::mismatch(got_shape.begin(), got_shape.end(), want_shape.begin(), want_shape.end());
        const auto line = std::count(got_shape.begin(), at.first, '\n');
        std::fprintf(stderr, "the loaded tree differs from the saved one from line %td on\n", line + 1);
        return 1;
    }
    const outgoing_queue want = everything(expected);
    const outgoing_queue got = everything(loaded);
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (got[i].bytes != want[i].bytes) {
            std::fprintf(stderr, "entry %zu of the loaded tree differs from the saved one\n", i);
            return 1;
        }
    }
    std::printf("loaded %zu messages into the same tree\n", got.size());
    return 0;
}

}  // namespace
}  // namespace patchwarden

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "save") == 0) return patchwarden::save(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "check") == 0) return patchwarden::check(argv[2]);
    std::fprintf(stderr, "usage: %s save|check FILE\n", argv[0]);
    return 2;
}

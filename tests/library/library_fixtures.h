#pragma once

// Records and tree pictures for the library tests.

#include <memory>
#include <string>

#include "data/a6_message.h"
#include "data/text.h"
#include "library/library_node.h"
#include "library/library_tree.h"

namespace patchwarden::testing {

// A Program or Mix dump with a full body whose bytes tell records apart.
inline std::unique_ptr<a6_message> make_entry(message_kind kind, int bank, int number, const char* name,
                                              unsigned char fill_byte = 0) {
    auto record = std::make_unique<a6_message>(kind, bank, number);
    record->data.assign(kind == program_dump ? program_body_size : mix_body_size, fill_byte);
    set_name(*record, widen(name));
    return record;
}

inline std::unique_ptr<a6_message> make_program(int bank, int number, const char* name,
                                                unsigned char fill_byte = 0) {
    return make_entry(program_dump, bank, number, name, fill_byte);
}

inline std::unique_ptr<a6_message> make_mix(int bank, int number, const char* name, unsigned char fill_byte = 0) {
    return make_entry(mix_dump, bank, number, name, fill_byte);
}

inline std::unique_ptr<a6_message> make_global(unsigned char fill_byte = 0) {
    auto record = std::make_unique<a6_message>(global_dump);
    record->data.assign(global_body_size, fill_byte);
    return record;
}

// The tree as indented labels, one node a line; "+" marks an expanded node
// and "*" a node with a record. Trailing spaces of names are trimmed so the
// pictures stay readable.
inline void picture_of(const library_node& node, int depth, std::string& out) {
    std::string label = narrow(node.label());
    while (!label.empty() && label.back() == ' ') label.pop_back();
    out += std::string(static_cast<std::size_t>(depth) * 2, ' ') + label;
    if (node.expanded()) out += '+';
    if (node.record()) out += '*';
    out += '\n';
    for (const auto& child : node.children()) picture_of(*child, depth + 1, out);
}

inline std::string picture(const library_tree& tree) {
    std::string out;
    for (const auto& node : tree.top_level()) picture_of(*node, 0, out);
    return out;
}

}  // namespace patchwarden::testing

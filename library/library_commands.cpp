#include "library/library_commands.h"

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/a6_message.h"
#include "data/request_text.h"

namespace patchwarden {

namespace {

// The edit fields hand over at most 1023 characters, and a zero unit ends
// the text.
constexpr std::size_t field_limit = 1023;

std::u16string_view field_text(std::u16string_view text) {
    text = text.substr(0, std::min(text.size(), field_limit));
    const std::size_t end = text.find(u'\0');
    return end == std::u16string_view::npos ? text : text.substr(0, end);
}

bool is_entry_kind(message_kind kind) { return kind == program_dump || kind == mix_dump; }

bool is_space(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// Moves or copies one entry; the two commands share everything else.
using entry_command = library_node* (*)(library_tree&, library_node*, int, int, std::u16string_view, bool, message_box&);

library_node* run_on_selection(entry_command command, library_tree& tree, library_node* selected,
                               std::u16string_view bank_text, std::u16string_view number_text,
                               std::u16string_view name_text, const ask_flag& ask, message_box& box) {
    if (!tree.contains(selected)) selected = nullptr;
    const std::u16string bank_field(field_text(bank_text));

    if (const a6_message* record = tree.record_of(selected)) {
        if (!is_entry_kind(record->kind)) return nullptr;
        int number = 0;
        if (!read_entry_number(field_text(number_text), number)) return nullptr;
        const std::uint64_t serial = selected->serial();
        std::size_t pos = 0;
        int bank = 0;
        if (!parse_bank_spec(bank_field, pos, record->kind, bank, box)) return nullptr;
        // A message box may have been open: make sure the entry is still there.
        selected = tree.find_serial(serial);
        if (!selected) return nullptr;
        const std::u16string name(field_text(name_text));
        return command(tree, selected, bank, number, name, ask ? ask() : false, box);
    }

    // A bank node: every entry goes to the bank of the Bank field.
    const a6_message* first = tree.record_of(tree.first_child(selected));
    if (!first || !is_entry_kind(first->kind)) return nullptr;
    const std::uint64_t bank_serial = selected->serial();
    std::size_t pos = 0;
    int bank = 0;
    if (!parse_bank_spec(bank_field, pos, first->kind, bank, box)) return nullptr;
    selected = tree.find_serial(bank_serial);
    if (!selected) return nullptr;

    std::vector<std::uint64_t> collected;
    collected.reserve(selected->children().size());
    for (const auto& child : selected->children()) collected.push_back(child->serial());

    std::vector<std::uint64_t> placed;
    for (const std::uint64_t serial : collected) {
        // A replace prompt of an earlier entry may have let the user (or a
        // reception) remove or replace this one: skip it then.
        library_node* entry = tree.find_serial(serial);
        const a6_message* record = tree.record_of(entry);
        if (!record || !is_entry_kind(record->kind)) continue;
        const int number = record->number;
        const std::u16string name(name_characters(*record));
        if (const library_node* now = command(tree, entry, bank, number, name, ask ? ask() : false, box))
            placed.push_back(now->serial());
    }

    library_node* left = tree.find_serial(bank_serial);
    if (left && left->child_count() == 0) tree.prune_empty(left);
    // Later prompts may have let an entry placed earlier go again.
    for (const std::uint64_t serial : placed)
        if (library_node* still = tree.find_serial(serial)) return still;
    return nullptr;
}

ask_flag constant(bool ask) {
    return [ask] { return ask; };
}

}  // namespace

bool read_entry_number(std::u16string_view text, int& number) {
    std::size_t pos = 0;
    while (pos < text.size() && is_space(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    if (pos >= text.size() || text[pos] < u'0' || text[pos] > u'9') return false;
    long long value = 0;
    for (; pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; ++pos)
        if (value <= 127) value = value * 10 + (text[pos] - u'0');
    if (negative) value = -value;
    if (value < 0 || value > 127) return false;
    number = static_cast<int>(value);
    return true;
}

void unload_selection(library_tree& tree, library_node* selected) {
    if (!tree.contains(selected)) return;
    library_node* parent = selected->parent();
    tree.remove_subtree(selected);
    tree.prune_empty(parent);
}

library_node* move_entry(library_tree& tree, library_node* entry, int bank, int number, std::u16string_view name,
                         bool ask, message_box& box) {
    const a6_message* record = tree.record_of(entry);
    if (!record || !is_entry_kind(record->kind)) return nullptr;
    const message_kind kind = record->kind;
    const std::u16string new_name(name);  // name may point into a record that a prompt frees

    // Ask before the entry leaves its place, so that No keeps it as it is.
    // A Yes counts only for the occupant the prompt named: when another has
    // taken the place while the prompt was open, the user is asked about it.
    library_node* occupant = tree.find_entry(record->kind, bank, number);
    while (ask && occupant && occupant != entry) {
        a6_message incoming(record->kind, bank, number);
        set_name(incoming, new_name);
        const a6_message* occupant_record = tree.record_of(occupant);
        const std::u16string text = replace_prompt_text(occupant_record ? *occupant_record : a6_message(), incoming);
        const std::uint64_t serial = entry->serial();
        const std::uint64_t asked_about = occupant->serial();
        const void* moving = record;
        const box_answer answer = box.show(text, u"", box_buttons::yes_no, box_icon::none);
        if (answer != box_answer::yes) {
            tree.set_expanded(tree.root(), true);
            return nullptr;
        }
        // The entry may have gone, or been replaced, while the prompt was open.
        entry = tree.find_serial(serial);
        record = tree.record_of(entry);
        if (!record || static_cast<const void*>(record) != moving) return nullptr;
        occupant = tree.find_entry(record->kind, bank, number);
        if (occupant && occupant->serial() == asked_about) break;
    }

    library_node* parent = entry->parent();
    std::unique_ptr<a6_message> moved = tree.detach_record(entry);
    moved->bank = bank;
    moved->number = number;
    set_name(*moved, new_name);
    tree.remove_subtree(entry);
    tree.prune_empty(parent);
    // Already asked (or nothing to ask): nothing can change between here and
    // the insertion, which therefore asks no more.
    tree.insert_record(std::move(moved), false, box_buttons::yes_no, box);
    return tree.find_entry(kind, bank, number);
}

library_node* copy_entry(library_tree& tree, library_node* entry, int bank, int number, std::u16string_view name,
                         bool ask, message_box& box) {
    const a6_message* record = tree.record_of(entry);
    if (!record || !is_entry_kind(record->kind)) return nullptr;
    const message_kind kind = record->kind;
    auto copy = std::make_unique<a6_message>(*record);
    copy->number = number;
    copy->bank = bank;
    set_name(*copy, name);
    if (tree.insert_record(std::move(copy), ask, box_buttons::yes_no, box) != box_answer::yes) return nullptr;
    return tree.find_entry(kind, bank, number);
}

library_node* move_selection(library_tree& tree, library_node* selected, std::u16string_view bank_text,
                              std::u16string_view number_text, std::u16string_view name_text, const ask_flag& ask,
                              message_box& box) {
    return run_on_selection(&move_entry, tree, selected, bank_text, number_text, name_text, ask, box);
}

library_node* move_selection(library_tree& tree, library_node* selected, std::u16string_view bank_text,
                              std::u16string_view number_text, std::u16string_view name_text, bool ask,
                              message_box& box) {
    return move_selection(tree, selected, bank_text, number_text, name_text, constant(ask), box);
}

library_node* copy_selection(library_tree& tree, library_node* selected, std::u16string_view bank_text,
                              std::u16string_view number_text, std::u16string_view name_text, const ask_flag& ask,
                              message_box& box) {
    return run_on_selection(&copy_entry, tree, selected, bank_text, number_text, name_text, ask, box);
}

library_node* copy_selection(library_tree& tree, library_node* selected, std::u16string_view bank_text,
                              std::u16string_view number_text, std::u16string_view name_text, bool ask,
                              message_box& box) {
    return copy_selection(tree, selected, bank_text, number_text, name_text, constant(ask), box);
}

}  // namespace patchwarden

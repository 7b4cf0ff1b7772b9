#include "library/library_tree.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "data/bank_naming.h"
#include "data/text.h"

namespace patchwarden {

namespace {

bool is_entry_kind(message_kind kind) { return kind == program_dump || kind == mix_dump; }

std::u16string_view section_label(message_kind kind) {
    return kind == program_dump ? programs_label : mixes_label;
}

std::u16string bank_label(message_kind kind, int bank) {
    a6_message where(kind, bank, 0);
    return bank_display_name(where);
}

bool label_matches(const std::u16string& candidate, std::u16string_view label, bool prefix) {
    if (prefix) return candidate.size() >= label.size() && std::u16string_view(candidate).substr(0, label.size()) == label;
    return std::u16string_view(candidate) == label;
}

}  // namespace

library_node::~library_node() = default;

library_node* library_node::child(int row) const {
    if (row < 0 || row >= child_count()) return nullptr;
    return children_[static_cast<std::size_t>(row)].get();
}

std::u16string shown_name(const a6_message& record) {
    std::u16string_view name = name_characters(record);
    const std::size_t end = name.find(u'\0');
    if (end != std::u16string_view::npos) name = name.substr(0, end);
    return std::u16string(name);
}

std::u16string entry_label(const a6_message& record) {
    std::u16string label = decimal(record.number, 3);
    label += u' ';
    label += shown_name(record);
    return label;
}

std::u16string replace_prompt_text(const a6_message& existing, const a6_message& incoming) {
    const std::u16string_view format = incoming.kind == program_dump
                                           ? u"Replace program at %s bank %d\r\n'%s' with\r\n'%s'?"
                                           : u"Replace mix at %s bank %d\r\n'%s' with\r\n'%s'?";
    return fill(format, {bank_display_name(incoming), decimal(incoming.number), shown_name(existing),
                         shown_name(incoming)});
}

library_tree::library_tree() = default;
library_tree::~library_tree() = default;

template <typename F>
void library_tree::notify(F&& f) {
    // By index: an observer may remove itself while being told.
    for (std::size_t i = 0; i < observers_.size(); ++i) f(*observers_[i]);
}

void library_tree::add_observer(library_observer* observer) {
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void library_tree::remove_observer(library_observer* observer) {
    std::erase(observers_, observer);
}

library_node* library_tree::root() const { return match_child(nullptr, everything_label, true); }

bool library_tree::contains(const library_node* node) const { return node && live_.contains(node); }

library_node* library_tree::find_serial(std::uint64_t serial) const {
    const auto found = by_serial_.find(serial);
    return found == by_serial_.end() ? nullptr : found->second;
}

std::vector<std::unique_ptr<library_node>>& library_tree::siblings_of(library_node* parent) {
    return parent ? parent->children_ : top_;
}

const std::vector<std::unique_ptr<library_node>>& library_tree::siblings_of(const library_node* parent) const {
    return parent ? parent->children_ : top_;
}

library_node* library_tree::first_child(const library_node* node) const {
    if (!contains(node) || node->children_.empty()) return nullptr;
    return node->children_.front().get();
}

library_node* library_tree::next_sibling(const library_node* node) const {
    if (!contains(node)) return nullptr;
    const auto& list = siblings_of(node->parent_);
    const auto next = static_cast<std::size_t>(node->row_) + 1;
    return next < list.size() ? list[next].get() : nullptr;
}

library_node* library_tree::parent(const library_node* node) const {
    return contains(node) ? node->parent_ : nullptr;
}

a6_message* library_tree::record_of(const library_node* node) const {
    return contains(node) ? node->record_.get() : nullptr;
}

library_node* library_tree::match_child(const library_node* parent, std::u16string_view label, bool prefix) const {
    const auto& list = siblings_of(parent);
    if (parent && parent->order_ == library_node::child_order::ascending && list.size() > 8) {
        // Children in ascending order: every label equal to, or starting
        // with, the sought one stands in one run from the first label not
        // below it, so that one is the first match in display order too.
        const auto at = std::lower_bound(list.begin(), list.end(), label,
                                         [](const std::unique_ptr<library_node>& node, std::u16string_view key) {
                                             return std::u16string_view(node->label_) < key;
                                         });
        if (at != list.end() && label_matches((*at)->label_, label, prefix)) return at->get();
        return nullptr;
    }
    for (const auto& node : list)
        if (label_matches(node->label_, label, prefix)) return node.get();
    return nullptr;
}

library_node* library_tree::find_child(library_node* parent, std::u16string_view label, bool add, bool prefix) {
    if (parent && !contains(parent)) return nullptr;
    if (library_node* found = match_child(parent, label, prefix)) return found;
    return add ? append_child(parent, std::u16string(label)) : nullptr;
}

library_node* library_tree::append_child(library_node* parent, std::u16string label) {
    auto& list = siblings_of(parent);
    const int row = static_cast<int>(list.size());
    notify([&](library_observer& o) { o.node_about_to_be_appended(parent, row); });
    const std::uint64_t serial = next_serial_++;
    std::unique_ptr<library_node> node(new library_node(std::move(label), parent, row, serial));
    if (parent && !list.empty()) {
        using order = library_node::child_order;
        if (parent->order_ != order::ascending)
            parent->order_ = order::unknown;
        else if (node->label_ < list.back()->label_)
            parent->order_ = order::last_out_of_place;
    }
    library_node* added = node.get();
    list.push_back(std::move(node));
    by_serial_.emplace(serial, added);
    live_.insert(added);
    notify([&](library_observer& o) { o.node_appended(added); });
    return added;
}

void library_tree::renumber(std::vector<std::unique_ptr<library_node>>& list, std::size_t from) {
    for (std::size_t i = from; i < list.size(); ++i) list[i]->row_ = static_cast<int>(i);
}

void library_tree::forget(library_node* node) {
    for (const auto& child : node->children_) forget(child.get());
    by_serial_.erase(node->serial_);
    live_.erase(node);
}

library_node* library_tree::find_entry(message_kind kind, int bank, int number) const {
    library_node* top = root();
    if (!top) return nullptr;
    if (kind == global_dump) return match_child(top, global_data_label, true);
    if (!is_entry_kind(kind)) return nullptr;
    library_node* bank_node = existing_bank_node(kind, bank);
    return bank_node ? entry_in_bank(bank_node, number) : nullptr;
}

library_node* library_tree::existing_bank_node(message_kind kind, int bank) const {
    library_node* top = root();
    if (!top) return nullptr;
    library_node* section = match_child(top, section_label(kind), true);
    if (!section) return nullptr;
    return match_child(section, bank_label(kind, bank), false);
}

library_node* library_tree::bank_node(message_kind kind, int bank, bool add) {
    library_node* top = find_child(nullptr, everything_label, add, true);
    if (!top) return nullptr;
    library_node* section = find_child(top, section_label(kind), add, true);
    if (!section) return nullptr;
    return find_child(section, bank_label(kind, bank), add, false);
}

library_node* library_tree::entry_in_bank(library_node* bank, int number) const {
    return match_child(bank, decimal(number, 3), true);
}

void library_tree::attach_record(library_node* node, std::unique_ptr<a6_message> record) {
    if (!contains(node)) return;  // the record is freed on return
    node->record_ = std::move(record);
    notify([&](library_observer& o) { o.record_changed(node); });
}

std::unique_ptr<a6_message> library_tree::detach_record(library_node* node) {
    if (!contains(node) || !node->record_) return nullptr;
    std::unique_ptr<a6_message> record = std::move(node->record_);
    notify([&](library_observer& o) { o.record_changed(node); });
    return record;
}

void library_tree::set_label(library_node* node, std::u16string label) {
    if (!contains(node) || node->label_ == label) return;
    node->label_ = std::move(label);
    if (node->parent_) node->parent_->order_ = library_node::child_order::unknown;
    notify([&](library_observer& o) { o.label_changed(node); });
}

void library_tree::set_expanded(library_node* node, bool expanded) {
    if (!contains(node) || node->expanded_ == expanded) return;
    node->expanded_ = expanded;
    notify([&](library_observer& o) { o.expanded_changed(node); });
}

void library_tree::expand_root() { set_expanded(root(), true); }

void library_tree::sort_children(library_node* node) {
    using order_state = library_node::child_order;
    if (!contains(node)) return;
    auto& list = node->children_;
    const std::size_t n = list.size();
    const order_state known = node->order_;
    node->order_ = order_state::ascending;
    if (known == order_state::ascending || n < 2) return;
    const auto label_less = [](const std::unique_ptr<library_node>& a, const std::unique_ptr<library_node>& b) {
        return a->label_ < b->label_;
    };

    bool last_only = known == order_state::last_out_of_place;
    if (!last_only) {
        const auto unsorted = std::is_sorted_until(list.begin(), list.end(), label_less);
        if (unsorted == list.end()) return;
        last_only = unsorted == list.end() - 1;
    }

    std::vector<int> new_row_of_old;
    if (last_only) {
        // The usual case: one entry appended behind entries in order moves up
        // to its place; the ones from there on move down one row.
        const auto place = std::upper_bound(list.begin(), list.end() - 1, list.back(), label_less);
        if (place == list.end() - 1) return;
        const auto from = static_cast<std::size_t>(place - list.begin());
        notify([&](library_observer& o) { o.children_about_to_be_sorted(node); });
        std::rotate(place, list.end() - 1, list.end());
        renumber(list, from);
        if (!observers_.empty()) {
            new_row_of_old.resize(n);
            std::iota(new_row_of_old.begin(), new_row_of_old.end(), 0);
            for (std::size_t old = from; old + 1 < n; ++old) new_row_of_old[old] = static_cast<int>(old + 1);
            new_row_of_old[n - 1] = static_cast<int>(from);
        }
    } else {
        // order[i] is the old row of the child that goes to row i.
        std::vector<std::size_t> order(n);
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return label_less(list[a], list[b]); });
        notify([&](library_observer& o) { o.children_about_to_be_sorted(node); });
        std::vector<std::unique_ptr<library_node>> sorted;
        sorted.reserve(n);
        new_row_of_old.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            new_row_of_old[order[i]] = static_cast<int>(i);
            sorted.push_back(std::move(list[order[i]]));
        }
        list = std::move(sorted);
        renumber(list, 0);
    }
    notify([&](library_observer& o) { o.children_sorted(node, new_row_of_old); });
}

void library_tree::remove_subtree(library_node* node) {
    if (!contains(node)) return;
    library_node* parent = node->parent_;
    const int row = node->row_;
    notify([&](library_observer& o) { o.node_about_to_be_removed(parent, row, node); });
    auto& list = siblings_of(parent);
    std::unique_ptr<library_node> owned = std::move(list[static_cast<std::size_t>(row)]);
    list.erase(list.begin() + row);
    renumber(list, static_cast<std::size_t>(row));
    if (parent && parent->order_ == library_node::child_order::last_out_of_place &&
        static_cast<std::size_t>(row) == list.size())
        parent->order_ = library_node::child_order::ascending;
    forget(owned.get());
    owned.reset();  // the nodes of the subtree and their records
    notify([&](library_observer& o) { o.node_removed(parent, row); });
}

void library_tree::prune_empty(library_node* node) {
    while (contains(node)) {
        if (!node->children_.empty()) return;
        library_node* up = node->parent_;
        remove_subtree(node);
        node = up;
    }
}

void library_tree::walk(library_node* node, outgoing_queue& queue) {
    for (const auto& child : node->children_) walk(child.get(), queue);
    if (node->record_) queue.push_back(make_outgoing(*node->record_));
}

void library_tree::walk_subtree(library_node* node, outgoing_queue& queue) {
    if (contains(node)) walk(node, queue);
}

box_answer library_tree::insert_record(std::unique_ptr<a6_message> record, bool ask, box_buttons prompt_buttons,
                                       message_box& box) {
    find_child(nullptr, everything_label, true, true);
    if (!record || (!is_entry_kind(record->kind) && record->kind != global_dump)) {
        record.reset();
        expand_root();
        return box_answer::yes;
    }

    const message_kind kind = record->kind;
    box_answer answer = box_answer::yes;
    if (kind == global_dump) {
        // The prompt lets other work change the tree: whatever follows looks
        // everything up again, and a Yes counts only for the Global Data
        // that was loaded when the question was asked.
        const library_node* existing = ask ? find_entry(global_dump, -1, -1) : nullptr;
        while (existing) {
            const std::uint64_t asked_about = existing->serial_;
            answer = box.show(u"Reload global data?", u"", prompt_buttons, box_icon::none);
            if (answer != box_answer::yes) {
                record.reset();
                expand_root();
                return answer;
            }
            existing = find_entry(global_dump, -1, -1);
            if (existing && existing->serial_ == asked_about) break;
        }
        library_node* top = find_child(nullptr, everything_label, true, true);
        remove_subtree(match_child(top, global_data_label, true));
        library_node* entry = find_child(top, global_data_label, true, true);
        attach_record(entry, std::move(record));
        expand_root();
        return answer;
    }

    library_node* bank = bank_node(kind, record->bank, true);
    library_node* existing = entry_in_bank(bank, record->number);
    // A Yes replaces only the entry the prompt named. While the prompt is
    // open other work runs (a dump from the instrument may take the place);
    // when another entry stands there after the answer, the user is asked
    // about that one.
    while (existing && ask) {
        const std::uint64_t asked_about = existing->serial_;
        a6_message unnamed;
        const a6_message& occupant = existing->record_ ? *existing->record_ : unnamed;
        answer = box.show(replace_prompt_text(occupant, *record), u"", prompt_buttons, box_icon::none);
        if (answer != box_answer::yes) {
            const int bank_index = record->bank;
            record.reset();
            sort_children(existing_bank_node(kind, bank_index));
            expand_root();
            return answer;
        }
        bank = bank_node(kind, record->bank, true);
        existing = entry_in_bank(bank, record->number);
        if (existing && existing->serial_ == asked_about) break;
    }
    remove_subtree(existing);
    library_node* entry = find_child(bank, entry_label(*record), true, true);
    attach_record(entry, std::move(record));
    sort_children(bank);
    expand_root();
    return answer;
}

}  // namespace patchwarden

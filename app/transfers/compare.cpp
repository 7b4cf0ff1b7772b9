#include "app/transfers/compare.h"

#include <algorithm>
#include <set>

#include "data/bank_naming.h"
#include "data/text.h"
#include "library/library_tree.h"

namespace patchwarden {

namespace {

// A label without the spaces that pad an entry's name.
std::u16string trimmed(std::u16string_view label) {
    const std::size_t end = label.find_last_not_of(u' ');
    return std::u16string(label.substr(0, end == std::u16string_view::npos ? 0 : end + 1));
}

bool is_dump(message_kind kind) {
    return kind == program_dump || kind == mix_dump || kind == global_dump;
}

// "Program" or "Programs", and so on, for what was compared.
std::u16string noun(bool programs, bool mixes, std::size_t count) {
    const bool one = count == 1;
    if (programs) return one ? u"Program" : u"Programs";
    if (mixes) return one ? u"Mix" : u"Mixes";
    return one ? u"entry" : u"entries";
}

}  // namespace

library_compare::key library_compare::key_of(message_kind kind, int bank, int number) {
    // The Global Data has no bank or number.
    if (kind == global_dump) return {kind, 0, 0};
    return {kind, bank, number};
}

library_compare::library_compare(const library_node& node)
    : label_(trimmed(node.label())) {
    // Depth first in display order; each entry named by its labels below
    // the compared node.
    const auto visit = [&](const auto& self, const library_node& at, const std::u16string& path) -> void {
        if (const a6_message* record = at.record(); record && is_dump(record->kind)) {
            a6_message copy = *record;
            encode_message(copy);  // the body as Send sends it, with the entry's current name
            entry e{copy.kind, copy.bank, copy.number, path + trimmed(at.label()), std::move(copy.data)};
            by_key_.emplace(key_of(e.kind, e.bank, e.number), entries_.size());
            entries_.push_back(std::move(e));
        }
        const std::u16string below = &at == &node ? std::u16string() : path + at.label() + u" / ";
        for (const auto& child : at.children()) self(self, *child, below);
    };
    visit(visit, node, u"");

    std::map<std::pair<int, int>, int> held;  // entries held of each bank
    for (const entry& e : entries_)
        if (e.kind != global_dump) ++held[{e.kind, e.bank}];
    std::set<std::pair<int, int>> banks_asked;
    for (const entry& e : entries_) {
        a6_message request;
        if (e.kind == global_dump) {
            request = a6_message(global_request);
        } else if (held[{e.kind, e.bank}] == entries_per_bank) {
            if (!banks_asked.insert({e.kind, e.bank}).second) continue;
            request = a6_message(e.kind == program_dump ? program_bank_request : mix_bank_request, e.bank, -1);
        } else {
            request = a6_message(e.kind == program_dump ? program_request : mix_request, e.bank, e.number);
        }
        requests_.push_back(make_outgoing(request));
    }
    requests_left_ = requests_.size();
}

bool library_compare::take(const a6_message& reply) {
    // Only dumps have keys here: any other reply is found nowhere.
    const auto found = by_key_.find(key_of(reply.kind, reply.bank, reply.number));
    if (found == by_key_.end()) return false;
    entry& e = entries_[found->second];
    if (e.result != state::waiting) return !finished();
    // Once the result has been told, a late reply is only kept out of the
    // library.
    if (!finished()) e.result = reply.data == e.body ? state::same : state::different;
    return true;
}

void library_compare::request_over() {
    --requests_left_;
}

std::u16string library_compare::result_text() const {
    std::size_t same = 0, different = 0, missing = 0;
    bool programs = true, mixes = true;
    for (const entry& e : entries_) {
        same += e.result == state::same;
        different += e.result == state::different;
        missing += e.result == state::waiting;
        programs = programs && e.kind == program_dump;
        mixes = mixes && e.kind == mix_dump;
    }
    const std::size_t count = entries_.size();
    const auto names = [&](state which) {
        std::u16string out;
        std::size_t named = 0, total = 0;
        for (const entry& e : entries_) {
            if (e.result != which) continue;
            if (named < compare_names_shown) {
                out += u"\r\n" + e.name;
                ++named;
            }
            ++total;
        }
        if (total > named) out += fill(u"\r\nand %s more.", {decimal(static_cast<long long>(total - named))});
        return out;
    };

    // One entry compared on its own.
    if (count == 1 && entries_.front().name == label_) {
        switch (entries_.front().result) {
        case state::same: return label_ + u": matches the A6.";
        case state::different: return label_ + u": differs from the A6.";
        case state::waiting: return label_ + u": not compared: the A6 did not send it back.";
        }
    }

    const std::u16string of_count = u" of " + decimal(static_cast<long long>(count)) + u" ";
    std::u16string text = label_ + u": ";
    if (different == 0) {
        text += decimal(static_cast<long long>(same)) + of_count + noun(programs, mixes, count) +
                (same == 1 ? u" matches the A6." : u" match the A6.");
    } else {
        text += decimal(static_cast<long long>(different)) + of_count + noun(programs, mixes, count) +
                (different == 1 ? u" differs from the A6:" : u" differ from the A6:") + names(state::different);
    }
    if (missing > 0) {
        text += u"\r\n\r\n" + decimal(static_cast<long long>(missing)) + u" of " +
                decimal(static_cast<long long>(count)) +
                (missing == 1 ? u" was not compared: the A6 did not send it back:"
                              : u" were not compared: the A6 did not send them back:") +
                names(state::waiting);
    }
    return text;
}

}  // namespace patchwarden

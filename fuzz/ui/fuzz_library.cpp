// The library tree and its commands under arbitrary sequences of work: the
// input chooses every insertion, unload, move, copy, expansion and sort, the
// nodes they act on (also nodes that have gone), the texts of the Bank,
// Number and Name fields, the ask flag and every answer to a prompt; while a
// prompt is open more work may run inside it, as the window's nested event
// loop allows, up to three prompts deep.
//
// After every piece of work, at any depth: the tree has its fixed shape
// (Everything, sections, banks, entries, Global Data), entries stand sorted
// by label with one per number, every record is reachable where its kind,
// bank and number say, the node count and serials agree, and a mirror of the
// library's Qt item model, built from the model's signals alone as a view
// builds it, equals the tree. At the end every record also encodes back to
// its place. Qt's own model tester watches the model too and aborts on any
// broken rule.

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QPersistentModelIndex>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/a6_message.h"
#include "data/bank_naming.h"
#include "data/message_box.h"
#include "fuzz/check.h"
#include "library/library_commands.h"
#include "library/library_tree.h"
#include "ui/library_model.h"

using namespace patchwarden;

namespace {

// The fuzzer's bytes, read one choice at a time; zeros once they run out.
class choices {
public:
    choices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool exhausted() const { return at_ >= size_; }
    unsigned byte() { return at_ < size_ ? data_[at_++] : 0; }
    unsigned pick(unsigned n) { return n == 0 ? 0 : byte() % n; }
    bool flag() { return byte() & 1; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A view's copy of the model, kept only from the model's signals.
class model_mirror {
public:
    struct node {
        QString label;
        bool expanded = false;
        QPersistentModelIndex index;
        std::vector<std::unique_ptr<node>> children;
    };
    using node_list = std::vector<std::unique_ptr<node>>;

    explicit model_mirror(library_model& model) : model_(model) {
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex& parent, int first, int last) { inserted(parent, first, last); });
        QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved,
                         [this](const QModelIndex& parent, int first, int last) {
                             removing_ = &children_at(parent);
                             removing_first_ = first;
                             removing_last_ = last;
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                         [this](const QModelIndex& parent, int first, int last) { removed(parent, first, last); });
        QObject::connect(&model, &QAbstractItemModel::layoutChanged,
                         [this](const QList<QPersistentModelIndex>& parents) { relayout(parents); });
        QObject::connect(&model, &QAbstractItemModel::dataChanged,
                         [this](const QModelIndex& top_left, const QModelIndex& bottom_right) {
                             FUZZ_CHECK(top_left.parent() == bottom_right.parent());
                             for (int row = top_left.row(); row <= bottom_right.row(); ++row)
                                 at(model_.index(row, 0, top_left.parent())).label =
                                     model_.data(model_.index(row, 0, top_left.parent())).toString();
                         });
        QObject::connect(&model, &library_model::expansion_changed,
                         [this](const QModelIndex& index, bool expanded) { at(index).expanded = expanded; });
        QObject::connect(&model, &QAbstractItemModel::modelReset, [] { FUZZ_CHECK(!"the model was reset"); });
        QObject::connect(&model, &QAbstractItemModel::rowsMoved, [] { FUZZ_CHECK(!"rows were moved"); });
    }

    // Compares the mirror with the tree, node by node.
    void check_same_as(const library_tree& tree) const { same(top_, tree.top_level()); }

private:
    node_list& children_at(const QModelIndex& parent) {
        if (!parent.isValid()) return top_;
        return at(parent).children;
    }
    node& at(const QModelIndex& index) {
        FUZZ_CHECK(index.isValid() && index.model() == &model_);
        node_list& list = children_at(index.parent());
        FUZZ_CHECK(index.row() >= 0 && static_cast<std::size_t>(index.row()) < list.size());
        return *list[static_cast<std::size_t>(index.row())];
    }
    void inserted(const QModelIndex& parent, int first, int last) {
        node_list& list = children_at(parent);
        FUZZ_CHECK(first >= 0 && first <= last && static_cast<std::size_t>(first) <= list.size());
        for (int row = first; row <= last; ++row) {
            const QModelIndex index = model_.index(row, 0, parent);
            FUZZ_CHECK(index.isValid() && model_.rowCount(index) == 0);
            auto added = std::make_unique<node>();
            added->label = model_.data(index).toString();
            added->index = QPersistentModelIndex(index);
            list.insert(list.begin() + row, std::move(added));
        }
    }
    void removed(const QModelIndex& parent, int first, int last) {
        node_list& list = children_at(parent);
        FUZZ_CHECK(&list == removing_ && first == removing_first_ && last == removing_last_);
        FUZZ_CHECK(first >= 0 && first <= last && static_cast<std::size_t>(last) < list.size());
        list.erase(list.begin() + first, list.begin() + last + 1);
        removing_ = nullptr;
    }
    // The children of each parent take the rows their persistent indexes
    // were moved to.
    void relayout(const QList<QPersistentModelIndex>& parents) {
        FUZZ_CHECK(!parents.isEmpty());
        for (const QPersistentModelIndex& parent : parents) {
            node_list& list = children_at(parent);
            node_list ordered(list.size());
            for (auto& child : list) {
                FUZZ_CHECK(child->index.isValid() && child->index.parent() == QModelIndex(parent));
                const auto row = static_cast<std::size_t>(child->index.row());
                FUZZ_CHECK(row < ordered.size() && !ordered[row]);
                ordered[row] = std::move(child);
            }
            list = std::move(ordered);
        }
    }
    void same(const node_list& mine, const std::vector<std::unique_ptr<library_node>>& real) const {
        FUZZ_CHECK(mine.size() == real.size());
        for (std::size_t i = 0; i < mine.size(); ++i) {
            FUZZ_CHECK(mine[i]->label == QString::fromStdU16String(real[i]->label()));
            FUZZ_CHECK(mine[i]->expanded == real[i]->expanded());
            FUZZ_CHECK(mine[i]->index.row() == static_cast<int>(i));
            FUZZ_CHECK(model_.node_of(mine[i]->index) == real[i].get());
            same(mine[i]->children, real[i]->children());
        }
    }

    library_model& model_;
    node_list top_;
    node_list* removing_ = nullptr;
    int removing_first_ = -1;
    int removing_last_ = -1;
};

// The shape of the tree, and every record where it says it is; with_walk
// also encodes every record (the costly part).
void check_tree(library_tree& tree, bool with_walk) {
    FUZZ_CHECK(tree.top_level().size() <= 1);
    std::size_t nodes = 0;
    std::vector<const a6_message*> records;  // in display order
    auto visit = [&](const library_node& node, const library_node* parent, std::size_t row) {
        ++nodes;
        FUZZ_CHECK(tree.contains(&node) && tree.find_serial(node.serial()) == &node);
        FUZZ_CHECK(node.parent() == parent && node.row() == static_cast<int>(row));
    };
    for (std::size_t r = 0; r < tree.top_level().size(); ++r) {
        const library_node& root = *tree.top_level()[r];
        visit(root, nullptr, r);
        FUZZ_CHECK(root.label() == everything_label && !root.record());
        bool seen_programs = false, seen_mixes = false, seen_global = false;
        for (std::size_t s = 0; s < root.children().size(); ++s) {
            const library_node& section = *root.children()[s];
            visit(section, &root, s);
            if (section.label() == global_data_label) {
                FUZZ_CHECK(!seen_global && section.record() && section.record()->kind == global_dump);
                FUZZ_CHECK(section.children().empty() && tree.find_entry(global_dump, -1, -1) == &section);
                seen_global = true;
                records.push_back(section.record());
                continue;
            }
            const bool programs = section.label() == programs_label;
            FUZZ_CHECK(programs || section.label() == mixes_label);
            FUZZ_CHECK(!(programs ? seen_programs : seen_mixes) && !section.record() && !section.children().empty());
            (programs ? seen_programs : seen_mixes) = true;
            const message_kind kind = programs ? program_dump : mix_dump;
            for (std::size_t b = 0; b < section.children().size(); ++b) {
                const library_node& bank = *section.children()[b];
                visit(bank, &section, b);
                FUZZ_CHECK(!bank.record() && !bank.children().empty());
                for (std::size_t other = 0; other < b; ++other)
                    FUZZ_CHECK(section.children()[other]->label() != bank.label());
                for (std::size_t e = 0; e < bank.children().size(); ++e) {
                    const library_node& entry = *bank.children()[e];
                    visit(entry, &bank, e);
                    const a6_message* record = entry.record();
                    FUZZ_CHECK(record && record->kind == kind && entry.children().empty());
                    FUZZ_CHECK(record->number >= 0 && record->number < entries_per_bank);
                    FUZZ_CHECK(record->bank >= 0 && record->bank < bank_count(*record));
                    FUZZ_CHECK(bank_display_name(*record) == bank.label());
                    FUZZ_CHECK(entry.label() == entry_label(*record));
                    FUZZ_CHECK(e == 0 || bank.children()[e - 1]->label().substr(0, 3) < entry.label().substr(0, 3));
                    FUZZ_CHECK(tree.find_entry(kind, record->bank, record->number) == &entry);
                    records.push_back(record);
                }
            }
        }
    }
    FUZZ_CHECK(nodes == tree.node_count());
    if (!with_walk) return;

    // Walking the library gives every record once, in display order, each
    // message carrying its record's place.
    outgoing_queue walked;
    tree.walk_subtree(tree.root(), walked);
    FUZZ_CHECK(walked.size() == records.size());
    for (std::size_t i = 0; i < walked.size(); ++i) {
        const a6_message back = parse_message(walked[i].bytes);
        FUZZ_CHECK(back.kind == records[i]->kind && back.bank == records[i]->bank &&
                   back.number == records[i]->number && back.name == records[i]->name);
    }
}

class fuzz_run;

// Answers each prompt from the input, and now and then does more work
// first, as the user may while a prompt waits.
class fuzz_box : public message_box {
public:
    explicit fuzz_box(fuzz_run& run) : run_(run) {}
    box_answer show(const std::u16string&, const std::u16string&, box_buttons buttons, box_icon) override;

private:
    fuzz_run& run_;
};

class fuzz_run {
public:
    fuzz_run(const std::uint8_t* data, std::size_t size)
        : in(data, size), box(*this), model(tree), mirror(model),
          tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal) {}

    choices in;
    library_tree tree;
    fuzz_box box;
    library_model model;
    model_mirror mirror;
    QAbstractItemModelTester tester;
    int depth = 0;
    // Steps taken, nested ones included.
    int steps = 0;
    static constexpr int step_budget = 400;

    void check(bool with_walk = false) {
        check_tree(tree, with_walk);
        mirror.check_same_as(tree);
    }

    void step() {
        ++steps;
        switch (in.pick(10)) {
        case 0:
        case 1:
        case 2: insert(); break;
        case 3: unload_selection(tree, any_node()); break;
        case 4:
        case 5: {
            const auto bank = bank_text();
            const auto number = number_text();
            const auto name = name_text();
            const ask_flag ask = [this] { return in.flag(); };
            if (in.flag())
                move_selection(tree, any_node(), bank, number, name, ask, box);
            else
                copy_selection(tree, any_node(), bank, number, name, ask, box);
            break;
        }
        case 6:
        case 7: {
            const int bank = static_cast<int>(in.pick(18));  // a bank of either kind
            const int number = static_cast<int>(in.pick(6));
            const auto name = name_text();
            if (in.flag())
                move_entry(tree, any_node(), bank, number, name, in.flag(), box);
            else
                copy_entry(tree, any_node(), bank, number, name, in.flag(), box);
            break;
        }
        case 8: tree.set_expanded(any_node(), in.flag()); break;
        default: tree.sort_children(any_node()); break;
        }
        check();
    }

private:
    void insert() {
        static constexpr message_kind kinds[] = {program_dump, mix_dump, program_dump, mix_dump,
                                                 global_dump,  program_request, unrecognised_message};
        const message_kind kind = kinds[in.pick(7)];
        auto record = std::make_unique<a6_message>(kind);
        if (kind == program_dump || kind == mix_dump) {
            record->bank = static_cast<int>(in.pick(static_cast<unsigned>(bank_count(*record))));
            record->number = static_cast<int>(in.pick(6));
            record->data.assign(kind == program_dump ? program_body_size : mix_body_size, 0);
            set_name(*record, name_text());
        } else if (kind == global_dump) {
            record->data.assign(global_body_size, 0);
        }
        const bool ask = in.flag();
        tree.insert_record(std::move(record), ask, in.flag() ? box_buttons::yes_no_cancel : box_buttons::yes_no, box);
    }

    // Any node of the tree, none, or one that was there before and may have
    // gone (a stale pointer is never followed by the library).
    library_node* any_node() {
        std::vector<library_node*> all{nullptr};
        std::vector<const library_node*> stack;
        for (const auto& top : tree.top_level()) stack.push_back(top.get());
        while (!stack.empty()) {
            const library_node* node = stack.back();
            stack.pop_back();
            all.push_back(const_cast<library_node*>(node));
            for (const auto& child : node->children()) stack.push_back(child.get());
        }
        if (!seen_.empty() && in.pick(8) == 0) return seen_[in.pick(static_cast<unsigned>(seen_.size()))];
        library_node* chosen = all[in.pick(static_cast<unsigned>(all.size()))];
        if (chosen && seen_.size() < 64) seen_.push_back(chosen);
        return chosen;
    }

    std::u16string_view bank_text() {
        static constexpr std::u16string_view texts[] = {u"u", u"p1", u"p2",  u"c1", u"c2",  u"C16",
                                                        u"p3", u"c17", u"x", u"",   u"c1x", u"p01"};
        return texts[in.pick(12)];
    }
    std::u16string_view number_text() {
        static constexpr std::u16string_view texts[] = {u"0", u"1", u"2", u"5", u"127", u"128",
                                                        u"-1", u"", u" 2abc", u"+3"};
        return texts[in.pick(10)];
    }
    std::u16string_view name_text() {
        static constexpr std::u16string_view texts[] = {u"", u"A", u"Name", u"A name far longer than sixteen",
                                                        std::u16string_view(u"Cut\0here", 8)};
        return texts[in.pick(5)];
    }

    std::vector<library_node*> seen_;
};

box_answer fuzz_box::show(const std::u16string&, const std::u16string&, box_buttons buttons, box_icon) {
    // Work inside a prompt only while the input lasts and within the run's
    // budget: a prompt asked again because that work replaced the entry it
    // named would otherwise go round for ever on the zeros past the end.
    if (run_.depth < 3 && !run_.in.exhausted() && run_.steps < fuzz_run::step_budget && run_.in.pick(3) == 0) {
        ++run_.depth;
        run_.step();
        --run_.depth;
    }
    if (buttons == box_buttons::ok) return box_answer::ok;
    const unsigned answer = run_.in.pick(buttons == box_buttons::yes_no_cancel ? 3 : 2);
    return answer == 0 ? box_answer::yes : answer == 1 ? box_answer::no : box_answer::cancel;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Qt's model tester wants an application object.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_run run(data, size);
    while (run.steps < 200 && !run.in.exhausted()) run.step();
    run.check(true);
    return 0;
}

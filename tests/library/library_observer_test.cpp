// A view that follows only the change notifications must end up with the
// same tree as the model, whatever the model went through.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include "data/text.h"
#include "library/library_commands.h"
#include "library/library_observer.h"
#include "library/library_tree.h"
#include "tests/library/library_fixtures.h"
#include "tests/library/library_invariants.h"
#include "tests/support/scripted_message_box.h"

namespace patchwarden {
namespace {

using testing::check_invariants;
using testing::make_global;
using testing::make_mix;
using testing::make_program;
using testing::scripted_message_box;

// Mirrors the tree from notifications alone, checking on the way that each
// notification fits what the mirror holds (as a Qt model's begin/end calls
// must).
class mirror : public library_observer {
public:
    struct node {
        std::u16string label;
        bool expanded = false;
        bool has_record = false;
        const library_node* source = nullptr;
        std::vector<std::unique_ptr<node>> children;
    };

    std::vector<std::unique_ptr<node>> top;
    int events = 0;

    void node_about_to_be_appended(const library_node* parent, int row) override {
        begin("append");
        pending_parent_ = parent;
        pending_row_ = row;
        EXPECT_EQ(row, static_cast<int>(children(parent).size()));
    }
    void node_appended(const library_node* added) override {
        end("append");
        EXPECT_EQ(added->parent(), pending_parent_);
        EXPECT_EQ(added->row(), pending_row_);
        EXPECT_TRUE(added->children().empty());
        auto copy = std::make_unique<node>();
        copy->label = added->label();
        copy->expanded = added->expanded();
        copy->has_record = added->record() != nullptr;
        copy->source = added;
        by_source_[added] = copy.get();
        children(added->parent()).push_back(std::move(copy));
    }
    void node_about_to_be_removed(const library_node* parent, int row, const library_node* removed) override {
        begin("remove");
        pending_parent_ = parent;
        pending_row_ = row;
        auto& list = children(parent);
        ASSERT_LT(static_cast<std::size_t>(row), list.size());
        EXPECT_EQ(list[static_cast<std::size_t>(row)]->source, removed);
        EXPECT_EQ(removed->row(), row);
    }
    void node_removed(const library_node* parent, int row) override {
        end("remove");
        EXPECT_EQ(parent, pending_parent_);
        EXPECT_EQ(row, pending_row_);
        auto& list = children(parent);
        ASSERT_LT(static_cast<std::size_t>(row), list.size());
        forget(*list[static_cast<std::size_t>(row)]);
        list.erase(list.begin() + row);
    }
    void children_about_to_be_sorted(const library_node* parent) override {
        begin("sort");
        pending_parent_ = parent;
    }
    void children_sorted(const library_node* parent, const std::vector<int>& new_row_of_old) override {
        end("sort");
        EXPECT_EQ(parent, pending_parent_);
        auto& list = children(parent);
        ASSERT_EQ(new_row_of_old.size(), list.size());
        std::vector<std::unique_ptr<node>> sorted(list.size());
        for (std::size_t old = 0; old < list.size(); ++old) {
            auto& slot = sorted[static_cast<std::size_t>(new_row_of_old[old])];
            EXPECT_EQ(slot, nullptr) << "not a permutation";
            slot = std::move(list[old]);
        }
        list = std::move(sorted);
    }
    void label_changed(const library_node* changed) override {
        outside("label");
        at(changed).label = changed->label();
    }
    void expanded_changed(const library_node* changed) override {
        outside("expand");
        at(changed).expanded = changed->expanded();
    }
    void record_changed(const library_node* changed) override {
        outside("record");
        at(changed).has_record = changed->record() != nullptr;
    }

    // Compares the mirror with the tree, node by node.
    void expect_same_as(const library_tree& tree) const {
        expect_same(top, tree.top_level());
    }

private:
    std::vector<std::unique_ptr<node>>& children(const library_node* parent) {
        return parent ? at(parent).children : top;
    }
    node& at(const library_node* source) {
        auto found = by_source_.find(source);
        if (found == by_source_.end()) {
            ADD_FAILURE() << "notification about a node the view never saw";
            static node nowhere;
            return nowhere;
        }
        return *found->second;
    }
    void forget(const node& gone) {
        by_source_.erase(gone.source);
        for (const auto& child : gone.children) forget(*child);
    }
    void begin(const char* what) {
        ++events;
        EXPECT_EQ(open_, nullptr) << what << " began inside " << open_;
        open_ = what;
    }
    void end(const char* what) {
        EXPECT_STREQ(open_, what);
        open_ = nullptr;
    }
    void outside(const char* what) {
        ++events;
        EXPECT_EQ(open_, nullptr) << what << " reported inside " << open_;
    }
    static void expect_same(const std::vector<std::unique_ptr<node>>& mine,
                            const std::vector<std::unique_ptr<library_node>>& real) {
        ASSERT_EQ(mine.size(), real.size());
        for (std::size_t i = 0; i < mine.size(); ++i) {
            EXPECT_EQ(mine[i]->source, real[i].get());
            EXPECT_EQ(mine[i]->label, real[i]->label());
            EXPECT_EQ(mine[i]->expanded, real[i]->expanded());
            EXPECT_EQ(mine[i]->has_record, real[i]->record() != nullptr);
            expect_same(mine[i]->children, real[i]->children());
        }
    }

    std::map<const library_node*, node*> by_source_;
    const char* open_ = nullptr;
    const library_node* pending_parent_ = nullptr;
    int pending_row_ = -1;
};

TEST(library_observer, sees_the_steps_of_an_insertion) {
    library_tree tree;
    mirror view;
    tree.add_observer(&view);
    scripted_message_box box;
    tree.insert_record(make_program(0, 5, "a"), false, box_buttons::yes_no, box);
    // Everything, Programs, User, the entry: four appends (two calls each),
    // the record, and Everything expanded.
    EXPECT_EQ(view.events, 4 + 1 + 1);
    view.expect_same_as(tree);

    tree.remove_observer(&view);
    tree.insert_record(make_program(0, 6, "b"), false, box_buttons::yes_no, box);
    EXPECT_EQ(view.events, 6);
}

TEST(library_observer, set_label_and_expanded_are_reported_once) {
    library_tree tree;
    mirror view;
    tree.add_observer(&view);
    library_node* root = tree.find_child(nullptr, u"Everything", true, true);
    tree.set_expanded(root, true);
    tree.set_expanded(root, true);  // no change, no report
    tree.set_label(root, u"Everything else");
    EXPECT_EQ(view.events, 1 + 1 + 1);
    view.expect_same_as(tree);
}

// Random work on the library, some of it done inside open prompts; the
// mirror must match after every step.
class random_work {
public:
    explicit random_work(unsigned seed) : rng_(seed) {}

    library_tree tree;
    scripted_message_box box;

    void step(int depth) {
        switch (pick(8)) {
        case 0:
        case 1:
        case 2: {
            const bool global = pick(12) == 0;
            std::unique_ptr<a6_message> record =
                global ? make_global()
                       : (pick(2) ? make_program(pick(4), pick(6), "p") : make_mix(pick(4), pick(6), "m"));
            tree.insert_record(std::move(record), pick(2) == 0, box_buttons::yes_no_cancel, box);
            break;
        }
        case 3:
            unload_selection(tree, any_node());
            break;
        case 4:
        case 5: {
            static const char16_t* banks[] = {u"u", u"p1", u"c1", u"c2", u"p9"};
            const std::u16string number = decimal(pick(7));
            const auto bank = banks[pick(5)];
            if (pick(2))
                move_selection(tree, any_node(), bank, number, u"moved", pick(2) == 0, box);
            else
                copy_selection(tree, any_node(), bank, number, u"copied", pick(2) == 0, box);
            break;
        }
        case 6:
            tree.set_expanded(any_node(), pick(2) == 0);
            break;
        default:
            tree.sort_children(any_node());
            break;
        }
        (void)depth;
    }

    // Every prompt answers at random and, now and then, first does more work
    // as a nested event loop would.
    void nest(int max_depth) {
        box.while_open = [this, max_depth](const testing::shown_box&) {
            box.answers = {pick(3) == 0 ? box_answer::no : box_answer::yes};
            if (depth_ < max_depth && pick(2) == 0) {
                ++depth_;
                step(depth_);
                --depth_;
                box.answers = {pick(3) == 0 ? box_answer::no : box_answer::yes};
            }
        };
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

private:
    library_node* any_node() {
        std::vector<library_node*> all{nullptr};
        std::function<void(library_node*)> collect = [&](library_node* n) {
            all.push_back(n);
            for (const auto& c : n->children()) collect(c.get());
        };
        for (const auto& n : tree.top_level()) collect(n.get());
        return all[static_cast<std::size_t>(pick(static_cast<int>(all.size())))];
    }

    std::mt19937 rng_;
    int depth_ = 0;
};

TEST(library_observer, a_mirror_follows_random_work_with_nested_prompts) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        random_work work(seed);
        mirror view;
        work.tree.add_observer(&view);
        work.nest(3);
        SCOPED_TRACE(seed);
        std::size_t most_records = 0;
        for (int i = 0; i < 300; ++i) {
            work.step(0);
            view.expect_same_as(work.tree);
            most_records = std::max(most_records, check_invariants(work.tree));
            if (::testing::Test::HasFailure()) break;
        }
        // The run did real work: prompts were shown and the library grew.
        EXPECT_GT(work.box.shown.size(), 10u);
        EXPECT_GT(most_records, 10u);
        if (::testing::Test::HasFailure()) break;
    }
}

}  // namespace
}  // namespace patchwarden

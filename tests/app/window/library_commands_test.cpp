// Move, Copy and Unload given with the window's buttons, and the window in
// use while a replace prompt waits for its answer.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/support/window_fixture.h"
#include "tests/support/test_files.h"

namespace patchwarden {
namespace {

using namespace testing;

using library_commands_test = window_logic_test;

TEST_F(library_commands_test, move_takes_the_bank_number_and_name_fields) {
    put(program_dump, 0, 5, u"Old Name");
    select(entry(program_dump, 0, 5));
    set_text(main_ids::bank, u"c2");
    set_text(main_ids::number, u"7");
    set_text(main_ids::name, u"New");
    click(main_ids::move);
    EXPECT_EQ(entry(program_dump, 0, 5), nullptr);
    ASSERT_NE(entry(program_dump, 4, 7), nullptr);
    EXPECT_EQ(label(entry(program_dump, 4, 7)), "007 New             ");
    EXPECT_EQ(label(entry(program_dump, 4, 7)->parent()), "Card 2");
    // "User" went with its only entry.
    EXPECT_EQ(library.root()->child(0)->child_count(), 1);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(library_commands_test, copy_leaves_the_source) {
    put(mix_dump, 0, 5, u"Source");
    select(entry(mix_dump, 0, 5));
    set_text(main_ids::bank, u"p1");
    set_text(main_ids::number, u" 12abc");
    click(main_ids::copy);
    EXPECT_NE(entry(mix_dump, 0, 5), nullptr);
    ASSERT_NE(entry(mix_dump, 1, 12), nullptr);
    EXPECT_EQ(label(entry(mix_dump, 1, 12)), "012 Source          ");
}

TEST_F(library_commands_test, bad_fields_end_move_and_copy) {
    put(program_dump, 0, 5, u"Stays");
    select(entry(program_dump, 0, 5));
    for (const char16_t* number : {u"128", u"-1", u"", u"abc"}) {
        set_text(main_ids::number, number);
        click(main_ids::move);
        click(main_ids::copy);
    }
    EXPECT_TRUE(box.shown.empty());
    set_text(main_ids::number, u"9");
    set_text(main_ids::bank, u"p3");
    click(main_ids::move);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Program bank Preset 3 doesn't exist");
    EXPECT_EQ(library.node_count(), 4u);  // Everything, Programs, User, the entry
    EXPECT_NE(entry(program_dump, 0, 5), nullptr);
}

TEST_F(library_commands_test, a_bank_node_moves_all_its_entries_asking_for_each_occupied_place) {
    put(program_dump, 0, 1, u"One");
    put(program_dump, 0, 2, u"Two");
    put(program_dump, 3, 2, u"Occupant");
    select(entry(program_dump, 0, 1)->parent());
    EXPECT_EQ(text(main_ids::bank), u"u");
    set_text(main_ids::bank, u"c1");
    box.answers = {box_answer::yes};
    click(main_ids::move);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].buttons, box_buttons::yes_no);
    EXPECT_EQ(label(entry(program_dump, 3, 1)), "001 One             ");
    EXPECT_EQ(label(entry(program_dump, 3, 2)), "002 Two             ");
    EXPECT_EQ(library.root()->child(0)->child_count(), 1);  // "User" is gone
}

// After Move or Copy the face is told which entry to keep in sight in its
// new place, and where the focus goes: to the command's button, or to the
// tree when the selection has disabled the button meanwhile (here the user
// selects the Global Data under a replace prompt).
TEST_F(library_commands_test, move_and_copy_show_the_entry_in_its_new_place) {
    const struct {
        const char* what;
        int command;
        bool bank_node;
        bool global_selected_under_prompt;
    } cases[] = {
        {"Move of an entry", main_ids::move, false, false},
        {"Copy of an entry", main_ids::copy, false, false},
        {"Move of a bank", main_ids::move, true, false},
        {"Copy of a bank", main_ids::copy, true, false},
        {"Move, the Global Data selected meanwhile", main_ids::move, true, true},
        {"Copy, the Global Data selected meanwhile", main_ids::copy, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        select(library.root());
        click(main_ids::unload);
        for (int n = 0; n < 100; ++n) put(program_dump, 4, n, u"Card Two");
        put(program_dump, 0, 5, u"Mover");
        put(global_dump, 0, 0, u"");
        select(c.bank_node ? entry(program_dump, 0, 5)->parent() : entry(program_dump, 0, 5));
        set_text(main_ids::bank, u"c2");
        set_text(main_ids::number, u"120");
        face.placed.clear();
        box.while_open = [&](const shown_box&) {
            if (c.global_selected_under_prompt) select(library.find_entry(global_dump, 0, 0));
        };
        click(c.command);
        box.while_open = nullptr;

        const library_node* placed = entry(program_dump, 4, c.bank_node ? 5 : 120);
        ASSERT_NE(placed, nullptr);
        ASSERT_EQ(face.placed.size(), 1u);
        EXPECT_EQ(face.placed[0].first, placed);
        EXPECT_EQ(face.placed[0].second, c.global_selected_under_prompt ? main_ids::tree : c.command);
    }
}

TEST_F(library_commands_test, unload_removes_the_selection_and_what_became_empty) {
    put(program_dump, 0, 1, u"Only");
    put(mix_dump, 0, 1, u"Mix");
    select(nullptr);
    click(main_ids::unload);
    EXPECT_EQ(library.node_count(), 7u);
    select(entry(program_dump, 0, 1));
    click(main_ids::unload);
    EXPECT_EQ(library.root()->child_count(), 1);
    EXPECT_EQ(label(library.root()->child(0)), "Mixes");
    select(library.root());
    click(main_ids::unload);
    EXPECT_EQ(library.root(), nullptr);
    EXPECT_EQ(logic->selected_node(), nullptr);
}

TEST_F(library_commands_test, the_window_stays_usable_while_a_replace_prompt_is_open) {
    temp_folder folder;
    put(program_dump, 0, 1, u"Loaded");
    put(program_dump, 0, 2, u"Other");
    byte_vector bytes;
    append(bytes, dump_bytes(program_dump, 0, 1, u"Incoming"));
    append(bytes, dump_bytes(program_dump, 0, 3, u"After"));
    write_bytes(folder.path() / "in.syx", bytes);

    // While the Load's prompt is open the user unloads the entry it asks
    // about, copies another, reads About; only then is the prompt answered.
    std::vector<std::string> order;
    box.while_open = [&](const shown_box& shown) {
        if (shown.caption == u"About") return;
        order.push_back("prompt open");
        box.while_open = nullptr;
        select(entry(program_dump, 0, 1));
        click(main_ids::unload);
        order.push_back("unloaded");
        select(entry(program_dump, 0, 2));
        set_text(main_ids::bank, u"c1");
        set_text(main_ids::number, u"2");
        set_text(main_ids::name, u"Copied");
        click(main_ids::copy);
        order.push_back("copied");
        click(main_ids::about);
        order.push_back("about");
    };
    box.answers = {box_answer::yes};
    files.open_answers.push_back(folder.file("in.syx"));
    click(main_ids::load);
    order.push_back("answered");
    EXPECT_EQ(order, (std::vector<std::string>{"prompt open", "unloaded", "copied", "about", "answered"}));
    EXPECT_EQ(label(entry(program_dump, 0, 1)), "001 Incoming        ");
    EXPECT_NE(entry(program_dump, 0, 3), nullptr);  // the load went on
    EXPECT_EQ(label(entry(program_dump, 3, 2)), "002 Copied          ");
}

// The window quit under a command's prompt: the prompt open then is
// answered as the user answers it, and the command ends there, asking
// nothing more; a box that only tells still shows.
TEST_F(library_commands_test, quitting_at_a_prompt_ends_the_command_without_more_prompts) {
    enum class command { load, files_at_start, move_of_a_bank };
    const struct {
        command run;
        box_answer answer;
    } rows[] = {{command::load, box_answer::yes},
                {command::load, box_answer::cancel},
                {command::files_at_start, box_answer::yes},
                {command::move_of_a_bank, box_answer::yes}};
    temp_folder folder;
    byte_vector first;
    for (int n = 1; n <= 5; ++n) append(first, dump_bytes(program_dump, 0, n, u"From File"));  // asks at 1, 3, 5
    write_bytes(folder.path() / "first.syx", first);
    write_bytes(folder.path() / "second.syx", dump_bytes(program_dump, 0, 7, u"Second File"));
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.run));
        library.remove_subtree(library.root());
        box.shown.clear();
        face.window.result.reset();
        open_window();
        for (int n : {1, 3, 5}) put(program_dump, 0, n, u"Loaded");
        box.answers = {row.answer};
        box.while_open = [&](const shown_box&) {
            box.while_open = nullptr;
            click(main_ids::quit);
        };
        switch (row.run) {
        case command::load:
            files.open_answers.push_back(folder.file("first.syx"));
            click(main_ids::load);
            break;
        case command::files_at_start: logic->load_files({folder.file("first.syx"), folder.file("second.syx")}); break;
        case command::move_of_a_bank:
            for (int n : {1, 3, 5}) put(program_dump, 3, n, u"Occupant");
            select(entry(program_dump, 0, 1)->parent());
            set_text(main_ids::bank, u"c1");
            click(main_ids::move);
            break;
        }
        EXPECT_EQ(face.window.result, main_ids::quit);
        EXPECT_EQ(box.shown.size(), 1u);
        if (row.run == command::move_of_a_bank) {
            EXPECT_EQ(label(entry(program_dump, 3, 1)), "001 Loaded          ");
            EXPECT_EQ(label(entry(program_dump, 3, 3)), "003 Occupant        ");  // not asked: kept
        } else {
            EXPECT_EQ(label(entry(program_dump, 0, 1)),
                      row.answer == box_answer::yes ? "001 From File       " : "001 Loaded          ");
            EXPECT_EQ(entry(program_dump, 0, 2), nullptr);  // the load ended at the prompt
            EXPECT_EQ(entry(program_dump, 0, 7), nullptr);  // and the files after it
        }

        // Telling still shows.
        click(main_ids::about);
        EXPECT_EQ(box.shown.size(), 2u);
    }
}

}  // namespace
}  // namespace patchwarden

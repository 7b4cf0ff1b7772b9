// Load and Save through the window's logic: round trips, append, stray
// bytes, the replace prompt with Cancel, and what happens when the file
// system fails.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "app/files/file_commands.h"
#include "tests/app/support/window_fixture.h"
#include "tests/support/dumps.h"
#include "tests/support/test_files.h"

namespace patchwarden {
namespace {

using namespace testing;

std::string tree_text(const library_node* node, int depth = 0) {
    std::string out(static_cast<std::size_t>(depth) * 2, ' ');
    out += narrow(node->label()) + "\n";
    for (const auto& child : node->children()) out += tree_text(child.get(), depth + 1);
    return out;
}

std::string tree_text(const library_tree& library) {
    return library.root() ? tree_text(library.root()) : std::string();
}

std::vector<std::string> sorted_entries(const temp_folder& folder) {
    auto entries = folder.entries();
    std::sort(entries.begin(), entries.end());
    return entries;
}

// A second window over a library of its own, with the same box and chooser.
struct other_window {
    library_tree library;
    fake_window face;
    main_window_logic logic;
    other_window(message_box& box, file_chooser& files)
        : logic(face, library, box, files, nullptr, face.notifications) {
        logic.start(face.window);
    }
    void click(int id) { face.window.click(logic, id); }
    void select(const library_node* node) {
        face.select_node(node);
        logic.selection_changed(node);
    }
};

struct file_fixture : window_logic_test {
    temp_folder folder;

    void load(const std::filesystem::path& path) {
        files.open_answers.push_back(path);
        click(main_ids::load);
    }
    void save(const library_node* node, const std::filesystem::path& path) {
        select(node);
        files.save_answers.push_back(path);
        click(main_ids::save);
    }
};

TEST_F(file_fixture, saving_everything_and_loading_it_gives_the_same_tree_and_bytes) {
    write_bytes(folder.path() / "in.syx", mixed_file());
    load(folder.file("in.syx"));
    ASSERT_NE(library.root(), nullptr);
    const std::string loaded = tree_text(library);
    EXPECT_EQ(loaded,
              "Everything\n  Programs\n    Card 1\n      002 Card One Two    \n      007 Card One Seven  \n"
              "    User\n      000 User Zero       \n      100 User Hundred    \n  Mixes\n    Card 1\n"
              "      005 Mix Card One    \n  Global Data\n");

    save(library.root(), folder.file("everything.syx"));
    EXPECT_EQ(files.proposed.back(), u"Everything.syx");
    const byte_vector saved = read_bytes(folder.path() / "everything.syx");
    EXPECT_EQ(saved.size(), mixed_file().size());
    EXPECT_TRUE(box.shown.empty());

    other_window second(box, files);
    files.open_answers.push_back(folder.file("everything.syx"));
    second.click(main_ids::load);
    EXPECT_EQ(tree_text(second.library), loaded);
    second.select(second.library.root());
    files.save_answers.push_back(folder.file("again.syx"));
    second.click(main_ids::save);
    EXPECT_EQ(read_bytes(folder.path() / "again.syx"), saved);
    // Only the target is left in the folder: no temporary files.
    EXPECT_EQ(sorted_entries(folder), (std::vector<std::string>{"again.syx", "everything.syx", "in.syx"}));
}

TEST_F(file_fixture, saving_one_entry_writes_its_message_with_its_current_place) {
    write_bytes(folder.path() / "in.syx", mixed_file());
    load(folder.file("in.syx"));
    const library_node* entry = library.find_entry(program_dump, 3, 7);
    ASSERT_NE(entry, nullptr);
    save(entry, folder.file("one.syx"));
    EXPECT_EQ(files.proposed.back(), u"007 Card One Seven  .syx");
    EXPECT_EQ(read_bytes(folder.path() / "one.syx"), dump_bytes(program_dump, 3, 7, u"Card One Seven"));
}

TEST_F(file_fixture, a_name_with_a_slash_is_proposed_without_it) {
    write_bytes(folder.path() / "in.syx", dump_bytes(program_dump, 0, 1, u"Lead/Pad"));
    load(folder.file("in.syx"));
    save(library.find_entry(program_dump, 0, 1), u"");
    EXPECT_EQ(files.proposed.back(), u"001 Lead_Pad        .syx");
}

TEST_F(file_fixture, appending_to_a_file_and_loading_it_gives_both) {
    write_bytes(folder.path() / "in.syx", dump_bytes(program_dump, 0, 1, u"First"));
    write_bytes(folder.path() / "out.syx", dump_bytes(mix_dump, 0, 9, u"Already There"));
    load(folder.file("in.syx"));
    box.answers = {box_answer::yes};  // append
    save(library.root(), folder.file("out.syx"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, folder.file("out.syx") +
                                     u" allready exists.\r\n Would you like to append to it?\r\n(Select 'Cancel' to not save anything)");
    EXPECT_EQ(box.shown[0].caption, u"");
    EXPECT_EQ(box.shown[0].buttons, box_buttons::yes_no_cancel);
    EXPECT_EQ(box.shown[0].icon, box_icon::question);

    byte_vector expected = dump_bytes(mix_dump, 0, 9, u"Already There");
    append(expected, dump_bytes(program_dump, 0, 1, u"First"));
    EXPECT_EQ(read_bytes(folder.path() / "out.syx"), expected);

    other_window second(box, files);
    files.open_answers.push_back(folder.file("out.syx"));
    second.click(main_ids::load);
    EXPECT_NE(second.library.find_entry(mix_dump, 0, 9), nullptr);
    EXPECT_NE(second.library.find_entry(program_dump, 0, 1), nullptr);
}

TEST_F(file_fixture, answering_no_replaces_the_file_and_cancel_writes_nothing) {
    write_bytes(folder.path() / "in.syx", dump_bytes(program_dump, 0, 1, u"First"));
    load(folder.file("in.syx"));
    const byte_vector old_bytes = dump_bytes(mix_dump, 0, 9, u"Old");
    write_bytes(folder.path() / "out.syx", old_bytes);

    box.answers = {box_answer::cancel};
    save(library.root(), folder.file("out.syx"));
    EXPECT_EQ(read_bytes(folder.path() / "out.syx"), old_bytes);

#ifndef _WIN32
    ::chmod((folder.path() / "out.syx").c_str(), 0640);
#endif
    box.answers = {box_answer::no};
    save(library.root(), folder.file("out.syx"));
    EXPECT_EQ(read_bytes(folder.path() / "out.syx"), dump_bytes(program_dump, 0, 1, u"First"));
#ifndef _WIN32
    // The replaced file keeps its permissions.
    struct stat info {};
    ASSERT_EQ(::stat((folder.path() / "out.syx").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
#endif
    EXPECT_EQ(box.shown.size(), 2u);
}

// Stray bytes, a message cut short and foreign messages are skipped; every
// dump behind them is kept. The ask flag is a look at the window: it is read
// once for each dump and never for a candidate that is no dump.
TEST_F(file_fixture, stray_bytes_are_skipped_and_the_dumps_behind_them_kept) {
    byte_vector bytes;
    bytes.push_back(0x42);
    append(bytes, dump_bytes(program_dump, 0, 1, u"After a byte"));
    append(bytes, {0x10, 0x11});
    append(bytes, dump_bytes(program_dump, 0, 2, u"Kept"));
    append(bytes, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7});  // an identity request
    byte_vector cut_short = dump_bytes(mix_dump, 0, 4, u"Cut short");
    cut_short.resize(600);
    append(bytes, cut_short);
    append(bytes, dump_bytes(mix_dump, 0, 3, u"After a cut one"));
    for (int n = 0; n < 10; ++n) append(bytes, {0x01, 0x02, 0xF7});
    append(bytes, dump_bytes(global_dump, -1, -1, u""));
    append(bytes, {0x01, 0x02, 0x03});  // after the last 0xF7
    write_bytes(folder.path() / "in.syx", bytes);
    int reads = 0;
    EXPECT_TRUE(load_syx_file(library, box, folder.file("in.syx"), [&] { return ++reads < 0; }));
    EXPECT_EQ(reads, 4);
    EXPECT_NE(library.find_entry(program_dump, 0, 1), nullptr);
    EXPECT_NE(library.find_entry(program_dump, 0, 2), nullptr);
    EXPECT_NE(library.find_entry(mix_dump, 0, 3), nullptr);
    EXPECT_EQ(library.find_entry(mix_dump, 0, 4), nullptr);
    EXPECT_NE(library.find_entry(global_dump, -1, -1), nullptr);
    EXPECT_EQ(library.node_count(), 9u);  // Everything, Programs, User, 2 entries, Mixes, User, 1 entry, Global Data
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(file_fixture, an_empty_file_loads_nothing_and_says_nothing) {
    write_bytes(folder.path() / "empty.syx", {});
    load(folder.file("empty.syx"));
    EXPECT_EQ(library.root(), nullptr);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(file_fixture, cancel_at_a_replace_prompt_stops_the_load_there) {
    write_bytes(folder.path() / "first.syx", dump_bytes(program_dump, 0, 2, u"Loaded Before"));
    load(folder.file("first.syx"));
    byte_vector bytes;
    append(bytes, dump_bytes(program_dump, 0, 1, u"One"));
    append(bytes, dump_bytes(program_dump, 0, 2, u"Two"));  // asks: Cancel
    append(bytes, dump_bytes(program_dump, 0, 3, u"Three"));
    write_bytes(folder.path() / "second.syx", bytes);
    box.answers = {box_answer::cancel};
    load(folder.file("second.syx"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].buttons, box_buttons::yes_no_cancel);
    EXPECT_NE(library.find_entry(program_dump, 0, 1), nullptr);
    EXPECT_EQ(label(library.find_entry(program_dump, 0, 2)), "002 Loaded Before   ");
    EXPECT_EQ(library.find_entry(program_dump, 0, 3), nullptr);

    // No keeps the loaded entry and goes on (asked for 001, then 002).
    box.answers = {box_answer::no, box_answer::no};
    load(folder.file("second.syx"));
    EXPECT_EQ(label(library.find_entry(program_dump, 0, 2)), "002 Loaded Before   ");
    EXPECT_NE(library.find_entry(program_dump, 0, 3), nullptr);
}

TEST_F(file_fixture, cancel_stops_at_its_message_across_read_blocks) {
    // Many dumps, so the file spans several read blocks; the prompt for the
    // 40th is cancelled and nothing after it enters.
    byte_vector first, second;
    for (int n = 0; n < 80; ++n) append(second, dump_bytes(program_dump, 0, n, u"Second"));
    append(first, dump_bytes(program_dump, 0, 39, u"There"));
    write_bytes(folder.path() / "first.syx", first);
    write_bytes(folder.path() / "second.syx", second);
    ASSERT_GT(second.size(), 2 * syx_read_block);
    load(folder.file("first.syx"));
    box.answers = {box_answer::cancel};
    load(folder.file("second.syx"));
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(library.root()->child(0)->child(0)->child_count(), 40);  // 0..39, the 39th the old one
    EXPECT_EQ(library.find_entry(program_dump, 0, 40), nullptr);
}

// Files named on the command line or dropped on the window load in order
// as Load loads them: what cannot be opened is told and the next one
// loads; Cancel at a prompt stops there, the files after it included.
TEST_F(file_fixture, files_given_at_once_load_in_order_and_cancel_stops_the_rest) {
    write_bytes(folder.path() / "a.syx", dump_bytes(program_dump, 0, 1, u"From a"));
    write_bytes(folder.path() / "b.syx", dump_bytes(program_dump, 0, 1, u"From b"));
    write_bytes(folder.path() / "c.syx", dump_bytes(program_dump, 0, 2, u"From c"));
    box.answers = {box_answer::yes};
    logic->load_files({folder.file("a.syx"), folder.file("missing.syx"), folder.file("b.syx"), folder.file("c.syx")});
    EXPECT_EQ(box.texts(), (std::vector<std::u16string>{u"Can't open " + folder.file("missing.syx"),
                                                       box.shown.at(1).text}));
    EXPECT_EQ(label(entry(program_dump, 0, 1)), "001 From b          ");
    EXPECT_EQ(label(entry(program_dump, 0, 2)), "002 From c          ");

    box.shown.clear();
    box.answers = {box_answer::cancel};
    logic->load_files({folder.file("a.syx"), folder.file("c.syx")});
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(label(entry(program_dump, 0, 1)), "001 From b          ");
}

#ifndef _WIN32  // names on Windows are UTF-16
// A name is kept as the bytes the system gave it, also where they are not
// UTF-8 (a Latin-1 name from an old disk); only its text in a box shows
// those bytes as U+FFFD.
TEST_F(file_fixture, a_name_that_is_not_utf8_loads_and_saves_under_its_own_bytes) {
    const std::string latin1 = "Sons d'\xE9t\xE9";  // "Sons d'été" in Latin-1
    write_bytes(folder.path() / (latin1 + ".syx"), dump_bytes(program_dump, 0, 1, u"Summer"));
    write_bytes(folder.path() / (latin1 + " 2.syx"), dump_bytes(program_dump, 0, 2, u"Summer Two"));
    logic->load_files({folder.path() / (latin1 + ".syx"), folder.path() / (latin1 + " missing.syx")});
    load(folder.path() / (latin1 + " 2.syx"));
    EXPECT_EQ(label(entry(program_dump, 0, 1)), "001 Summer          ");
    EXPECT_EQ(label(entry(program_dump, 0, 2)), "002 Summer Two      ");
    EXPECT_EQ(box.texts(),
              std::vector<std::u16string>{u"Can't open " + folder.file("") + u"Sons d'\uFFFDt\uFFFD missing.syx"});

    save(library.root(), folder.path() / (latin1 + " saved.syx"));
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(read_bytes(folder.path() / (latin1 + " saved.syx")).size(), 2u * 2350u);
}
#endif

// A file that is not there cannot be opened, nor a folder (which would
// open for reading); a file that fails at its first read is told so.
TEST_F(file_fixture, a_file_that_cannot_be_opened_or_read_is_reported) {
    std::filesystem::create_directory(folder.path() / "folder.syx");
    const struct {
        std::u16string path, said;
    } rows[] = {
        {folder.file("missing.syx"), u"Can't open " + folder.file("missing.syx")},
        {folder.file("folder.syx"), u"Can't open " + folder.file("folder.syx")},
#ifdef __linux__
        {u"/proc/self/mem", u"Can't read all of /proc/self/mem"},
#endif
    };
    for (const auto& row : rows) {
        box.shown.clear();
        load(row.path);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, row.said);
        EXPECT_EQ(box.shown[0].icon, box_icon::error);
        EXPECT_EQ(box.shown[0].buttons, box_buttons::ok);
        EXPECT_EQ(library.root(), nullptr);
    }
}

TEST_F(file_fixture, cancelled_file_dialogs_and_no_selection_do_nothing) {
    click(main_ids::load);  // the chooser answers nothing
    EXPECT_EQ(files.open_calls, 1);
    click(main_ids::save);  // nothing selected: no dialog
    EXPECT_TRUE(files.proposed.empty());
    write_bytes(folder.path() / "in.syx", dump_bytes(program_dump, 0, 1, u"First"));
    load(folder.file("in.syx"));
    select(library.root());
    click(main_ids::save);  // the dialog is cancelled
    EXPECT_EQ(files.proposed.size(), 1u);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(file_fixture, a_folder_that_cannot_be_written_is_reported) {
    write_bytes(folder.path() / "in.syx", dump_bytes(program_dump, 0, 1, u"First"));
    load(folder.file("in.syx"));
    // Below a regular file there is no folder, not even for root.
    const std::u16string path = folder.file("in.syx") + u"/out.syx";
    save(library.root(), path);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Can't save to " + path);
    EXPECT_EQ(box.shown[0].icon, box_icon::error);
    EXPECT_EQ(box.shown[0].caption, u"");

#ifndef _WIN32  // a folder opens for reading on POSIX only
    // A folder chosen as the file: asked about (it opens for reading), and
    // neither appending nor replacing can write it.
    std::filesystem::create_directory(folder.path() / "folder.syx");
    for (box_answer answer : {box_answer::yes, box_answer::no}) {
        box.answers = {answer};
        save(library.root(), folder.file("folder.syx"));
        EXPECT_EQ(box.shown.back().text, u"Can't save to " + folder.file("folder.syx"));
    }
    EXPECT_EQ(box.shown.size(), 5u);
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "folder.syx"));
    EXPECT_EQ(sorted_entries(folder), (std::vector<std::string>{"folder.syx", "in.syx"}));
#endif
}

TEST_F(file_fixture, a_failed_overwrite_keeps_the_old_file) {
    write_bytes(folder.path() / "in.syx", mixed_file());
    load(folder.file("in.syx"));
    const byte_vector old_bytes = dump_bytes(mix_dump, 0, 9, u"Old");
    write_bytes(folder.path() / "out.syx", old_bytes);
    logic->set_save_writer(failing_after(2));
    box.answers = {box_answer::no};
    save(library.root(), folder.file("out.syx"));
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].text, u"Can't save to " + folder.file("out.syx"));
    EXPECT_EQ(read_bytes(folder.path() / "out.syx"), old_bytes);
    EXPECT_EQ(sorted_entries(folder), (std::vector<std::string>{"in.syx", "out.syx"}));

    // A new file that fails is not left half written either.
    logic->set_save_writer(failing_after(1));
    save(library.root(), folder.file("new.syx"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "new.syx"));
    EXPECT_EQ(box.shown.back().text, u"Can't save to " + folder.file("new.syx"));
}

TEST_F(file_fixture, a_failed_append_cuts_the_file_back) {
    write_bytes(folder.path() / "in.syx", mixed_file());
    load(folder.file("in.syx"));
    const byte_vector old_bytes = dump_bytes(mix_dump, 0, 9, u"Old");
    write_bytes(folder.path() / "out.syx", old_bytes);
    logic->set_save_writer(failing_after(3));
    box.answers = {box_answer::yes};
    save(library.root(), folder.file("out.syx"));
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].text, u"Can't save to " + folder.file("out.syx"));
    EXPECT_EQ(read_bytes(folder.path() / "out.syx"), old_bytes);
}

}  // namespace
}  // namespace patchwarden

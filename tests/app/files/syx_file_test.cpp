// Load and Save through the window: round trips, append, stray bytes, the
// replace prompt with Cancel, and what happens when the file system fails.

#include <QPushButton>
#include <algorithm>
#include <gtest/gtest.h>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "library/library_tree.h"
#include "tests/support/scripted_message_box.h"
#include "tests/ui/ui_test_support.h"
#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"
#include "ui/main_window.h"
#include "app/files/syx_file.h"

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

struct file_fixture : ::testing::Test {
    temp_folder folder;
    library_tree library;
    scripted_message_box box;
    scripted_file_chooser files;
    main_window window{library, box, files};

    void click(int id) { control<QPushButton>(&window, id)->click(); }
    void load(const std::u16string& path) {
        files.open_answers.push_back(path);
        click(main_ids::load);
    }
    void save(const library_node* node, const std::u16string& path) {
        window.select_node(node);
        files.save_answers.push_back(path);
        click(main_ids::save);
    }
};

// A library of every kind: Programs of two banks given out of order,
// Mixes, the Global Data.
byte_vector mixed_file() {
    byte_vector bytes;
    append(bytes, dump_bytes(program_dump, 3, 7, u"Card One Seven"));
    append(bytes, dump_bytes(program_dump, 0, 100, u"User Hundred"));
    append(bytes, dump_bytes(program_dump, 3, 2, u"Card One Two"));
    append(bytes, dump_bytes(mix_dump, 2, 5, u"Mix Card One"));
    append(bytes, dump_bytes(global_dump, -1, -1, u""));
    append(bytes, dump_bytes(program_dump, 0, 0, u"User Zero"));
    return bytes;
}

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

    library_tree empty;
    main_window second(empty, box, files);
    files.open_answers.push_back(folder.file("everything.syx"));
    control<QPushButton>(&second, main_ids::load)->click();
    EXPECT_EQ(tree_text(empty), loaded);
    second.select_node(empty.root());
    files.save_answers.push_back(folder.file("again.syx"));
    control<QPushButton>(&second, main_ids::save)->click();
    EXPECT_EQ(read_bytes(folder.path() / "again.syx"), saved);
    // Only the target is left in the folder: no temporary files.
    auto entries = folder.entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"again.syx", "everything.syx", "in.syx"}));
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
    byte_vector bytes = dump_bytes(program_dump, 0, 1, u"Lead/Pad");
    write_bytes(folder.path() / "in.syx", bytes);
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

    library_tree other;
    main_window second(other, box, files);
    files.open_answers.push_back(folder.file("out.syx"));
    control<QPushButton>(&second, main_ids::load)->click();
    EXPECT_NE(other.find_entry(mix_dump, 0, 9), nullptr);
    EXPECT_NE(other.find_entry(program_dump, 0, 1), nullptr);
}

TEST_F(file_fixture, answering_no_replaces_the_file_and_cancel_writes_nothing) {
    write_bytes(folder.path() / "in.syx", dump_bytes(program_dump, 0, 1, u"First"));
    load(folder.file("in.syx"));
    const byte_vector old_bytes = dump_bytes(mix_dump, 0, 9, u"Old");
    write_bytes(folder.path() / "out.syx", old_bytes);

    box.answers = {box_answer::cancel};
    save(library.root(), folder.file("out.syx"));
    EXPECT_EQ(read_bytes(folder.path() / "out.syx"), old_bytes);

    chmod((folder.path() / "out.syx").c_str(), 0640);
    box.answers = {box_answer::no};
    save(library.root(), folder.file("out.syx"));
    EXPECT_EQ(read_bytes(folder.path() / "out.syx"), dump_bytes(program_dump, 0, 1, u"First"));
    // The replaced file keeps its permissions.
    struct stat info {};
    ASSERT_EQ(stat((folder.path() / "out.syx").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(box.shown.size(), 2u);
}

TEST_F(file_fixture, stray_bytes_are_skipped) {
    byte_vector bytes;
    bytes.push_back(0x42);  // costs the first dump
    append(bytes, dump_bytes(program_dump, 0, 1, u"Lost"));
    append(bytes, dump_bytes(program_dump, 0, 2, u"Kept"));
    append(bytes, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7});  // an identity request
    append(bytes, dump_bytes(mix_dump, 0, 3, u"Kept Too"));
    append(bytes, {0x01, 0x02, 0x03});  // after the last 0xF7
    write_bytes(folder.path() / "in.syx", bytes);
    load(folder.file("in.syx"));
    EXPECT_EQ(library.find_entry(program_dump, 0, 1), nullptr);
    EXPECT_NE(library.find_entry(program_dump, 0, 2), nullptr);
    EXPECT_NE(library.find_entry(mix_dump, 0, 3), nullptr);
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
    EXPECT_EQ(narrow(library.find_entry(program_dump, 0, 2)->label()), "002 Loaded Before   ");
    EXPECT_EQ(library.find_entry(program_dump, 0, 3), nullptr);

    // No keeps the loaded entry and goes on (asked for 001, then 002).
    box.answers = {box_answer::no, box_answer::no};
    load(folder.file("second.syx"));
    EXPECT_EQ(narrow(library.find_entry(program_dump, 0, 2)->label()), "002 Loaded Before   ");
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

TEST_F(file_fixture, a_file_that_cannot_be_opened_is_reported) {
    load(folder.file("missing.syx"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Can't open " + folder.file("missing.syx"));
    EXPECT_EQ(box.shown[0].icon, box_icon::error);
    EXPECT_EQ(box.shown[0].buttons, box_buttons::ok);
    EXPECT_EQ(library.root(), nullptr);
}

TEST_F(file_fixture, a_read_error_is_not_the_end_of_the_file) {
    // A folder opens for reading but cannot be read.
    std::filesystem::create_directory(folder.path() / "folder.syx");
    load(folder.file("folder.syx"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Can't read all of " + folder.file("folder.syx"));
    EXPECT_EQ(box.shown[0].icon, box_icon::error);
}

TEST_F(file_fixture, cancelled_file_dialogs_and_no_selection_do_nothing) {
    click(main_ids::load);  // the chooser answers nothing
    EXPECT_EQ(files.open_calls, 1);
    click(main_ids::save);  // nothing selected: no dialog
    EXPECT_TRUE(files.proposed.empty());
    write_bytes(folder.path() / "in.syx", dump_bytes(program_dump, 0, 1, u"First"));
    load(folder.file("in.syx"));
    window.select_node(library.root());
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
    auto entries = folder.entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"folder.syx", "in.syx"}));
}

// Writes the first blocks, then fails.
block_writer failing_after(int blocks) {
    auto count = std::make_shared<int>(0);
    return [count, blocks](std::FILE* file, std::span<const std::uint8_t> block) {
        if ((*count)++ >= blocks) return false;
        return std::fwrite(block.data(), 1, block.size(), file) == block.size();
    };
}

TEST_F(file_fixture, a_failed_overwrite_keeps_the_old_file) {
    write_bytes(folder.path() / "in.syx", mixed_file());
    load(folder.file("in.syx"));
    const byte_vector old_bytes = dump_bytes(mix_dump, 0, 9, u"Old");
    write_bytes(folder.path() / "out.syx", old_bytes);
    window.set_save_writer(failing_after(2));
    box.answers = {box_answer::no};
    save(library.root(), folder.file("out.syx"));
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].text, u"Can't save to " + folder.file("out.syx"));
    EXPECT_EQ(read_bytes(folder.path() / "out.syx"), old_bytes);
    auto entries = folder.entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"in.syx", "out.syx"}));

    // A new file that fails is not left half written either.
    window.set_save_writer(failing_after(1));
    save(library.root(), folder.file("new.syx"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "new.syx"));
    EXPECT_EQ(box.shown.back().text, u"Can't save to " + folder.file("new.syx"));
}

TEST_F(file_fixture, a_failed_append_cuts_the_file_back) {
    write_bytes(folder.path() / "in.syx", mixed_file());
    load(folder.file("in.syx"));
    const byte_vector old_bytes = dump_bytes(mix_dump, 0, 9, u"Old");
    write_bytes(folder.path() / "out.syx", old_bytes);
    window.set_save_writer(failing_after(3));
    box.answers = {box_answer::yes};
    save(library.root(), folder.file("out.syx"));
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].text, u"Can't save to " + folder.file("out.syx"));
    EXPECT_EQ(read_bytes(folder.path() / "out.syx"), old_bytes);
}

TEST(syx_file, reading_in_any_block_size_hands_on_the_same_candidates) {
    temp_folder folder;
    write_bytes(folder.path() / "in.syx", mixed_file());
    std::vector<byte_vector> whole;
    ASSERT_EQ(read_syx_file(folder.path() / "in.syx", [&](byte_vector&& c) {
                  whole.push_back(std::move(c));
                  return true;
              }),
              read_result::complete);
    ASSERT_EQ(whole.size(), 6u);
    for (std::size_t block : {std::size_t{1}, std::size_t{7}, std::size_t{2350}, std::size_t{100000}}) {
        std::vector<byte_vector> pieces;
        EXPECT_EQ(read_syx_file(
                      folder.path() / "in.syx",
                      [&](byte_vector&& c) {
                          pieces.push_back(std::move(c));
                          return true;
                      },
                      block),
                  read_result::complete);
        EXPECT_EQ(pieces, whole) << block;
    }
    int seen = 0;
    EXPECT_EQ(read_syx_file(folder.path() / "in.syx", [&](byte_vector&&) { return ++seen < 2; }), read_result::stopped);
    EXPECT_EQ(seen, 2);
}

TEST(syx_file, an_endless_candidate_is_skipped_without_losing_what_follows) {
    temp_folder folder;
    byte_vector bytes(3 * syx_longest_candidate, 0x11);  // no 0xF7 for megabytes
    append(bytes, dump_bytes(program_dump, 0, 1, u"Swallowed"));  // ends the long candidate
    append(bytes, dump_bytes(program_dump, 0, 2, u"Kept"));
    write_bytes(folder.path() / "in.syx", bytes);
    std::vector<byte_vector> got;
    EXPECT_EQ(read_syx_file(folder.path() / "in.syx",
                            [&](byte_vector&& c) {
                                got.push_back(std::move(c));
                                return true;
                            }),
              read_result::complete);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], dump_bytes(program_dump, 0, 2, u"Kept"));
}

// Whatever the block size, a candidate is skipped exactly when it is longer
// than the limit.
TEST(syx_file, a_candidate_is_skipped_by_its_length_alone) {
    temp_folder folder;
    const byte_vector dump = dump_bytes(program_dump, 0, 2, u"Kept");
    for (const std::size_t length : {syx_longest_candidate, syx_longest_candidate + 1}) {
        byte_vector bytes(length - 1, 0x11);
        bytes.push_back(0xF7);
        append(bytes, dump);
        write_bytes(folder.path() / "in.syx", bytes);
        for (const std::size_t block : {std::size_t{7}, std::size_t{4096}, syx_read_block, 3 * syx_longest_candidate}) {
            std::vector<std::size_t> sizes;
            EXPECT_EQ(read_syx_file(
                          folder.path() / "in.syx",
                          [&](byte_vector&& c) {
                              sizes.push_back(c.size());
                              return true;
                          },
                          block),
                      read_result::complete);
            const std::vector<std::size_t> expected = length <= syx_longest_candidate
                                                          ? std::vector<std::size_t>{length, dump.size()}
                                                          : std::vector<std::size_t>{dump.size()};
            EXPECT_EQ(sizes, expected) << "length " << length << ", block " << block;
        }
    }
}

// Each way to a file through symbolic links: the link stays a link and the
// file it points to gets the messages, made new when it was not there.
TEST(syx_file, a_link_is_followed_and_kept_also_to_a_file_not_yet_there) {
    const outgoing_queue list{{dump_bytes(program_dump, 0, 1, u"Linked"), 0}};
    const byte_vector old_bytes = dump_bytes(mix_dump, 0, 9, u"Old");
    const struct {
        const char* what;
        bool absolute;
        bool second_link;
        bool file_there;
        write_mode mode;
    } cases[] = {
        {"to a file, replaced", false, false, true, write_mode::replace},
        {"to a file, appended to", false, false, true, write_mode::append},
        {"dangling, replaced", false, false, false, write_mode::replace},
        {"dangling, appended to", false, false, false, write_mode::append},
        {"dangling, absolute", true, false, false, write_mode::replace},
        {"dangling, through a second link", false, true, false, write_mode::replace},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        temp_folder folder;
        const auto real = folder.path() / "real.syx";
        if (c.file_there) write_bytes(real, old_bytes);
        const std::filesystem::path points_to = c.absolute ? real : std::filesystem::path("real.syx");
        if (c.second_link) {
            std::filesystem::create_symlink(points_to, folder.path() / "hop.syx");
            std::filesystem::create_symlink("hop.syx", folder.path() / "link.syx");
        } else {
            std::filesystem::create_symlink(points_to, folder.path() / "link.syx");
        }
        ASSERT_TRUE(write_syx_file(folder.path() / "link.syx", list, c.mode));
        EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "link.syx"));
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(real)));
        byte_vector expected = c.file_there && c.mode == write_mode::append ? old_bytes : byte_vector();
        append(expected, list[0].bytes);
        EXPECT_EQ(read_bytes(real), expected);
        EXPECT_EQ(folder.entries().size(), c.second_link ? 3u : 2u);  // no temporary left
    }

    // A loop of links names no file: nothing is written.
    temp_folder folder;
    std::filesystem::create_symlink("b.syx", folder.path() / "a.syx");
    std::filesystem::create_symlink("a.syx", folder.path() / "b.syx");
    EXPECT_FALSE(write_syx_file(folder.path() / "a.syx", list, write_mode::replace));
    EXPECT_EQ(folder.entries().size(), 2u);
}

TEST(syx_file, a_failed_append_to_a_new_file_leaves_no_file_behind) {
    const outgoing_queue list{{dump_bytes(program_dump, 0, 1, u"One"), 0}, {dump_bytes(program_dump, 0, 2, u"Two"), 0}};
    for (const bool through_link : {false, true}) {
        SCOPED_TRACE(through_link ? "through a dangling link" : "by its name");
        temp_folder folder;
        if (through_link) std::filesystem::create_symlink("new.syx", folder.path() / "link.syx");
        const auto path = folder.path() / (through_link ? "link.syx" : "new.syx");
        EXPECT_FALSE(write_syx_file(path, list, write_mode::append, failing_after(1)));
        EXPECT_EQ(folder.entries(), through_link ? std::vector<std::string>{"link.syx"} : std::vector<std::string>{});
    }
}

TEST(syx_file, a_replaced_file_keeps_its_owner) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another owner";
    temp_folder folder;
    const auto path = folder.path() / "owned.syx";
    write_bytes(path, dump_bytes(mix_dump, 0, 9, u"Old"));
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const outgoing_queue list{{dump_bytes(program_dump, 0, 1, u"New"), 0}};
    ASSERT_TRUE(write_syx_file(path, list, write_mode::replace));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(read_bytes(path), list[0].bytes);
}

// Runs work as an ordinary user (in a child process when the tests run as
// root, who may write any file), so that file permissions count. Nothing
// when the child cannot give up root.
std::optional<bool> as_ordinary_user(const std::function<bool()>& work) {
    if (::geteuid() != 0) return work();
    const pid_t child = ::fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(2);
        std::_Exit(work() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) > 1) return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

TEST(syx_file, a_read_only_file_is_neither_replaced_nor_appended_to) {
    namespace fs = std::filesystem;
    temp_folder folder;
    fs::permissions(folder.path(), fs::perms::all);  // anybody may make files beside it
    const fs::path path = folder.path() / "locked.syx";
    const byte_vector old_bytes = dump_bytes(mix_dump, 0, 9, u"Old");
    write_bytes(path, old_bytes);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const outgoing_queue list{{dump_bytes(program_dump, 0, 1, u"New"), 0}};
    for (write_mode mode : {write_mode::replace, write_mode::append}) {
        const auto written = as_ordinary_user([&] { return write_syx_file(path, list, mode); });
        ASSERT_TRUE(written.has_value()) << "could not run as an ordinary user";
        EXPECT_FALSE(*written);
        EXPECT_EQ(read_bytes(path), old_bytes);
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"locked.syx"});
    }
}

// Runs work in a child process, so that work that would hang cannot hang
// the tests: true when it finished in time and returned true.
bool finishes_in_child(const std::function<bool()>& work) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) std::_Exit(work() ? 0 : 1);
    int status = 0;
    for (int waited_ms = 0; waited_ms < 20000; waited_ms += 10) {
        if (::waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        ::usleep(10000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    ADD_FAILURE() << "still running after 20 s";
    return false;
}

// What would keep Load waiting, or never end, is not read.
TEST(syx_file, load_never_waits_for_a_pipe_or_a_device) {
    temp_folder folder;
    const auto fifo = folder.path() / "pipe.syx";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char* what;
        std::filesystem::path path;
        bool with_writer;
    } cases[] = {
        {"a pipe without a writer", fifo, false},
        {"a pipe with a writer that stays", fifo, true},
        {"/dev/zero", "/dev/zero", false},
        {"/dev/urandom", "/dev/urandom", false},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(finishes_in_child([&] {
            if (c.with_writer) {
                const int writer = ::open(c.path.c_str(), O_RDWR);
                const byte_vector dump = dump_bytes(program_dump, 0, 1, u"Piped");
                if (writer < 0 || ::write(writer, dump.data(), dump.size()) != static_cast<ssize_t>(dump.size()))
                    return false;
            }
            int handed = 0;
            const read_result result = read_syx_file(c.path, [&](byte_vector&&) { return ++handed > 0; });
            return result == read_result::open_failed && handed == 0;
        })) << c.what;
    }
}

// A pipe is written into while a program reads it; otherwise Save fails
// without waiting (and without the program ending when the reader goes).
TEST(syx_file, save_writes_into_a_pipe_only_while_it_is_read) {
    enum class reader { none, reads, never_reads, goes_away };
    const struct {
        const char* what;
        reader at_the_other_end;
        int messages;
        bool written;
    } cases[] = {
        {"no reader", reader::none, 1, false},
        {"a reader", reader::reads, 1, true},
        {"a reader that never reads more than the pipe holds", reader::never_reads, 40, false},
        {"a reader that goes away", reader::goes_away, 1, false},
    };
    for (const auto& c : cases) {
        for (write_mode mode : {write_mode::replace, write_mode::append}) {
            EXPECT_TRUE(finishes_in_child([&] {
                temp_folder folder;
                const auto path = folder.path() / "pipe.syx";
                if (::mkfifo(path.c_str(), 0600) != 0) return false;
                outgoing_queue list;
                byte_vector all;
                for (int n = 0; n < c.messages; ++n) {
                    list.push_back({dump_bytes(program_dump, 0, n, u"Piped"), 0});
                    append(all, list.back().bytes);
                }
                const int read_end =
                    c.at_the_other_end == reader::none ? -1 : ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
                // The test of existence opens a pipe that nobody writes.
                if (!syx_file_exists(path)) return false;
                block_writer writer;
                if (c.at_the_other_end == reader::goes_away) {
                    writer = [&](std::FILE* file, std::span<const std::uint8_t> block) {
                        ::close(read_end);
                        return std::fwrite(block.data(), 1, block.size(), file) == block.size() &&
                               std::fflush(file) == 0;
                    };
                }
                if (write_syx_file(path, list, mode, writer) != c.written) return false;
                if (!std::filesystem::is_fifo(path)) return false;
                if (c.at_the_other_end != reader::reads) return true;
                byte_vector got(all.size() + 1);
                const ssize_t n = ::read(read_end, got.data(), got.size());
                return n == static_cast<ssize_t>(all.size()) && byte_vector(got.begin(), got.begin() + n) == all;
            })) << c.what << (mode == write_mode::append ? ", appending" : ", replacing");
        }
    }
}

}  // namespace
}  // namespace patchwarden

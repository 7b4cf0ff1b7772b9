// The .syx file reader and writer on real files: candidates whatever the
// block size, links, failed writes, owners and permissions, a folder that
// refuses new files, and pipes and devices that would keep a load or a save
// waiting.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "app/files/file_system.h"
#include "app/files/syx_file.h"
#include "data/a6_message.h"
#include "tests/support/dumps.h"
#include "tests/support/test_files.h"

namespace patchwarden {
namespace {

using namespace testing;

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

// Megabytes without a 0xF7 are skipped as they come; the dump whose 0xF0
// ends them is kept, also when the 0xF0 comes after the limit was passed.
TEST(syx_file, an_endless_candidate_is_skipped_without_losing_what_follows) {
    temp_folder folder;
    byte_vector bytes(3 * syx_longest_candidate, 0x11);  // no 0xF7 for megabytes
    append(bytes, dump_bytes(program_dump, 0, 1, u"Behind stray"));
    append(bytes, dump_bytes(program_dump, 0, 2, u"Kept"));
    write_bytes(folder.path() / "in.syx", bytes);
    std::vector<byte_vector> got;
    EXPECT_EQ(read_syx_file(folder.path() / "in.syx",
                            [&](byte_vector&& c) {
                                got.push_back(std::move(c));
                                return true;
                            }),
              read_result::complete);
    EXPECT_EQ(got, (std::vector<byte_vector>{dump_bytes(program_dump, 0, 1, u"Behind stray"),
                                             dump_bytes(program_dump, 0, 2, u"Kept")}));
}

// Whatever the block size, a candidate is skipped exactly when it is longer
// than the limit.
TEST(syx_file, a_candidate_is_skipped_by_its_length_alone) {
    temp_folder folder;
    const byte_vector dump = dump_bytes(program_dump, 0, 2, u"Kept");
    for (const std::size_t length : {syx_longest_candidate, syx_longest_candidate + 1, syx_longest_candidate + 2}) {
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

// A folder that refuses to make files, or to rename one over another
// (unless the refusal is none), as one the user may not write does, or a
// sticky one holding another user's file; root may write any folder, so
// the refusals are played here. Opening a file that is there still says it
// is there.
struct folder_refusing_new_files : file_system {
    std::errc refusal;
    std::errc rename_refusal;
    explicit folder_refusing_new_files(std::errc why, std::errc rename_why = std::errc())
        : refusal(why), rename_refusal(rename_why) {}
    file_handle create_new(const std::filesystem::path& path, std::error_code& error) const override {
        if (refusal == std::errc() || std::filesystem::exists(path)) return file_system::create_new(path, error);
        error = std::make_error_code(refusal);
        return nullptr;
    }
    void rename_over(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::error_code& error) const override {
        if (rename_refusal == std::errc()) return file_system::rename_over(from, to, error);
        error = std::make_error_code(rename_refusal);
    }
};

// A file that may be written is written in place when the folder refuses a
// new file beside it, or refuses to rename the new file over it; a failure
// part-way then leaves it cut. Only a refusal leads there: in a folder that
// takes new files, or after another failure, the old file stays.
TEST(syx_file, the_old_file_is_written_in_place_only_where_the_folder_refuses_new_files) {
    const outgoing_queue list{{dump_bytes(program_dump, 0, 1, u"One"), 0}, {dump_bytes(program_dump, 0, 2, u"Two"), 0}};
    const byte_vector old_bytes = dump_bytes(mix_dump, 0, 9, u"Old");
    byte_vector both = list[0].bytes;
    append(both, list[1].bytes);
    byte_vector old_and_both = old_bytes;
    append(old_and_both, both);
    enum class left { none, old, first, both, old_and_both };
    const std::errc no_rename = std::errc::operation_not_permitted;  // a sticky folder
    const struct {
        const char* what;
        std::errc refusal;
        bool file_there;
        write_mode mode;
        int blocks_before_failing;  // -1: the writes do not fail
        bool written;
        left in_the_file;
        std::errc rename_refusal = std::errc();
    } cases[] = {
        {"an open folder", std::errc(), true, write_mode::replace, -1, true, left::both},
        {"an open folder, failing part-way", std::errc(), true, write_mode::replace, 1, false, left::old},
        {"replaced", std::errc::permission_denied, true, write_mode::replace, -1, true, left::both},
        {"replaced, refused also to root", std::errc::operation_not_permitted, true, write_mode::replace, -1, true,
         left::both},
        {"failing part-way", std::errc::permission_denied, true, write_mode::replace, 1, false, left::first},
        {"not there", std::errc::permission_denied, false, write_mode::replace, -1, false, left::none},
        {"the disk is full", std::errc::no_space_on_device, true, write_mode::replace, -1, false, left::old},
        {"appended to", std::errc::permission_denied, true, write_mode::append, -1, true, left::old_and_both},
        {"no replacing it", std::errc(), true, write_mode::replace, -1, true, left::both, no_rename},
        {"no replacing it, failing part-way", std::errc(), true, write_mode::replace, 1, false, left::old, no_rename},
        {"no renaming to another disk", std::errc(), true, write_mode::replace, -1, false, left::old,
         std::errc::cross_device_link},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        temp_folder folder;
        const auto path = folder.path() / "out.syx";
        if (c.file_there) write_bytes(path, old_bytes);
        const block_writer writer = c.blocks_before_failing < 0 ? block_writer() : failing_after(c.blocks_before_failing);
        EXPECT_EQ(write_syx_file(folder_refusing_new_files(c.refusal, c.rename_refusal), path, list, c.mode, writer),
                  c.written);
        const byte_vector expected[] = {{}, old_bytes, list[0].bytes, both, old_and_both};
        EXPECT_EQ(read_bytes(path), expected[static_cast<int>(c.in_the_file)]);
        EXPECT_EQ(folder.entries(), c.file_there ? std::vector<std::string>{"out.syx"} : std::vector<std::string>{});
    }
}

#ifndef _WIN32  // libstdc++ makes no symbolic links on Windows
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

#endif

TEST(syx_file, a_failed_append_to_a_new_file_leaves_no_file_behind) {
    const outgoing_queue list{{dump_bytes(program_dump, 0, 1, u"One"), 0}, {dump_bytes(program_dump, 0, 2, u"Two"), 0}};
    for (const bool through_link : {false, true}) {
#ifdef _WIN32
        if (through_link) continue;  // libstdc++ makes no symbolic links on Windows
#endif
        SCOPED_TRACE(through_link ? "through a dangling link" : "by its name");
        temp_folder folder;
        if (through_link) std::filesystem::create_symlink("new.syx", folder.path() / "link.syx");
        const auto path = folder.path() / (through_link ? "link.syx" : "new.syx");
        EXPECT_FALSE(write_syx_file(path, list, write_mode::append, failing_after(1)));
        EXPECT_EQ(folder.entries(), through_link ? std::vector<std::string>{"link.syx"} : std::vector<std::string>{});
    }
}

#ifndef _WIN32  // owners, permissions, pipes and devices as POSIX has them
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

// What the folder's permissions say, without the play above: another
// user's writable file in a folder closed to new files, or in a sticky
// folder such as /tmp (where it may be written but not replaced by a new
// file), is written in place and keeps its permissions.
TEST(syx_file, another_users_writable_file_is_written_where_the_folder_refuses_new_files) {
    namespace fs = std::filesystem;
    const auto read_write = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::group_write | fs::perms::others_read | fs::perms::others_write;
    const struct {
        const char* what;
        fs::perms folder;
    } rows[] = {
        {"closed", fs::perms::all & ~(fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)},
        {"sticky", fs::perms::all | fs::perms::sticky_bit},
    };
    const outgoing_queue list{{dump_bytes(program_dump, 0, 1, u"New"), 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        temp_folder folder;
        const fs::path path = folder.path() / "shared.syx";
        write_bytes(path, dump_bytes(mix_dump, 0, 9, u"Old"));
        fs::permissions(path, read_write);
        fs::permissions(folder.path(), row.folder);
        const auto written = as_ordinary_user([&] { return write_syx_file(path, list, write_mode::replace); });
        fs::permissions(folder.path(), fs::perms::owner_all);
        ASSERT_TRUE(written.has_value()) << "could not run as an ordinary user";
        EXPECT_TRUE(*written);
        EXPECT_EQ(read_bytes(path), list[0].bytes);
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, read_write);
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"shared.syx"});
    }
}

// A name within a few bytes of the longest the folder takes leaves no room
// for the temporary name made from it: the new file gets a short one, and
// the file is still replaced whole.
TEST(syx_file, a_name_near_the_longest_the_folder_takes_is_saved) {
    temp_folder folder;
    const long longest = ::pathconf(folder.path().c_str(), _PC_NAME_MAX);
    ASSERT_GT(longest, 20);
    const std::string name = std::string(static_cast<std::size_t>(longest) - 8, 'n') + ".syx";
    const outgoing_queue list{{dump_bytes(program_dump, 0, 1, u"New"), 0}};
    for (const bool there : {false, true}) {
        SCOPED_TRACE(there ? "over the old file" : "a new file");
        if (there) write_bytes(folder.path() / name, dump_bytes(mix_dump, 0, 9, u"Old"));
        EXPECT_TRUE(write_syx_file(folder.path() / name, list, write_mode::replace));
        EXPECT_EQ(read_bytes(folder.path() / name), list[0].bytes);
        EXPECT_EQ(folder.entries(), std::vector<std::string>{name});
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
#endif

}  // namespace
}  // namespace patchwarden

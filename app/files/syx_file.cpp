#include "app/files/syx_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "app/files/file_system.h"
#include "data/split_messages.h"

namespace patchwarden {

namespace {

// The operating system's files, as the rules below use them.
const file_system& native_files() {
    static const file_system files;
    return files;
}

bool would_wait(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

bool write_all(std::FILE* file, std::span<const std::uint8_t> block) {
    return std::fwrite(block.data(), 1, block.size(), file) == block.size();
}

// Flushes the file to the disk and closes it; true when all of that worked.
bool finish(const file_system& files, file_handle& file) {
    bool ok = std::fflush(file.get()) == 0;
    ok = ok && files.sync(file.get());
    ok = (std::fclose(file.release()) == 0) && ok;
    return ok;
}

bool write_list(std::FILE* file, const outgoing_queue& list, const block_writer& writer) {
    for (const outgoing_message& message : list) {
        const bool written = writer ? writer(file, message.bytes) : write_all(file, message.bytes);
        if (!written) return false;
    }
    return true;
}

// The file that path names once its symbolic links are followed, also when
// the last link points to a file that does not exist yet. Empty for a loop
// of links.
std::filesystem::path follow_links(std::filesystem::path path) {
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error)) return path;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) return path;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return {};
}

// A new, empty file in the target's folder, named after the target (or, for
// a target whose name leaves no room for more, under a short name of its
// own); error says why none was made.
file_handle create_temporary(const file_system& files, const std::filesystem::path& target,
                             std::filesystem::path& temporary, std::error_code& error) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder = target.parent_path();
    // The name's bytes as they are: it need not be UTF-8.
    std::filesystem::path::string_type base = std::filesystem::path(".").native() + target.filename().native();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned n = counter.fetch_add(1);
        const std::string suffix = "." + std::to_string(files.process_id()) + "-" + std::to_string(n) + ".tmp";
        temporary = folder / (base + std::filesystem::path(suffix).native());
        if (file_handle file = files.create_new(temporary, error)) return file;
        if (error == std::errc::filename_too_long && base != std::filesystem::path(".patchwarden").native()) {
            base = std::filesystem::path(".patchwarden").native();
            continue;
        }
        if (error != std::errc::file_exists) break;
    }
    return nullptr;
}

// A pipe or a device (not a folder) keeps no contents that a failed save
// could spoil, and renaming a new file over it would destroy it.
bool is_special_file(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
           !std::filesystem::is_directory(status);
}

// Writes straight into a pipe or a device.
bool write_special_file(const file_system& files, const std::filesystem::path& path, write_mode mode,
                        const outgoing_queue& list, const block_writer& writer) {
    return files.with_broken_pipes_failing([&] {
        file_handle file = files.open_special(path, mode);
        if (!file) return false;
        const block_writer write_block =
            writer ? writer : [&files](std::FILE* f, std::span<const std::uint8_t> block) {
                return files.write_special(f, block);
            };
        bool ok = write_list(file.get(), list, write_block);
        ok = std::fflush(file.get()) == 0 && ok;
        ok = (std::fclose(file.release()) == 0) && ok;
        return ok;
    });
}

// Gives the new file the owner of the one it replaces, where the process
// may, then its permissions (a change of owner clears set-id bits).
void take_over_owner_and_permissions(const file_system& files, const std::filesystem::path& old_file,
                                     const std::filesystem::path& new_file) {
    std::error_code error;
    const auto status = std::filesystem::status(old_file, error);
    if (error || !std::filesystem::exists(status)) return;
    files.take_owner(old_file, new_file);
    std::filesystem::permissions(new_file, status.permissions(), error);
}

// How a folder refuses a new file: the user may not write it, or nobody
// may, not even root (an immutable folder).
bool refused(const std::error_code& error) {
    return error == std::errc::permission_denied || error == std::errc::operation_not_permitted;
}

// Empties the file and writes the list into it, as a program without a
// folder to write in must. This is the one write that risks the old file:
// when it fails part-way, the file keeps what was written until then and
// the old contents are gone. Used only where the folder refuses a new file.
bool overwrite_in_place(const file_system& files, const std::filesystem::path& target, const outgoing_queue& list,
                        const block_writer& writer) {
    std::error_code error;
    file_handle file = files.open_existing(target, write_mode::replace, error);
    if (!file) return false;
    const bool ok = write_list(file.get(), list, writer);
    return finish(files, file) && ok;
}

bool replace_file(const file_system& files, const std::filesystem::path& target, const outgoing_queue& list,
                  const block_writer& writer) {
    std::error_code error;
    // A file the user may not write stays as it is, although the folder
    // would let a new file be renamed over it. Opening it to append changes
    // nothing in it.
    const bool there = std::filesystem::is_regular_file(target, error);
    if (there && !files.open_existing(target, write_mode::append, error)) return false;
    std::filesystem::path temporary;
    file_handle file = create_temporary(files, target, temporary, error);
    // A folder that refuses new files still lets its files be written.
    if (!file) return there && refused(error) && overwrite_in_place(files, target, list, writer);
    bool ok = write_list(file.get(), list, writer);
    ok = finish(files, file) && ok;
    bool rename_refused = false;
    if (ok) {
        take_over_owner_and_permissions(files, target, temporary);
        files.rename_over(temporary, target, error);
        ok = !error;
        // A file the user may write but not replace: another user's in a
        // sticky folder such as /tmp.
        rename_refused = there && refused(error);
    }
    if (!ok) std::filesystem::remove(temporary, error);
    if (rename_refused) return overwrite_in_place(files, target, list, writer);
    return ok;
}

bool append_file(const file_system& files, const std::filesystem::path& path, const outgoing_queue& list,
                 const block_writer& writer) {
    std::error_code error;
    bool created = true;
    file_handle file = files.create_new(path, error);
    if (!file && error == std::errc::file_exists) {
        created = false;
        file = files.open_existing(path, write_mode::append, error);
    }
    if (!file) return false;
    const auto old_size = std::filesystem::file_size(path, error);
    bool ok = !error && write_list(file.get(), list, writer);
    ok = finish(files, file) && ok;
    if (!ok) {
        if (created)
            std::filesystem::remove(path, error);
        else if (old_size != static_cast<std::uintmax_t>(-1))
            std::filesystem::resize_file(path, old_size, error);
    }
    return ok;
}

}  // namespace

read_result read_syx_file(const std::filesystem::path& path,
                          const std::function<bool(byte_vector&& candidate)>& on_candidate, std::size_t block_size) {
    file_handle file = native_files().open_to_read(path);
    if (!file) return read_result::open_failed;
    std::vector<std::uint8_t> block(block_size == 0 ? 1 : block_size);
    message_splitter splitter;
    // A candidate longer than any dump can only be skipped; its bytes are
    // dropped as they come instead of piling up until its 0xF7, or until a
    // 0xF0 starts a message afresh. The splitter is fed no more than fits
    // into one candidate, so a candidate is skipped by its length alone,
    // whatever the block boundaries.
    bool skipping = false;
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        const bool failed = std::ferror(file.get()) != 0;
        const bool waits = failed && would_wait(errno);
        std::span<const std::uint8_t> rest(block.data(), got);
        while (!rest.empty()) {
            if (skipping) {
                const auto mark =
                    std::find_if(rest.begin(), rest.end(), [](std::uint8_t b) { return b == 0xF0 || b == 0xF7; });
                if (mark == rest.end()) break;
                // An 0xF0 is fed, as the start of the next candidate.
                rest = rest.subspan(static_cast<std::size_t>(mark - rest.begin()) + (*mark == 0xF7 ? 1 : 0));
                skipping = false;
                continue;
            }
            const std::size_t room = syx_longest_candidate - splitter.pending();
            if (room == 0) {
                splitter.reset();
                skipping = true;
                continue;
            }
            const auto slice = rest.first(std::min(room, rest.size()));
            if (!splitter.feed(slice, on_candidate)) return read_result::stopped;
            rest = rest.subspan(slice.size());
        }
        if (got < block.size()) {
            if (waits) return read_result::open_failed;
            return failed ? read_result::read_failed : read_result::complete;
        }
    }
}

bool syx_file_exists(const std::filesystem::path& path) { return native_files().opens_to_read(path); }

bool write_syx_file(const std::filesystem::path& path, const outgoing_queue& list, write_mode mode,
                    const block_writer& writer) {
    return write_syx_file(native_files(), path, list, mode, writer);
}

bool write_syx_file(const file_system& files, const std::filesystem::path& path, const outgoing_queue& list,
                    write_mode mode, const block_writer& writer) {
    // Writing through a link writes the file it points to and keeps the link.
    const std::filesystem::path target = follow_links(path);
    if (target.empty()) return false;
    if (is_special_file(target)) return write_special_file(files, target, mode, list, writer);
    return mode == write_mode::append ? append_file(files, target, list, writer)
                                      : replace_file(files, target, list, writer);
}

}  // namespace patchwarden

#include "app/files/syx_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "data/split_messages.h"

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace patchwarden {

namespace {

struct file_closer {
    void operator()(std::FILE* file) const {
        if (file) std::fclose(file);
    }
};
using file_handle = std::unique_ptr<std::FILE, file_closer>;

std::FILE* open_file(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wide_mode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

#ifndef _WIN32
// open(2) that does not become the controlling terminal and is not handed
// to child processes.
int open_descriptor(const std::filesystem::path& path, int flags, mode_t mode = 0666) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A stream over a descriptor; closes the descriptor when that fails.
std::FILE* stream_of(int fd, const char* mode) {
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, mode);
    if (!file) ::close(fd);
    return file;
}
#endif

// Opens a file to read it to its end. Opening never waits (a pipe without
// a writer would), and what may never end or keeps its reader waiting (a
// pipe, a device, a socket) is not opened. Reads that would wait fail with
// EAGAIN instead (a kernel file such as /proc/kmsg).
file_handle open_for_reading(const std::filesystem::path& path) {
#ifdef _WIN32
    return file_handle(open_file(path, "rb"));
#else
    const int fd = open_descriptor(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))) {
        ::close(fd);
        return nullptr;
    }
    return file_handle(stream_of(fd, "rb"));
#endif
}

bool would_wait(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

bool write_all(std::FILE* file, std::span<const std::uint8_t> block) {
    return std::fwrite(block.data(), 1, block.size(), file) == block.size();
}

#ifndef _WIN32
// Writes a block into a pipe or device opened without blocking: waits for
// room while the reader takes bytes, but gives up when it takes none for
// syx_pipe_patience_ms. Used without the stream's buffer.
bool write_waiting(std::FILE* file, std::span<const std::uint8_t> block) {
    const int fd = ::fileno(file);
    std::size_t done = 0;
    while (done < block.size()) {
        const ssize_t n = ::write(fd, block.data() + done, block.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && would_wait(errno)) {
            pollfd wanted{fd, POLLOUT, 0};
            const int ready = ::poll(&wanted, 1, syx_pipe_patience_ms);
            if (ready > 0 && !(wanted.revents & (POLLERR | POLLHUP | POLLNVAL))) continue;
            if (ready < 0 && errno == EINTR) continue;
        }
        return false;
    }
    return true;
}

// Keeps a reader that goes away in the middle of a save from ending the
// program with SIGPIPE: the write fails with EPIPE instead. Blocks the
// signal for this thread while it lives and takes back one that came.
class sigpipe_guard {
public:
    sigpipe_guard() {
        sigset_t pipe_only;
        sigemptyset(&pipe_only);
        sigaddset(&pipe_only, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        was_pending_ = sigismember(&pending, SIGPIPE) == 1;
        blocked_ = ::pthread_sigmask(SIG_BLOCK, &pipe_only, &old_) == 0;
    }
    ~sigpipe_guard() {
        if (!blocked_) return;
        sigset_t pending;
        sigpending(&pending);
        if (!was_pending_ && sigismember(&pending, SIGPIPE) == 1) {
            sigset_t pipe_only;
            sigemptyset(&pipe_only);
            sigaddset(&pipe_only, SIGPIPE);
            const timespec now{0, 0};
            while (::sigtimedwait(&pipe_only, nullptr, &now) < 0 && errno == EINTR) {
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    sigpipe_guard(const sigpipe_guard&) = delete;
    sigpipe_guard& operator=(const sigpipe_guard&) = delete;

private:
    sigset_t old_{};
    bool blocked_ = false;
    bool was_pending_ = false;
};
#endif

// Flushes the file to the disk and closes it; true when both worked.
bool finish(file_handle& file) {
    bool ok = std::fflush(file.get()) == 0;
#ifdef _WIN32
    ok = ok && _commit(_fileno(file.get())) == 0;
#else
    ok = ok && ::fsync(fileno(file.get())) == 0;
#endif
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

// A new, empty file in the target's folder, named after the target.
file_handle create_temporary(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder = target.parent_path();
    const auto base = u8"." + target.filename().u8string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned n = counter.fetch_add(1);
#ifdef _WIN32
        const auto process = static_cast<unsigned long>(::_getpid());
#else
        const auto process = static_cast<unsigned long>(::getpid());
#endif
        const std::string suffix = "." + std::to_string(process) + "-" + std::to_string(n) + ".tmp";
        temporary = folder / std::filesystem::path(base + std::u8string(suffix.begin(), suffix.end()));
        // "x": fails rather than opening a file that is already there.
        if (std::FILE* file = open_file(temporary, "wbx")) return file_handle(file);
        if (errno != EEXIST) break;
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

// Writes straight into a pipe or a device. A pipe that nobody reads is
// not opened (the open would wait for a reader).
bool write_in_place(const std::filesystem::path& path, write_mode mode, const outgoing_queue& list,
                    const block_writer& writer) {
#ifdef _WIN32
    file_handle file(open_file(path, mode == write_mode::append ? "ab" : "wb"));
    if (!file) return false;
    const block_writer& write_block = writer;
#else
    const int flags = O_WRONLY | O_NONBLOCK | (mode == write_mode::append ? O_APPEND : 0);
    file_handle file(stream_of(open_descriptor(path, flags), mode == write_mode::append ? "ab" : "wb"));
    if (!file) return false;
    const block_writer write_block = writer ? writer : block_writer(write_waiting);
    const sigpipe_guard guard;
#endif
    bool ok = write_list(file.get(), list, write_block);
    ok = std::fflush(file.get()) == 0 && ok;
    ok = (std::fclose(file.release()) == 0) && ok;
    return ok;
}

// Gives the new file the owner of the one it replaces, where the process
// may (root may; others may keep at least a group they belong to), then its
// permissions (a change of owner clears set-id bits).
void take_over_owner_and_permissions(const std::filesystem::path& old_file, const std::filesystem::path& new_file) {
    std::error_code error;
    const auto status = std::filesystem::status(old_file, error);
    if (error || !std::filesystem::exists(status)) return;
#ifndef _WIN32
    struct stat info {};
    if (::stat(old_file.c_str(), &info) == 0 && ::chown(new_file.c_str(), info.st_uid, info.st_gid) != 0 &&
        ::chown(new_file.c_str(), static_cast<uid_t>(-1), info.st_gid) != 0) {
        // The new file keeps the process's own owner and group.
    }
#endif
    std::filesystem::permissions(new_file, status.permissions(), error);
}

bool replace_file(const std::filesystem::path& target, const outgoing_queue& list, const block_writer& writer) {
    std::error_code error;
    // A file the user may not write stays as it is, although the folder
    // would let a new file be renamed over it. Opening it to append changes
    // nothing in it.
    if (std::filesystem::is_regular_file(target, error) && !file_handle(open_file(target, "ab"))) return false;
    std::filesystem::path temporary;
    file_handle file = create_temporary(target, temporary);
    if (!file) return false;
    bool ok = write_list(file.get(), list, writer);
    ok = finish(file) && ok;
    if (ok) {
        take_over_owner_and_permissions(target, temporary);
        std::filesystem::rename(temporary, target, error);
        ok = !error;
    }
    if (!ok) std::filesystem::remove(temporary, error);
    return ok;
}

// Opens a file to append to it, creating it when it does not exist;
// created tells which.
file_handle open_to_append(const std::filesystem::path& path, bool& created) {
#ifdef _WIN32
    std::error_code error;
    created = !std::filesystem::exists(path, error);
    return file_handle(open_file(path, "ab"));
#else
    created = false;
    int fd = open_descriptor(path, O_WRONLY | O_APPEND | O_CREAT | O_EXCL);
    if (fd >= 0) {
        created = true;
    } else if (errno == EEXIST) {
        fd = open_descriptor(path, O_WRONLY | O_APPEND);
    }
    return file_handle(stream_of(fd, "ab"));
#endif
}

bool append_file(const std::filesystem::path& path, const outgoing_queue& list, const block_writer& writer) {
    bool created = false;
    file_handle file = open_to_append(path, created);
    if (!file) return false;
    std::error_code error;
    const auto old_size = std::filesystem::file_size(path, error);
    bool ok = !error && write_list(file.get(), list, writer);
    ok = finish(file) && ok;
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
    file_handle file = open_for_reading(path);
    if (!file) return read_result::open_failed;
    std::vector<std::uint8_t> block(block_size == 0 ? 1 : block_size);
    message_splitter splitter;
    // A candidate longer than any dump can only be skipped; its bytes are
    // dropped as they come instead of piling up until its 0xF7. The splitter
    // is fed no more than fits into one candidate, so a candidate is skipped
    // by its length alone, whatever the block boundaries.
    bool skipping = false;
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        const bool failed = std::ferror(file.get()) != 0;
        const bool waits = failed && would_wait(errno);
        std::span<const std::uint8_t> rest(block.data(), got);
        while (!rest.empty()) {
            if (skipping) {
                const auto* end = static_cast<const std::uint8_t*>(std::memchr(rest.data(), 0xF7, rest.size()));
                if (!end) break;
                rest = rest.subspan(static_cast<std::size_t>(end - rest.data()) + 1);
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

bool syx_file_exists(const std::filesystem::path& path) {
#ifdef _WIN32
    return file_handle(open_file(path, "r")) != nullptr;
#else
    const int fd = open_descriptor(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    ::close(fd);
    return true;
#endif
}

bool write_syx_file(const std::filesystem::path& path, const outgoing_queue& list, write_mode mode,
                    const block_writer& writer) {
    // Writing through a link writes the file it points to and keeps the link.
    const std::filesystem::path target = follow_links(path);
    if (target.empty()) return false;
    if (is_special_file(target)) return write_in_place(target, mode, list, writer);
    return mode == write_mode::append ? append_file(target, list, writer) : replace_file(target, list, writer);
}

}  // namespace patchwarden

// The file operations of .syx files on POSIX systems: descriptors opened
// without blocking, never as the controlling terminal and never handed to
// child processes.

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/files/file_system.h"

namespace patchwarden {

namespace {

int open_descriptor(const std::filesystem::path& path, int flags, mode_t mode = 0666) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A stream over a descriptor; closes the descriptor when that fails.
file_handle stream_of(int fd, const char* mode) {
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, mode);
    if (!file) ::close(fd);
    return file_handle(file);
}

// The stream over a descriptor just opened, or the reason it did not open.
file_handle stream_or_error(int fd, const char* mode, std::error_code& error) {
    error = fd < 0 ? std::error_code(errno, std::generic_category()) : std::error_code();
    file_handle file = stream_of(fd, mode);
    if (!file && !error) error = std::error_code(errno, std::generic_category());
    return file;
}

bool would_wait(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

// Blocks SIGPIPE for this thread while it lives and takes back one that
// came meanwhile, so that a write to a pipe without a reader fails with
// EPIPE instead.
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

}  // namespace

file_handle file_system::open_to_read(const std::filesystem::path& path) const {
    const int fd = open_descriptor(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    // Only an ordinary file is read: a folder opens but reads nothing.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return stream_of(fd, "rb");
}

bool file_system::opens_to_read(const std::filesystem::path& path) const {
    const int fd = open_descriptor(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

file_handle file_system::create_new(const std::filesystem::path& path, std::error_code& error) const {
    return stream_or_error(open_descriptor(path, O_WRONLY | O_CREAT | O_EXCL), "wb", error);
}

file_handle file_system::open_existing(const std::filesystem::path& path, write_mode mode,
                                       std::error_code& error) const {
    const bool append = mode == write_mode::append;
    return stream_or_error(open_descriptor(path, O_WRONLY | (append ? O_APPEND : O_TRUNC)), append ? "ab" : "wb",
                           error);
}

file_handle file_system::open_special(const std::filesystem::path& path, write_mode mode) const {
    const bool append = mode == write_mode::append;
    return stream_of(open_descriptor(path, O_WRONLY | O_NONBLOCK | (append ? O_APPEND : 0)), append ? "ab" : "wb");
}

// Used without the stream's buffer, on the descriptor opened without
// blocking.
bool file_system::write_special(std::FILE* file, std::span<const std::uint8_t> block) const {
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

bool file_system::with_broken_pipes_failing(const std::function<bool()>& work) const {
    const sigpipe_guard guard;
    return work();
}

bool file_system::sync(std::FILE* file) const { return ::fsync(::fileno(file)) == 0; }

void file_system::take_owner(const std::filesystem::path& old_file, const std::filesystem::path& new_file) const {
    struct stat info {};
    if (::stat(old_file.c_str(), &info) == 0 && ::chown(new_file.c_str(), info.st_uid, info.st_gid) != 0 &&
        ::chown(new_file.c_str(), static_cast<uid_t>(-1), info.st_gid) != 0) {
        // The new file keeps the process's own owner and group.
    }
}

void file_system::rename_over(const std::filesystem::path& from, const std::filesystem::path& to,
                              std::error_code& error) const {
    error = ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : std::error_code(errno, std::generic_category());
}

unsigned long file_system::process_id() const { return static_cast<unsigned long>(::getpid()); }

}  // namespace patchwarden

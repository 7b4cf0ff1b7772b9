// The file operations of .syx files on Windows: the C runtime's files by
// UTF-16 paths, in binary mode. Opening never waits there, files have no
// owner to hand on, and no signal ends the program when a reader goes away.

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "app/files/file_system.h"

namespace patchwarden {

namespace {

file_handle open_stream(const std::filesystem::path& path, const wchar_t* mode) {
    return file_handle(::_wfopen(path.c_str(), mode));
}

// A stream over a descriptor _wopen opened, or the reason it did not open.
file_handle open_descriptor(const std::filesystem::path& path, int flags, const char* mode, std::error_code& error) {
    const int fd = ::_wopen(path.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, mode);
    if (!file) {
        error = std::error_code(errno, std::generic_category());
        ::_close(fd);
        return nullptr;
    }
    error.clear();
    return file_handle(file);
}

}  // namespace

file_handle file_system::open_to_read(const std::filesystem::path& path) const { return open_stream(path, L"rb"); }

bool file_system::opens_to_read(const std::filesystem::path& path) const { return open_stream(path, L"r") != nullptr; }

file_handle file_system::create_new(const std::filesystem::path& path, std::error_code& error) const {
    return open_descriptor(path, _O_WRONLY | _O_CREAT | _O_EXCL, "wb", error);
}

file_handle file_system::open_existing(const std::filesystem::path& path, write_mode mode,
                                       std::error_code& error) const {
    const bool append = mode == write_mode::append;
    return open_descriptor(path, _O_WRONLY | (append ? _O_APPEND : _O_TRUNC), append ? "ab" : "wb", error);
}

file_handle file_system::open_special(const std::filesystem::path& path, write_mode mode) const {
    return open_stream(path, mode == write_mode::append ? L"ab" : L"wb");
}

bool file_system::write_special(std::FILE* file, std::span<const std::uint8_t> block) const {
    return std::fwrite(block.data(), 1, block.size(), file) == block.size();
}

bool file_system::with_broken_pipes_failing(const std::function<bool()>& work) const { return work(); }

bool file_system::sync(std::FILE* file) const { return ::_commit(::_fileno(file)) == 0; }

void file_system::take_owner(const std::filesystem::path&, const std::filesystem::path&) const {}

void file_system::rename_over(const std::filesystem::path& from, const std::filesystem::path& to,
                              std::error_code& error) const {
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error.clear();
        return;
    }
    const DWORD code = ::GetLastError();
    error = code == ERROR_ACCESS_DENIED ? std::make_error_code(std::errc::permission_denied)
                                        : std::error_code(static_cast<int>(code), std::system_category());
}

unsigned long file_system::process_id() const { return static_cast<unsigned long>(::_getpid()); }

}  // namespace patchwarden

// The file operations of .syx files on Windows: the C runtime's files by
// UTF-16 paths, in binary mode. Opening never waits there, and no signal
// ends the program when a reader goes away. Load reads disk files only: a
// named pipe or a device (NUL, COM1, CON) would keep it waiting, or never
// end. A replaced file keeps what the old one carried (its attributes, its
// access control list, its other streams) instead of taking the folder's
// defaults. Paths may be as long as Windows takes (the program's manifest
// declares it long-path aware).

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <aclapi.h>

#include <string>

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

file_handle file_system::open_to_read(const std::filesystem::path& path) const {
    const HANDLE handle =
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;  // a folder does not open so either
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "rb");
    if (!file) ::_close(fd);
    return file_handle(file);
}

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

// The attributes a user gives a file (read-only aside: such a file is not
// replaced), its access control list (protected from the folder's or not)
// and, where the process may, its owner and group.
void file_system::take_owner(const std::filesystem::path& old_file, const std::filesystem::path& new_file) const {
    const DWORD attributes = ::GetFileAttributesW(old_file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                         FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        ::SetFileAttributesW(new_file.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL);
    }
    PSID owner = nullptr;
    PSID group = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(old_file.c_str(), SE_FILE_OBJECT,
                                OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                &owner, &group, &access, nullptr, &descriptor) != ERROR_SUCCESS)
        return;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    const SECURITY_INFORMATION inheritance =
        (control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION;
    std::wstring name = new_file.native();
    ::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | inheritance, nullptr, nullptr,
                            access, nullptr);
    ::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION,
                            owner, group, nullptr, nullptr);
    ::LocalFree(descriptor);
}

namespace {

std::error_code error_of(DWORD code) {
    return code == ERROR_ACCESS_DENIED ? std::make_error_code(std::errc::permission_denied)
                                       : std::error_code(static_cast<int>(code), std::system_category());
}

bool is_there(const std::filesystem::path& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Puts from in the place of the file to with ReplaceFileW, which keeps what
// the old file carried that the new one lacks: its other streams, and its
// attributes and access control list where take_owner could not give
// them. The old file steps aside under a name made for it beside from, and
// is deleted once the new one is in place, or comes back when it could not
// be put there. True when from took the place; false when neither file
// moved.
bool replace_keeping(const std::filesystem::path& from, const std::filesystem::path& to, DWORD& code) {
    std::filesystem::path aside = from;
    aside += L".old";
    const HANDLE reserved = ::CreateFileW(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (reserved == INVALID_HANDLE_VALUE) {
        code = ::GetLastError();
        return false;
    }
    ::CloseHandle(reserved);
    if (::ReplaceFileW(to.c_str(), from.c_str(), aside.c_str(),
                       REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr)) {
        ::DeleteFileW(aside.c_str());
        return true;
    }
    code = ::GetLastError();
    if (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 || (!is_there(to) && is_there(aside))) {
        // The old file stepped aside and the new one did not take its place.
        if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
            ::DeleteFileW(aside.c_str());
            return true;
        }
        code = ::GetLastError();
        ::MoveFileExW(aside.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
    }
    ::DeleteFileW(aside.c_str());
    return false;
}

}  // namespace

// A file that is there is replaced keeping what it carried; where that
// cannot be done, and for a new file, the new one is renamed over it.
void file_system::rename_over(const std::filesystem::path& from, const std::filesystem::path& to,
                              std::error_code& error) const {
    DWORD code = 0;
    if (is_there(to) && replace_keeping(from, to, code)) {
        error.clear();
        return;
    }
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error.clear();
        return;
    }
    error = error_of(::GetLastError());
}

unsigned long file_system::process_id() const { return static_cast<unsigned long>(::_getpid()); }

}  // namespace patchwarden

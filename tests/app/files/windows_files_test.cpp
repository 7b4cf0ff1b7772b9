// .syx files the Windows way, on the Windows build under Wine: Load reads
// disk files only (a named pipe or a device would keep it waiting), a
// replaced file keeps its attributes, access control list and other
// streams, and paths longer than MAX_PATH load and save.

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "app/files/syx_file.h"
#include "tests/support/dumps.h"
#include "tests/support/test_files.h"

namespace patchwarden {
namespace {

using namespace testing;
using namespace std::chrono_literals;

// Reads the file on a thread of its own; a read that is still waiting
// after ten seconds fails the test, and unblock (ending the pipe) lets it
// end.
read_result read_without_waiting(const std::filesystem::path& path, const std::function<void()>& unblock) {
    auto reading = std::async(std::launch::async, [&] { return read_syx_file(path, [](byte_vector&&) { return true; }); });
    if (reading.wait_for(10s) != std::future_status::ready) {
        ADD_FAILURE() << "the read of " << path.string() << " waits";
        unblock();
    }
    return reading.get();
}

TEST(windows_files, load_opens_disk_files_only) {
    temp_folder folder;
    write_bytes(folder.path() / "in.syx", dump_bytes(program_dump, 0, 1, u"On Disk"));
    std::filesystem::create_directory(folder.path() / "folder.syx");
    // A pipe whose server waits for a client, and never writes.
    const std::wstring pipe_name = L"\\\\.\\pipe\\pw_test_" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(pipe_name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096,
                                     4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    const struct {
        const char* what;
        std::filesystem::path path;
        read_result result;
    } cases[] = {
        {"a file on the disk", folder.path() / "in.syx", read_result::complete},
        {"a named pipe", pipe_name, read_result::open_failed},
        {"the null device", L"NUL", read_result::open_failed},
        {"a folder", folder.path() / "folder.syx", read_result::open_failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(read_without_waiting(c.path,
                                       [&] {
                                           CloseHandle(server);
                                           server = INVALID_HANDLE_VALUE;
                                       }),
                  c.result);
    }
    if (server != INVALID_HANDLE_VALUE) CloseHandle(server);
}

std::wstring access_list(const std::filesystem::path& path) {
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &access,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return L"(none)";
    LPWSTR text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                         nullptr);
    const std::wstring out = text ? text : L"(unreadable)";
    LocalFree(text);
    LocalFree(descriptor);
    return out;
}

bool set_access_list(const std::filesystem::path& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) return false;
    const bool set = SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor) != 0;
    LocalFree(descriptor);
    return set;
}

// The kept attributes only (Wine shows more of its own, such as hidden for
// a name that begins with a dot).
DWORD user_attributes(const std::filesystem::path& path) {
    return GetFileAttributesW(path.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
}

// Whether the file system has named streams (Wine's has not: "file:notes"
// would name a file of its own).
bool has_streams(const std::filesystem::path& path) {
    DWORD flags = 0;
    return GetVolumeInformationW(path.root_path().c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_NAMED_STREAMS);
}

// What the old file carried stays with the file of that name, the new
// contents in it, and nothing else is left in the folder.
TEST(windows_files, a_replaced_file_keeps_its_attributes_access_list_and_streams) {
    const outgoing_queue list{{dump_bytes(program_dump, 0, 1, u"New"), 0}};
    const struct {
        const char* what;
        DWORD attributes;
        const wchar_t* access;  // null: as the folder gives it
    } cases[] = {
        {"hidden and system", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE, nullptr},
        {"plain, with an access list of its own", FILE_ATTRIBUTE_ARCHIVE, L"D:P(A;;FA;;;WD)(A;;FR;;;BU)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        temp_folder folder;
        const auto path = folder.path() / "kept.syx";
        write_bytes(path, dump_bytes(mix_dump, 0, 9, u"Old"));
        if (c.access) {
            ASSERT_TRUE(set_access_list(path, c.access));
        }
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), c.attributes));
        const bool streams = has_streams(path);
        const byte_vector notes{'k', 'e', 'p', 't'};
        if (streams) write_bytes(path.native() + L":notes", notes);
        const DWORD attributes = user_attributes(path);
        const std::wstring access = access_list(path);

        ASSERT_TRUE(write_syx_file(path, list, write_mode::replace));
        EXPECT_EQ(read_bytes(path), list[0].bytes);
        EXPECT_EQ(user_attributes(path), attributes);
        EXPECT_EQ(access_list(path), access);
        if (streams) {
            EXPECT_EQ(read_bytes(path.native() + L":notes"), notes);
        }
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"kept.syx"});
    }
}

// A path longer than MAX_PATH (260) at every step: a new file, the file
// replaced and appended to, then read.
TEST(windows_files, paths_longer_than_max_path_load_and_save) {
    temp_folder folder;
    std::filesystem::path deep = folder.path();
    for (char letter = 'a'; letter < 'g'; ++letter) deep /= std::string(50, letter);
    ASSERT_TRUE(std::filesystem::create_directories(deep));
    const auto path = deep / "long.syx";
    ASSERT_GT(path.native().size(), static_cast<std::size_t>(MAX_PATH));
    const outgoing_queue first{{dump_bytes(program_dump, 0, 1, u"First"), 0}};
    const outgoing_queue second{{dump_bytes(program_dump, 0, 2, u"Second"), 0}};
    EXPECT_TRUE(write_syx_file(path, first, write_mode::replace));
    EXPECT_TRUE(write_syx_file(path, second, write_mode::replace));
    EXPECT_TRUE(write_syx_file(path, first, write_mode::append));
    EXPECT_TRUE(syx_file_exists(path));
    std::vector<byte_vector> read;
    EXPECT_EQ(read_syx_file(path,
                            [&](byte_vector&& candidate) {
                                read.push_back(std::move(candidate));
                                return true;
                            }),
              read_result::complete);
    EXPECT_EQ(read, (std::vector<byte_vector>{second[0].bytes, first[0].bytes}));
    // Removed here from the inside out: the folder's own clean-up lists
    // folders, which fails at this length.
    std::filesystem::remove(path);
    for (auto p = deep; p != folder.path(); p = p.parent_path()) std::filesystem::remove(p);
}

}  // namespace
}  // namespace patchwarden

#pragma once

// What the Linux face's file dialog shows of a folder, and what a name
// typed into it names. The dialog lists names as the system gives them, as
// bytes: a name that is not UTF-8 (a Latin-1 name from an old disk) is
// listed, shown with U+FFFD where its bytes are not UTF-8, and chosen under
// its own bytes. Listing reads the folder and the kind of each entry, never
// the files themselves, so that a folder holding a pipe or a device never
// keeps the dialog waiting.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace patchwarden {

struct folder_entry {
    std::filesystem::path name;  // within the folder, its bytes as they are
    std::u16string text;         // as shown
    bool folder = false;         // a folder, or a link to one
    bool operator==(const folder_entry&) const = default;
};

// The folders, then the files (all of them, or those named *.syx in any
// case), each sorted by their text without regard to case; names starting
// with '.' are hidden. Nothing for a folder that cannot be read.
std::vector<folder_entry> list_folder(const std::filesystem::path& folder, bool syx_only);

// The path a name typed into the dialog names, seen from the folder shown:
// an absolute path as it is, "~" or "~/..." from the home folder, anything
// else within the folder; "." and ".." steps are taken. The text becomes
// the system's name (UTF-8 on Linux).
std::filesystem::path typed_path(const std::filesystem::path& folder, std::u16string_view typed);

}  // namespace patchwarden

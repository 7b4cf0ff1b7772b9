#include "app/files/names/folder_listing.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "app/files/names/dropped_files.h"
#include "app/files/names/path_text.h"

namespace patchwarden {

namespace {

std::u16string folded(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return text;
}

#ifndef _WIN32
// UTF-16 text as UTF-8 bytes; a lone surrogate becomes U+FFFD.
std::string utf8_of(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}
#endif

std::filesystem::path system_name(std::u16string_view text) {
#ifdef _WIN32
    return std::filesystem::path(std::wstring(text.begin(), text.end()));
#else
    return std::filesystem::path(utf8_of(text));
#endif
}

}  // namespace

std::vector<folder_entry> list_folder(const std::filesystem::path& folder, bool syx_only) {
    std::vector<folder_entry> entries;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, std::filesystem::directory_options::skip_permission_denied, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        folder_entry entry;
        entry.name = it->path().filename();
        if (entry.name.native().starts_with(std::filesystem::path(".").native())) continue;
        std::error_code kind_error;
        entry.folder = it->is_directory(kind_error);
        if (!entry.folder && syx_only && !is_syx_name(entry.name)) continue;
        entry.text = path_text(entry.name);
        entries.push_back(std::move(entry));
    }
    if (error) entries.clear();
    std::sort(entries.begin(), entries.end(), [](const folder_entry& a, const folder_entry& b) {
        if (a.folder != b.folder) return a.folder;
        const std::u16string fa = folded(a.text), fb = folded(b.text);
        return fa != fb ? fa < fb : a.name < b.name;
    });
    return entries;
}

std::filesystem::path typed_path(const std::filesystem::path& folder, std::u16string_view typed) {
    std::filesystem::path path;
    if (typed == u"~" || typed.starts_with(u"~/")) {
        const char* home = std::getenv("HOME");
        path = std::filesystem::path(home ? home : "/") / system_name(typed.substr(typed.size() > 1 ? 2 : 1));
    } else {
        path = folder / system_name(typed);  // an absolute name replaces the folder
    }
    path = path.lexically_normal();
    // A folder named with a separator at its end is the folder.
    if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
    return path;
}

}  // namespace patchwarden

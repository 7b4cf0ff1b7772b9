#include "ui/syx_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "data/split_messages.h"

#ifdef _WIN32
#include <io.h>
#else
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

bool write_all(std::FILE* file, std::span<const std::uint8_t> block) {
    return std::fwrite(block.data(), 1, block.size(), file) == block.size();
}

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

// Writes straight into the file, opened with mode.
bool write_in_place(const std::filesystem::path& path, const char* mode, const outgoing_queue& list,
                    const block_writer& writer) {
    file_handle file(open_file(path, mode));
    if (!file) return false;
    bool ok = write_list(file.get(), list, writer);
    ok = std::fflush(file.get()) == 0 && ok;
    ok = (std::fclose(file.release()) == 0) && ok;
    return ok;
}

bool replace_file(const std::filesystem::path& path, const outgoing_queue& list, const block_writer& writer) {
    std::error_code error;
    // Writing through a link replaces the file it points to, not the link.
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(path, error)) {
        const auto resolved = std::filesystem::canonical(path, error);
        if (!error) target = resolved;
    }
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
        const auto status = std::filesystem::status(target, error);
        if (!error && std::filesystem::exists(status)) {
            std::filesystem::permissions(temporary, status.permissions(), error);
        }
        std::filesystem::rename(temporary, target, error);
        ok = !error;
    }
    if (!ok) std::filesystem::remove(temporary, error);
    return ok;
}

bool append_file(const std::filesystem::path& path, const outgoing_queue& list, const block_writer& writer) {
    file_handle file(open_file(path, "ab"));
    if (!file) return false;
    std::error_code error;
    const auto old_size = std::filesystem::file_size(path, error);
    if (error) return false;
    bool ok = write_list(file.get(), list, writer);
    ok = finish(file) && ok;
    if (!ok) std::filesystem::resize_file(path, old_size, error);
    return ok;
}

}  // namespace

read_result read_syx_file(const std::filesystem::path& path,
                          const std::function<bool(byte_vector&& candidate)>& on_candidate, std::size_t block_size) {
    file_handle file(open_file(path, "rb"));
    if (!file) return read_result::open_failed;
    std::vector<std::uint8_t> block(block_size == 0 ? 1 : block_size);
    message_splitter splitter;
    // A candidate far longer than any dump can only be skipped; its bytes
    // are dropped as they come instead of piling up until its 0xF7.
    bool skipping = false;
    auto hand_on = [&](byte_vector&& candidate) {
        if (skipping) {
            skipping = false;
            return true;
        }
        return on_candidate(std::move(candidate));
    };
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        if (got > 0 && !splitter.feed(std::span<const std::uint8_t>(block.data(), got), hand_on)) {
            return read_result::stopped;
        }
        if (splitter.pending() > syx_longest_candidate) {
            splitter.reset();
            skipping = true;
        }
        if (got < block.size()) {
            return std::ferror(file.get()) ? read_result::read_failed : read_result::complete;
        }
    }
}

bool syx_file_exists(const std::filesystem::path& path) {
    return file_handle(open_file(path, "r")) != nullptr;
}

bool write_syx_file(const std::filesystem::path& path, const outgoing_queue& list, write_mode mode,
                    const block_writer& writer) {
    if (is_special_file(path)) return write_in_place(path, mode == write_mode::append ? "ab" : "wb", list, writer);
    return mode == write_mode::append ? append_file(path, list, writer) : replace_file(path, list, writer);
}

}  // namespace patchwarden

#pragma once

// Files for tests: a fresh temporary folder of their own, removed at the
// end (its entries listed, to find temporary files left behind), whole
// files read and written in one call, and a Save writer that fails after
// some blocks, to test what a failed write leaves.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "app/files/syx_file.h"
#include "data/bytes.h"

namespace patchwarden::testing {

inline byte_vector read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return byte_vector(std::istreambuf_iterator<char>(in), {});
}

inline void write_bytes(const std::filesystem::path& path, const byte_vector& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A folder under the system's temporary folder that did not exist before
// (so no other test's folder is taken over), removed with all it holds.
class temp_folder {
public:
    temp_folder() {
        const auto base = std::filesystem::temp_directory_path();
        for (auto n = std::chrono::steady_clock::now().time_since_epoch().count();; ++n) {
            path_ = base / ("pw_test_" + std::to_string(n));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~temp_folder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path of a file in the folder, as a file chooser would give it.
    std::u16string file(const std::string& name) const { return (path_ / name).u16string(); }
    std::vector<std::string> entries() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path_)) out.push_back(e.path().filename().string());
        return out;
    }

private:
    std::filesystem::path path_;
};

// Writes the first blocks, then fails.
inline block_writer failing_after(int blocks) {
    auto count = std::make_shared<int>(0);
    return [count, blocks](std::FILE* file, std::span<const std::uint8_t> block) {
        if ((*count)++ >= blocks) return false;
        return std::fwrite(block.data(), 1, block.size(), file) == block.size();
    };
}

}  // namespace patchwarden::testing

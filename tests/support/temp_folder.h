#pragma once

// A fresh folder for a test's files, removed with everything in it at the
// end, and whole-file reads and writes of bytes.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

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

// A fresh folder under the system's temporary folder, removed at the end.
// Its name is drawn at random, so test programs running at the same time
// never share one.
class temp_folder {
public:
    temp_folder() {
        static const unsigned run = std::random_device{}();
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("pw_test_" + std::to_string(run) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~temp_folder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::filesystem::path& path() const { return path_; }
    std::u16string file(const std::string& name) const { return (path_ / name).u16string(); }
    // Every entry of the folder (to find left-over temporary files).
    std::vector<std::string> entries() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path_)) out.push_back(e.path().filename().string());
        return out;
    }

private:
    std::filesystem::path path_;
};

}  // namespace patchwarden::testing

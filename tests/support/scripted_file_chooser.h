#pragma once

// A file chooser for tests: answers from a script and records the names it
// was asked to propose.

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/files/file_chooser.h"

namespace patchwarden::testing {

class scripted_file_chooser : public file_chooser {
public:
    std::deque<std::optional<std::filesystem::path>> open_answers;
    std::deque<std::optional<std::filesystem::path>> save_answers;
    std::vector<std::u16string> proposed;
    int open_calls = 0;

    std::optional<std::filesystem::path> choose_open() override {
        ++open_calls;
        return next(open_answers);
    }
    std::optional<std::filesystem::path> choose_save(const std::u16string& name) override {
        proposed.push_back(name);
        return next(save_answers);
    }

private:
    static std::optional<std::filesystem::path> next(std::deque<std::optional<std::filesystem::path>>& answers) {
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace patchwarden::testing

#pragma once

// A file chooser for tests: answers from a script and records the names it
// was asked to propose.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/files/file_chooser.h"

namespace patchwarden::testing {

class scripted_file_chooser : public file_chooser {
public:
    std::deque<std::optional<std::u16string>> open_answers;
    std::deque<std::optional<std::u16string>> save_answers;
    std::vector<std::u16string> proposed;
    int open_calls = 0;

    std::optional<std::u16string> choose_open() override {
        ++open_calls;
        return next(open_answers);
    }
    std::optional<std::u16string> choose_save(const std::u16string& name) override {
        proposed.push_back(name);
        return next(save_answers);
    }

private:
    static std::optional<std::u16string> next(std::deque<std::optional<std::u16string>>& answers) {
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace patchwarden::testing

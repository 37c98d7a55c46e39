#pragma once
// A Progress for tests: keeps every report and cancels after a given number of them.
#include "core/Progress.h"

#include <string>
#include <string_view>
#include <vector>

namespace mv::test {

class RecordingProgress final : public Progress {
public:
    // Cancels once this many reports have come in; -1 never cancels.
    explicit RecordingProgress(int cancelAfter = -1) : cancelAfter_(cancelAfter) {}
    void report(double fraction, std::string_view text) override {
        fractions.push_back(fraction);
        texts.emplace_back(text);
    }
    bool cancelled() const override {
        return cancelAfter_ >= 0 && static_cast<int>(fractions.size()) >= cancelAfter_;
    }
    std::vector<double> fractions;
    std::vector<std::string> texts;

private:
    int cancelAfter_;
};

} // namespace mv::test

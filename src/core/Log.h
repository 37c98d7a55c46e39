#pragma once
// The one reporting channel: every command reports its steps through a Log.
// The main window renders the lines; tests and the command-line front capture them.
#include <string>
#include <string_view>
#include <vector>

namespace mv {

class Log {
public:
    virtual ~Log() = default;
    virtual void add(std::string_view text, bool warning) = 0;
    void info(std::string_view text) { add(text, false); }
    void warn(std::string_view text) { add(text, true); }
};

struct LogLine {
    std::string text;
    bool warning = false;
    bool operator==(const LogLine&) const = default;
};

// Keeps every line; used by tests and by the command-line front.
class CaptureLog final : public Log {
public:
    void add(std::string_view text, bool warning) override {
        lines.push_back({std::string(text), warning});
    }
    bool contains(std::string_view fragment) const {
        for (const auto& l : lines)
            if (l.text.find(fragment) != std::string::npos)
                return true;
        return false;
    }
    int warnings() const {
        int n = 0;
        for (const auto& l : lines)
            n += l.warning ? 1 : 0;
        return n;
    }
    std::vector<LogLine> lines;
};

class NullLog final : public Log {
public:
    void add(std::string_view, bool) override {}
};

} // namespace mv

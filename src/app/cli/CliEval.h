#pragma once
// What the evaluation subcommands share: the options every one takes (--settings FILE,
// --json), the log lines on stderr ("I text", "W text", "E text") and the exit codes.
#include "app/cli/CliCommands.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "evaluation/EvalLine.h"

#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace mv {
class JsonWriter;
}

namespace mv::cli {

// The command ran (some IDs may still have failed; their lines say so).
inline constexpr int kExitRan = 0;
// The run could not start: a workbook that does not open, an EvaLog that does not prepare.
inline constexpr int kExitPreparation = 1;
// The command line is wrong, or the settings file cannot be read.
inline constexpr int kExitUsage = 2;

// A wrong command line; the subcommand prints it with its usage and exits 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Options common to the evaluation subcommands.
struct EvalOptions {
    bool json = false;
    std::string settingsFile; // empty: the built-in defaults
    MainSettings settings;
    // Align_km/TrackInfoSubdirectory of the settings file; --track-subdir overrides it.
    std::string trackSubdir;
};

// Walks a subcommand's arguments: the common options are taken on the way, the rest is
// asked for by name. Throws UsageError.
class EvalArgs {
public:
    explicit EvalArgs(const Args& args) : args_(args) {}
    // The next argument, or false at the end.
    bool next();
    const std::string& current() const { return args_[i_]; }
    bool is(const char* option) const { return current() == option; }
    // The value after the current option.
    std::string value();
    int intValue();
    // --json and --settings FILE; true when the current argument was one of them. The
    // settings file is read at once: a file that cannot be read is a usage error.
    bool common(EvalOptions& opt);
    // A current argument nobody took.
    [[noreturn]] void unexpected() const;

private:
    const Args& args_;
    size_t i_ = 0;
    bool started_ = false;
};

// Reads MainSettings and the track subfolder from a settings file. Throws UsageError.
void loadSettings(const std::string& file, EvalOptions& opt);

// The log of the command line: one line on stderr each, "I " / "W " / "E " + text.
class StderrLog final : public Log {
public:
    explicit StderrLog(std::ostream& err) : err_(err) {}
    void add(std::string_view text, bool warning) override;
    void line(const EvalLine& l);
    void lines(const std::vector<EvalLine>& ls) {
        for (const auto& l : ls)
            line(l);
    }

private:
    std::ostream& err_;
};

const char* levelName(LineLevel level); // "info", "warning", "error"
// [{"level": "error", "text": "..."}, ...]
void writeMessages(JsonWriter& j, const std::vector<EvalLine>& lines);

// Prints "mvtervik-cli <cmd>: <why>" and the usage; returns kExitUsage.
int usage(std::ostream& err, const char* cmd, const std::string& why, const char* usageText);

} // namespace mv::cli

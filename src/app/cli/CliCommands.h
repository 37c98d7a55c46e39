#pragma once
// Subcommands of mvtervik-cli. Each lives in its own file; a subcommand takes its
// arguments (without the program and subcommand names) and returns the exit code.
#include <iosfwd>
#include <string>
#include <vector>

namespace mv::cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const Args& args, std::ostream& out, std::ostream& err);
};

int cmdLoad(const Args& args, std::ostream& out, std::ostream& err);
int cmdConvert(const Args& args, std::ostream& out, std::ostream& err);
int cmdWorkbook(const Args& args, std::ostream& out, std::ostream& err);
int cmdDesignFilter(const Args& args, std::ostream& out, std::ostream& err);
int cmdProcess(const Args& args, std::ostream& out, std::ostream& err);
int cmdBulk(const Args& args, std::ostream& out, std::ostream& err);
int cmdBulkMerge(const Args& args, std::ostream& out, std::ostream& err);
int cmdTestId(const Args& args, std::ostream& out, std::ostream& err);
int cmdCalibrate(const Args& args, std::ostream& out, std::ostream& err);
int cmdQytl(const Args& args, std::ostream& out, std::ostream& err);
int cmdRainflow(const Args& args, std::ostream& out, std::ostream& err);
int cmdAlign(const Args& args, std::ostream& out, std::ostream& err);
int cmdCurve2xls(const Args& args, std::ostream& out, std::ostream& err);
int cmdCopyToSheet(const Args& args, std::ostream& out, std::ostream& err);

// Exit code and message for a subcommand this build does not carry yet.
int notAvailable(const char* name, std::ostream& err);

} // namespace mv::cli

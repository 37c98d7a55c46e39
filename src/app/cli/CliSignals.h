#pragma once
// Loading files into a workspace the way the application does, shared by the
// subcommands that read signal files.
#include "app/Workspace.h"
#include "core/LoadFiles.h"
#include "core/Progress.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace mv::cli {

// LoadFiles over the given paths from `firstSlot` on. An error that ends the load (a
// number that does not convert, a file-system failure) becomes a warning line in the log
// and the result false; `filled` counts the slots filled until then. The workspace's
// store is expected to be empty.
bool loadInto(Workspace& ws, CaptureLog& log, const std::vector<std::string>& files, int firstSlot,
              LoadFormat format, int& filled);

// Progress of a long subcommand on stderr, one line rewritten in place, only when stderr
// is a terminal: pipes and files that capture the output get no control characters.
class TerminalProgress final : public Progress {
public:
    explicit TerminalProgress(std::string what);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;
    void report(double fraction, std::string_view text) override;
    bool cancelled() const override { return false; }

private:
    std::string what_;
    bool terminal_ = false;
    bool shown_ = false;
};

// The load format a file's extension suggests: .mat MATLAB v6, .txt ASCII, .dat single
// floats, anything else the native format.
LoadFormat loadFormatFromExtension(std::string_view path);

// "log: text" or "warning: text", one line each.
void printLog(const CaptureLog& log, std::ostream& out);

} // namespace mv::cli

#include "app/cli/CliSignals.h"

#include "core/Errors.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <unistd.h>

namespace mv::cli {

bool loadInto(Workspace& ws, CaptureLog& log, const std::vector<std::string>& files, int firstSlot,
              LoadFormat format, int& filled) {
    TerminalProgress progress("loading");
    LoadContext ctx{log, ws.f_process(), ws.decimalSeparator, progress};
    filled = 0;
    try {
        const LoadResult r = LoadFiles(ws.store, ws.readers, "", files, firstSlot, format, ctx);
        filled = r.filled;
        return true;
    } catch (const Error& e) {
        log.warn(e.what());
        // The command's own store started empty: what lies from firstSlot on was read.
        filled = std::max(0, ws.store.SlotAfterLast() - firstSlot);
        return false;
    }
}

TerminalProgress::TerminalProgress(std::string what)
    : what_(std::move(what)), terminal_(::isatty(STDERR_FILENO) == 1) {}

TerminalProgress::~TerminalProgress() {
    if (shown_)
        std::fputs("\r\033[K", stderr);
}

void TerminalProgress::report(double fraction, std::string_view text) {
    if (!terminal_)
        return;
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0 + 0.5);
    // The tail of a long path says most; the line stays within a narrow terminal.
    if (text.size() > 50)
        text = text.substr(text.size() - 50);
    std::fprintf(stderr, "\r\033[K%s %3d%% %.*s", what_.c_str(), percent,
                 static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
    shown_ = true;
}

void printLog(const CaptureLog& log, std::ostream& out) {
    for (const auto& l : log.lines)
        out << (l.warning ? "warning: " : "log: ") << l.text << "\n";
}

LoadFormat loadFormatFromExtension(std::string_view path) {
    const std::string ext = std::filesystem::path(path).extension().string();
    if (ext == ".mat")
        return LoadFormat::MatlabV6;
    if (ext == ".txt")
        return LoadFormat::Ascii;
    if (ext == ".dat")
        return LoadFormat::SingleIeee754;
    return LoadFormat::Morvanet;
}

} // namespace mv::cli

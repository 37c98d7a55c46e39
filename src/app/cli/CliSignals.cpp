#include "app/cli/CliSignals.h"

#include "core/Errors.h"

#include <algorithm>
#include <ostream>

namespace mv::cli {

bool loadInto(Workspace& ws, CaptureLog& log, const std::vector<std::string>& files, int firstSlot,
              LoadFormat format, int& filled) {
    LoadContext ctx{log, ws.f_process(), ws.decimalSeparator};
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

void printLog(const CaptureLog& log, std::ostream& out) {
    for (const auto& l : log.lines)
        out << (l.warning ? "warning: " : "log: ") << l.text << "\n";
}

} // namespace mv::cli

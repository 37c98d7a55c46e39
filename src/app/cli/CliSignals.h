#pragma once
// Loading files into a workspace the way the application does, shared by the
// subcommands that read signal files.
#include "app/Workspace.h"
#include "core/LoadFiles.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace mv::cli {

// LoadFiles over the given paths from `firstSlot` on. An error that ends the load (a
// number that does not convert, a file-system failure) becomes a warning line in the log
// and the result false; `filled` counts the slots filled until then. The workspace's
// store is expected to be empty.
bool loadInto(Workspace& ws, CaptureLog& log, const std::vector<std::string>& files, int firstSlot,
              LoadFormat format, int& filled);

// "log: text" or "warning: text", one line each.
void printLog(const CaptureLog& log, std::ostream& out);

} // namespace mv::cli

#pragma once
// Plugs the readers of all nine load formats into the dispatcher's table.
// The application calls it once on its workspace: installReaders(ws.readers).
#include "core/LoadFiles.h"

namespace mv::files {

void installReaders(ReaderTable& table);

} // namespace mv::files

#pragma once
// A restored window must fit the screen it comes back on: a layout saved on a large
// monitor (or the 1920 x 1080 first-start size) would otherwise hang over the edges of
// a laptop screen and hide the lower graph and the status bar.
#include "core/Settings.h"

#include <vector>

namespace mv {

// The bounds shrunk to the monitor that holds most of them (the first when none does)
// and moved inside it. Bounds that fit are returned unchanged; no monitor, no change.
WindowBounds fitOnMonitor(const WindowBounds& b, const std::vector<MonitorRect>& monitors);

} // namespace mv

#include "core/WindowFit.h"

#include <algorithm>

namespace mv {

WindowBounds fitOnMonitor(const WindowBounds& b, const std::vector<MonitorRect>& monitors) {
    if (monitors.empty())
        return b;
    const auto overlap = [&b](const MonitorRect& m) {
        const long long w =
            std::max(0, std::min(b.left + b.width, m.left + m.width) - std::max(b.left, m.left));
        const long long h =
            std::max(0, std::min(b.top + b.height, m.top + m.height) - std::max(b.top, m.top));
        return w * h;
    };
    const MonitorRect* best = &monitors.front();
    for (const MonitorRect& m : monitors)
        if (overlap(m) > overlap(*best))
            best = &m;
    const MonitorRect& m = *best;
    if (m.width <= 0 || m.height <= 0)
        return b;
    WindowBounds r = b;
    r.width = std::min(b.width, m.width);
    r.height = std::min(b.height, m.height);
    r.left = std::clamp(b.left, m.left, m.left + m.width - r.width);
    r.top = std::clamp(b.top, m.top, m.top + m.height - r.height);
    return r;
}

} // namespace mv

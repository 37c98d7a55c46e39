#include "monitors/MonitorsEngine.h"

#include <cmath>

namespace mv {

MonitorsEngine::MonitorsEngine(const SignalStore& store, ReplayCounter* counter)
    : clock(store, counter), graph(clock, list) {}

MonitorsEngine::~MonitorsEngine() {
    stop();
}

void MonitorsEngine::start() {
    if (clockThread_)
        return;
    clockThread_ = std::make_unique<ReplayClockThread>(clock, [this](ReplayStatus s) {
        statusRemaining_.store(s.remaining, std::memory_order_relaxed);
        statusGeneration_.store(s.generation, std::memory_order_release);
    });
    graphThread_ = std::make_unique<GraphThread>(
        graph, [](TPolyGraf& p) { p.dirty.store(true, std::memory_order_release); });
}

void MonitorsEngine::stop() {
    graphThread_.reset();
    clockThread_.reset();
}

ReplayStatus MonitorsEngine::lastStatus() const {
    ReplayStatus s;
    s.generation = statusGeneration_.load(std::memory_order_acquire);
    s.remaining = statusRemaining_.load(std::memory_order_relaxed);
    return s;
}

int arrangeRegion(int x, int y, int w, int h) {
    if (x * 3 >= w && x * 3 < 2 * w && y * 3 >= h && y * 3 < 2 * h)
        return 4;
    return (x * 2 >= w ? 1 : 0) + (y * 2 >= h ? 2 : 0);
}

std::optional<PolyRect> dragRect(const PolyRect& o, int region, int dx, int dy) {
    PolyRect r = o;
    int right = o.left + o.width, bottom = o.top + o.height;
    switch (region) {
    case 0:
        r.left += dx;
        r.top += dy;
        break;
    case 1:
        right += dx;
        r.top += dy;
        break;
    case 2:
        r.left += dx;
        bottom += dy;
        break;
    case 3:
        right += dx;
        bottom += dy;
        break;
    default:
        r.left += dx;
        r.top += dy;
        return r;
    }
    r.width = right - r.left;
    r.height = bottom - r.top;
    if (r.width <= kMinPolyWidth || r.height <= kMinPolyHeight)
        return std::nullopt;
    return r;
}

bool mostlyInside(const PolyRect& r, const PolyRect& a) {
    const int ow = std::min(r.left + r.width, a.left + a.width) - std::max(r.left, a.left);
    const int oh = std::min(r.top + r.height, a.top + a.height) - std::max(r.top, a.top);
    return 2 * ow > r.width && 2 * oh > r.height;
}

PolyRect scaleDocked(const PolyRect& r, int oldW, int oldH, int newW, int newH, int panelH) {
    if (oldW <= 0 || oldH <= panelH)
        return r;
    const double sx = double(newW) / oldW;
    const double sy = double(newH - panelH) / double(oldH - panelH);
    PolyRect s;
    s.left = int(std::lround(r.left * sx));
    s.width = int(std::lround(r.width * sx));
    s.top = panelH + int(std::lround((r.top - panelH) * sy));
    s.height = int(std::lround(r.height * sy));
    return s;
}

} // namespace mv

#pragma once
// Everything the Monitors window runs on: the replay clock, the polygraphs, the graph
// thread's engine and the two threads, and the arithmetic of arranging polygraphs.
#include "monitors/GraphPass.h"

#include <atomic>
#include <memory>

namespace mv {

class MonitorsEngine {
public:
    MonitorsEngine(const SignalStore& store, ReplayCounter* counter);
    ~MonitorsEngine();
    MonitorsEngine(const MonitorsEngine&) = delete;
    MonitorsEngine& operator=(const MonitorsEngine&) = delete;

    // The clock and the graph thread; stop() joins both before anything is destroyed.
    void start();
    void stop();
    bool running() const { return clockThread_ != nullptr; }

    // The newest status the clock reported (polled by the window).
    ReplayStatus lastStatus() const;

    ReplayClock clock;
    PolyGrafList list;
    GraphEngine graph;

private:
    std::atomic<std::uint64_t> statusGeneration_{0};
    std::atomic<std::int64_t> statusRemaining_{0};
    std::unique_ptr<ReplayClockThread> clockThread_;
    std::unique_ptr<GraphThread> graphThread_;
};

// ---- arranging polygraphs with the mouse ----

// The region of a polygraph of size w x h under (x, y): 4 the central ninth, else the
// quarter 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right.
int arrangeRegion(int x, int y, int w, int h);
// The rectangle after dragging region 0..3 (a corner) or 4 (the whole window) by
// (dx, dy); a corner drag that would go below the minimum size gives nothing.
std::optional<PolyRect> dragRect(const PolyRect& orig, int region, int dx, int dy);
// Does r lie more than half (in width and height) over the area a? (It then docks.)
bool mostlyInside(const PolyRect& r, const PolyRect& a);
// A docked polygraph after the Monitors window went from oldW x oldH to newW x newH;
// the panel of height panelH at the top does not scale.
PolyRect scaleDocked(const PolyRect& r, int oldW, int oldH, int newW, int newH, int panelH);

} // namespace mv

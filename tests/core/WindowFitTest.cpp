// A restored window is shrunk and moved onto the screen it comes back on.
#include "core/WindowFit.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(WindowFit, ShrinksOntoTheMonitorThatHoldsMostOfIt) {
    const std::vector<MonitorRect> laptop{{0, 0, 1366, 740}};
    // The first-start size on a laptop: the whole window on the screen.
    EXPECT_EQ(fitOnMonitor({1, 1, 1920, 1080}, laptop), (WindowBounds{0, 0, 1366, 740}));
    // Fits already: unchanged.
    EXPECT_EQ(fitOnMonitor({10, 20, 800, 600}, laptop), (WindowBounds{10, 20, 800, 600}));
    // Hanging over the right edge: moved back, size kept.
    EXPECT_EQ(fitOnMonitor({1000, 100, 800, 600}, laptop), (WindowBounds{566, 100, 800, 600}));
    // Two monitors: the one with most of the window takes it.
    const std::vector<MonitorRect> two{{0, 0, 1366, 740}, {1366, 0, 1920, 1040}};
    EXPECT_EQ(fitOnMonitor({1300, 10, 1800, 1000}, two), (WindowBounds{1366, 10, 1800, 1000}));
    EXPECT_EQ(fitOnMonitor({5, 5, 100, 100}, {}), (WindowBounds{5, 5, 100, 100}));
}

} // namespace
} // namespace mv

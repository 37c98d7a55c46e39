// Window arithmetic: ZoomTo and its undo, rectangle, wheel, pan, zoom slots, settings.
#include "graphs/GraphZoom.h"

#include "core/Settings.h"
#include "core/SignalStore.h"
#include "graphs/ColumnPass.h"
#include "graphs/GraphDrawing.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace mv {
namespace {

SigImageState lower() {
    SigImageState g(false);
    resizeGraph(g, 1059, 221); // 1000 columns, 200 rows
    zoomTo(g, 0.0, 10.0, -10.0, 10.0);
    g._TnaPix = (g._T2 - g._T1) / g._Sirka;
    return g;
}

TEST(GraphZoom, ResizeGeometry) {
    SigImageState g;
    resizeGraph(g, 800, 300);
    EXPECT_EQ(g._R, (PixelRect{40, 2, 780, 280}));
    EXPECT_EQ(g._Sirka, 741);
    EXPECT_EQ(g._Vyska, 279);
}

// Autoscale fits the plotted signals inside the time window (a spike outside it does
// not count, an unplotted signal does not count), keeps the time window, and has
// nothing to fit without a plotted signal.
TEST(GraphZoom, AutoscaleFitsPlottedSignalsInTheWindow) {
    SignalStore store;
    const auto load = [&store](int slot, std::vector<float> v, bool plot) {
        store[slot].f_sampl = 1.0;
        store[slot].Plot = plot;
        auto b = SampleBuffer::allocate(v.size());
        std::copy(v.begin(), v.end(), b.data());
        store[slot].setData(std::move(b));
    };
    SigImageState g = lower();
    zoomTo(g, 0.0, 4.0, -12.0, 12.0);
    g._TnaPix = 4.0 / g._Sirka;
    EXPECT_FALSE(autoscaleValueWindow(store, g)); // nothing plotted
    // Samples 1..5 lie in 0 .. 4 s; the 9 and the 500 after them are outside.
    load(1, {1, 7, 3, 4, 2, 9, 500}, true);
    load(2, {-3, 0, 0, 0, 0}, true);
    load(3, {-900, 900}, false);
    PrepocitejX(store, g);
    auto w = autoscaleValueWindow(store, g);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->t1, 0.0);
    EXPECT_EQ(w->t2, 4.0);
    EXPECT_NEAR(w->yMin, -3.0 - 0.5, 1e-9);
    EXPECT_NEAR(w->yMax, 7.0 + 0.5, 1e-9);
    // A flat window gets room around its value.
    store[2].Plot = false;
    load(1, {20, 20, 20, 20, 20}, true);
    PrepocitejX(store, g);
    w = autoscaleValueWindow(store, g);
    ASSERT_TRUE(w);
    EXPECT_DOUBLE_EQ(w->yMin, 19.0);
    EXPECT_DOUBLE_EQ(w->yMax, 21.0);
    // Only NaN in the window: nothing to fit.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    load(1, {nan, nan, nan}, true);
    PrepocitejX(store, g);
    EXPECT_FALSE(autoscaleValueWindow(store, g));
}

TEST(GraphZoom, SwapZoomTwiceRestoresTheWindow) {
    SigImageState g = lower();
    zoomTo(g, 2.0, 3.0, -1.0, 1.0);
    const GraphWindow shown = currentWindow(g);
    auto swap = [&] {
        const GraphWindow w = previousWindow(g);
        zoomTo(g, w.t1, w.t2, w.yMin, w.yMax);
    };
    swap();
    EXPECT_EQ(currentWindow(g), (GraphWindow{0, 10, -10, 10}));
    swap();
    EXPECT_EQ(currentWindow(g), shown);
}

TEST(GraphZoom, ValueScalingActsOnBothLimits) {
    SigImageState g = lower();
    EXPECT_EQ(scaledValueWindow(g, 0.5), (GraphWindow{0, 10, -5, 5}));
    zoomTo(g, 0, 10, 2, 6);
    EXPECT_EQ(scaledValueWindow(g, 0.5), (GraphWindow{0, 10, 1, 3}));
    EXPECT_EQ(scaledValueWindow(g, 2.0), (GraphWindow{0, 10, 4, 12}));
}

TEST(GraphZoom, RectangleNeedsWidthAndHeight) {
    SigImageState g = lower();
    EXPECT_FALSE(rectZoomWindow(g, {100, 50}, {100, 80}));
    EXPECT_FALSE(rectZoomWindow(g, {100, 50}, {300, 50}));
    // Corners given right-to-left and bottom-to-top still order the window.
    const auto w = rectZoomWindow(g, {540, 201}, {140, 2});
    ASSERT_TRUE(w);
    EXPECT_DOUBLE_EQ(w->t1, 1.0);
    EXPECT_DOUBLE_EQ(w->t2, 5.0);
    EXPECT_NEAR(w->yMin, -10.0, 1e-6);
    EXPECT_NEAR(w->yMax, 10.0, 1e-6);
}

TEST(GraphZoom, WheelOverOverviewWithShiftChangesNothing) {
    SigImageState g(true);
    resizeGraph(g, 1059, 221);
    updateSigNaPix(g);
    const GraphWindow before = currentWindow(g);
    const WheelResult r = applyWheel(g, false, {100, 50, 120, true});
    EXPECT_EQ(r.kind, WheelResult::Kind::None);
    EXPECT_EQ(currentWindow(g), before);
}

TEST(GraphZoom, WheelTimeZoomNarrowsByAFortiethAndPans) {
    SigImageState g = lower();
    WheelResult r = applyWheel(g, true, {250, 10, 120, true});
    ASSERT_EQ(r.kind, WheelResult::Kind::TimeZoom);
    EXPECT_NEAR(r.window.t2 - r.window.t1, 10.0 - 10.0 / 40, 1e-12);
    EXPECT_NEAR(r.window.t1, 250 * 10.0 / 40 / 1000, 1e-12);
    EXPECT_EQ(currentWindow(g), (GraphWindow{0, 10, -10, 10})); // ZoomTo is the caller's
    r = applyWheel(g, true, {250, 10, 120, true, true});
    EXPECT_NEAR(r.window.t2 - r.window.t1, 10.0, 1e-12); // Ctrl: pan keeps the width
    EXPECT_NEAR(r.window.t1, -750 * 10.0 / 40 / 1000, 1e-12);
}

TEST(GraphZoom, WheelValueZoomAboutTheMouseAndRightButtonMarks) {
    SigImageState g = lower();
    WheelInput in{100, 50, 120};
    WheelResult r = applyWheel(g, false, in);
    EXPECT_EQ(r.kind, WheelResult::Kind::ValueOnly);
    const double f = 120.0 * 20 / (200 * 4800.0);
    EXPECT_FLOAT_EQ(g._YMax, float(10 - f * 50));
    EXPECT_FLOAT_EQ(g._YMin, float(-10 + f * 150));
    EXPECT_EQ(g._YMinOld, -12.0f); // the wheel is no ZoomTo: the old window stays
    EXPECT_FALSE(g._BylZoom);
    in.rightButton = true;
    const float span = g._YMax - g._YMin;
    applyWheel(g, false, in);
    EXPECT_FLOAT_EQ(g._YMax - g._YMin, span); // right button: value pan
    EXPECT_TRUE(g._BylZoom);
}

TEST(GraphZoom, PanMovesContentAndShiftRestartsStretching) {
    SigImageState g = lower(); // 999 px from Left to Right, 199 from Top to Bottom
    EXPECT_TRUE(panStep(g, 500, 100, false));
    EXPECT_TRUE(panStep(g, 500 + 999, 100 + 199, false));
    auto w = takeIdlePan(g);
    ASSERT_TRUE(w);
    EXPECT_DOUBLE_EQ(w->t1, -10.0); // moving right brings earlier times in
    EXPECT_DOUBLE_EQ(w->t2, 0.0);
    EXPECT_DOUBLE_EQ(w->yMin, 10.0); // moving down moves the content down
    EXPECT_DOUBLE_EQ(w->yMax, 30.0);
    EXPECT_FALSE(takeIdlePan(g));
    // Shift pressed: this move only restarts; the next takes a fresh reference.
    EXPECT_FALSE(panStep(g, 600, 100, true));
    EXPECT_TRUE(panStep(g, 600, 100, true));
    EXPECT_TRUE(panStep(g, 600 + 999, 100, true));
    w = takeIdlePan(g);
    EXPECT_DOUBLE_EQ(w->t1, 10.0); // edges move in opposite directions
    EXPECT_DOUBLE_EQ(w->t2, 0.0);
    // The overview keeps its time range.
    SigImageState o(true);
    resizeGraph(o, 1059, 221);
    panStep(o, 10, 10, false);
    panStep(o, 500, 10, false);
    w = takeIdlePan(o);
    EXPECT_EQ(w->t1, o._T1);
    EXPECT_EQ(w->t2, o._T2);
}

TEST(GraphZoom, SlotsShowSetMarkersAndDrag) {
    SigImageState lo = lower();
    zoomTo(lo, 4, 6, -3, 3);
    const TZoomRec slot{1, 2, 0, 2};
    EXPECT_EQ(showZoomWindow(lo, slot, false), (GraphWindow{1, 2, 0, 2}));
    EXPECT_EQ(showZoomWindow(lo, slot, true), (GraphWindow{4, 6, 0, 2}));
    EXPECT_EQ(zoomRecOf(lo), (TZoomRec{4, 6, -3, 3}));

    SigImageState ov(true);
    resizeGraph(ov, 1059, 221);
    ov._T1 = 5, ov._T2 = 15; // the marker counts from 0 s, not from _T1
    ov._TnaPix = 0.01;
    EXPECT_EQ(zoomMarkerX(ov, {2.5, 3}), 40 + 250);
    TZoomRec z{1, 1.5, 0, 1};
    EXPECT_FALSE(dragZoomMarker(ov, 40, z)); // strictly inside the plot only
    EXPECT_FALSE(dragZoomMarker(ov, 1039, z));
    EXPECT_EQ(z, (TZoomRec{1, 1.5, 0, 1}));
    EXPECT_TRUE(dragZoomMarker(ov, 340, z));
    EXPECT_DOUBLE_EQ(z.T1, 3.0);
    EXPECT_DOUBLE_EQ(z.T2, 3.5);
}

TEST(GraphSettings, ZoomSlotsRoundTripAndDefaults) {
    MemorySettings s;
    s.values["Zoom/01/T1"] = "abc";
    s.values["Zoom/01/Ymax"] = "7.25";
    s.values["Zoom/10/T2"] = "1,5";
    auto a = readZoomSlots(s);
    EXPECT_EQ(a[0], (TZoomRec{1, 2, 0, 7.25}));
    EXPECT_EQ(a[9], (TZoomRec{10, 11, 9, 11}));
    a[3] = {0.1, 1.0 / 3, -1e-300, 12345.678};
    writeZoomSlots(s, a);
    EXPECT_EQ(s.values.at("Zoom/04/T1"), "0.1");
    EXPECT_EQ(readZoomSlots(s), a);
    EXPECT_EQ(s.values.size(), 40u);
}

TEST(GraphSettings, ValueRangesKeepAbsentAndFixEqualLimits) {
    MemorySettings s;
    GraphsState gs;
    s.values["Image1_YMin"] = "-3.5";
    s.values["Image2_YMin"] = "4";
    s.values["Image2_YMax"] = "4";
    readValueRanges(s, gs);
    EXPECT_EQ(gs.image1._YMin, -3.5f);
    EXPECT_EQ(gs.image1._YMax, 12.0f); // absent: the graph's own
    EXPECT_EQ(gs.image2._YMin, -10.0f);
    EXPECT_EQ(gs.image2._YMax, 10.0f);
    gs.image1._YMax = 0.1f;
    writeValueRanges(s, gs);
    EXPECT_EQ(s.values.at("Image1_YMax"), "0.1");
    GraphsState back;
    readValueRanges(s, back);
    EXPECT_EQ(back.image1._YMax, 0.1f);
    // The same rules through MainSettings.
    MainSettings m;
    m.Image2_YMin = 3.0;
    m.Image2_YMax = 3.0;
    restoreValueRanges(m, back);
    EXPECT_EQ(back.image1._YMax, 0.1f);
    EXPECT_EQ(back.image2._YMin, -10.0f);
    storeValueRanges(back, m);
    EXPECT_EQ(m.Image1_YMax, double(0.1f));
}

} // namespace
} // namespace mv

// The column pass and the window statistics it gathers.
#include "graphs/ColumnPass.h"

#include "core/SignalStore.h"
#include "graphs/GraphZoom.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace mv {
namespace {

void fill(SignalRecord& r, double fs, double t0, const std::vector<float>& v) {
    r.f_sampl = fs;
    r.TimeOffset = t0;
    r.Plot = true;
    auto b = SampleBuffer::allocate(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        b[i] = v[i];
    r.setData(std::move(b));
}

// A lower graph of `columns` plot columns showing t1 .. t2.
SigImageState lowerGraph(int columns, double t1, double t2) {
    SigImageState g(false);
    resizeGraph(g, columns + 59, 221);
    g._T1 = t1;
    g._T2 = t2;
    return g;
}

TEST(ColumnPass, SparseSignalStatisticsAndPlacement) {
    SignalStore store;
    fill(store[5], 1.0, 0.0, {1.0f, -1.0f, 1.0f});
    SigImageState g = lowerGraph(1024, 0.0, 4.0);
    PrepocitejX(store, g);
    const TImageSigRec& r = g.rec(5);
    EXPECT_FALSE(r.JeMinMax);
    EXPECT_EQ(r.SmpCount, 3);
    EXPECT_EQ(r.SMin, -1.0f);
    EXPECT_EQ(r.SMax, 1.0f);
    EXPECT_EQ(r.SMean, 0.33333334f);
    EXPECT_DOUBLE_EQ(r.SRMS, 1.0);
    ASSERT_EQ(r.PtCount, 3);
    EXPECT_EQ(r.Pts[0].X, 0);
    EXPECT_EQ(r.Pts[1].X, 256);
    EXPECT_EQ(r.Pts[2].X, 512);
    EXPECT_EQ(r.Pts[1].Y1, -1.0f);
    // Between samples the readout is the sample nearest to the column's centre.
    EXPECT_EQ(r.Pts[100].SmpNo, 1);
    EXPECT_EQ(r.Pts[200].SmpNo, 2);
    EXPECT_EQ(r.Pts[200].Val, -1.0f);
    EXPECT_EQ(r.Pts[600].SmpNo, 3);
    // Past 2.5 s the nearest sample would be a fourth one: no readout.
    EXPECT_EQ(r.Pts[700].SmpNo, 0);
}

TEST(ColumnPass, MinMaxSegmentsReachBackIntoThePreviousColumn) {
    SignalStore store;
    // 10 samples per column: column c holds the values c*10 .. c*10+9.
    std::vector<float> v(100);
    for (int i = 0; i < 100; ++i)
        v[std::size_t(i)] = float(i);
    fill(store[1], 10.0, 0.0, v);
    SigImageState g = lowerGraph(10, 0.0, 10.0);
    PrepocitejX(store, g);
    const TImageSigRec& r = g.rec(1);
    EXPECT_TRUE(r.JeMinMax);
    ASSERT_EQ(r.PtCount, 10);
    EXPECT_EQ(r.Pts[0].Y1, 9.0f);
    EXPECT_EQ(r.Pts[0].Y2, 0.0f);
    for (int c = 1; c < 10; ++c) {
        // Each segment spans its own samples and the previous column's extreme.
        EXPECT_EQ(r.Pts[std::size_t(c)].X, c);
        EXPECT_EQ(r.Pts[std::size_t(c)].Y1, float(c * 10 + 9));
        EXPECT_EQ(r.Pts[std::size_t(c)].Y2, float(c * 10 - 1));
        EXPECT_EQ(r.Pts[std::size_t(c)].SmpNo, c * 10 + 1);
    }
    EXPECT_EQ(r.Pts[3].Val, 39.0f);
    EXPECT_EQ(r.SmpCount, 100);
    EXPECT_EQ(r.SMin, 0.0f);
    EXPECT_EQ(r.SMax, 99.0f);
    EXPECT_NEAR(r.SMean, 49.5f, 1e-6);
}

TEST(ColumnPass, MinMaxStatisticsCoverTheWindowRuleEachSampleOnce) {
    SignalStore store;
    std::vector<float> v(5000);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = float(std::sin(0.01 * double(i)) * 3.0 + 0.5);
    fill(store[2], 1000.0, 0.0, v);
    SigImageState g = lowerGraph(137, 1.2345, 3.9);
    PrepocitejX(store, g);
    const TImageSigRec& r = g.rec(2);
    ASSERT_TRUE(r.JeMinMax);
    // Samples round(T1*fs)+1 .. round(T2*fs)+1.
    const int first = 1235, last = 3901;
    double sum = 0, sq = 0;
    float mn = 1e31f, mx = -1e31f;
    for (int s = first; s <= last; ++s) {
        const double x = v[std::size_t(s - 1)];
        sum += x;
        sq += x * x;
        mn = std::min(mn, float(x));
        mx = std::max(mx, float(x));
    }
    const int n = last - first + 1;
    EXPECT_EQ(r.SmpCount, n);
    EXPECT_EQ(r.SMin, mn);
    EXPECT_EQ(r.SMax, mx);
    EXPECT_NEAR_REL(r.SMean, float(sum / n), 1e-6);
    EXPECT_NEAR_REL(r.SRMS, std::sqrt(sq / n), 1e-12);
}

TEST(ColumnPass, SignalEndingInsideTheWindowCountsItsLastSample) {
    // 1000 samples with a spike on the last one, in windows that end after the signal:
    // on a column edge, inside a column, and with the signal starting late as well.
    struct Case {
        double t0, t1, t2;
        int columns;
    };
    for (const Case c :
         {Case{0.0, 0.0, 2.0, 100}, Case{0.0, 0.5, 1.7, 37}, Case{0.3, 0.0, 3.0, 211}}) {
        SCOPED_TRACE(testing::Message() << c.t0 << " " << c.t1 << ".." << c.t2);
        SignalStore store;
        std::vector<float> v(1000, 1.0f);
        v.back() = 50.0f;
        fill(store[4], 1000.0, c.t0, v);
        SigImageState g = lowerGraph(c.columns, c.t1, c.t2);
        PrepocitejX(store, g);
        const TImageSigRec& r = g.rec(4);
        ASSERT_TRUE(r.JeMinMax);
        const int first = std::max(1, int(std::lround((c.t1 - c.t0) * 1000.0)) + 1);
        EXPECT_EQ(r.SmpCount, 1000 - first + 1);
        EXPECT_EQ(r.SMax, 50.0f);
        EXPECT_EQ(r.Pts[std::size_t(r.PtCount - 1)].Y1, 50.0f); // the spike is drawn
    }
}

TEST(ColumnPass, SignalOutsideTheWindowIsHiddenAndKeepsOldStatistics) {
    SignalStore store;
    fill(store[3], 100.0, 20.0, std::vector<float>(50, 2.0f)); // 20 .. 20.49 s
    SigImageState g = lowerGraph(200, 0.0, 10.0);
    g.rec(3).SMax = 77.0f;
    g.rec(3).PtCount = 5;
    PrepocitejX(store, g);
    EXPECT_EQ(g.rec(3).SmpCount, 0);
    EXPECT_EQ(g.rec(3).SMax, 77.0f);
    EXPECT_EQ(g.rec(3).PtCount, 5);
    g._T1 = 30.0, g._T2 = 40.0; // after the end
    PrepocitejX(store, g);
    EXPECT_EQ(g.rec(3).SmpCount, 0);
}

TEST(ColumnPass, OverviewSpansPlottedSignalsOrFallsBackToTenSeconds) {
    SignalStore store;
    SigImageState g(true);
    resizeGraph(g, 1059, 300);
    g._T1 = 5, g._T2 = 6;
    PrepocitejX(store, g);
    EXPECT_EQ(g._T1, 0.0);
    EXPECT_EQ(g._T2, 10.0);
    fill(store[1], 10.0, 2.0, std::vector<float>(11, 1.0f)); // 2 .. 3 s
    fill(store[9], 4.0, -1.0, std::vector<float>(5, 1.0f));  // -1 .. 0 s
    fill(store[7], 1.0, 100.0, std::vector<float>(5, 1.0f));
    store[7].Plot = false; // not plotted: no part of the range, still gets a record
    PrepocitejX(store, g);
    EXPECT_EQ(g._T1, -1.0);
    EXPECT_EQ(g._T2, 3.0);
    EXPECT_DOUBLE_EQ(g._TnaPix, 4.0 / 1000.0);
    EXPECT_EQ(g.rec(7).SmpCount, 0); // its samples lie outside -1 .. 3 s
}

TEST(ColumnPass, UnusableRateOrShortBufferNeverReadsOutside) {
    SignalStore store;
    fill(store[1], 0.0, 0.0, {1, 2, 3});
    fill(store[2], 1000.0, 0.0, {1, 2, 3});
    store[2].SampleCount = 100000; // claims more than the buffer holds
    SigImageState g = lowerGraph(50, 0.0, 100.0);
    int yields = 0;
    PrepocitejX(store, g, [&](int) { ++yields; });
    EXPECT_EQ(g.rec(1).SmpCount, 0);
    EXPECT_EQ(g.rec(2).SmpCount, 3);
    EXPECT_EQ(g.rec(2).SMax, 3.0f);
    EXPECT_EQ(yields, 2); // once after each loaded signal
}

TEST(ScanSamples, MatchesASequentialScanAndIgnoresNaNForExtremes) {
    std::vector<float> v(1003);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = float((i * 7919) % 1000) - 500.0f;
    v[17] = std::nanf("");
    SampleScan s;
    scanSamples(v.data(), std::int64_t(v.size()), s);
    EXPECT_EQ(s.n, 1003);
    EXPECT_EQ(s.mn, -500.0f);
    EXPECT_EQ(s.mx, 499.0f);
    EXPECT_TRUE(std::isnan(s.sum));
}

} // namespace
} // namespace mv

// The replay clock with a fake (manual) clock, and the graph thread's column pass.
#include "MonitorsFixture.h"

#include <cmath>
#include <gtest/gtest.h>

namespace mv {
namespace {

using test::Replay;

float ringAt(const ReplayClock& c, int slot, std::int64_t sample) {
    return c.ring().row(slot)[sample % kRingLen].load();
}

TEST(ReplayClock, SamplesPerTickHaveNoDrift) {
    struct Case {
        double fs;
        int lo, hi, per100;
    } cases[] = {{1000, 10, 10, 1000}, {2048, 20, 21, 2048}, {100, 1, 1, 100}, {33.3, 0, 1, 33}};
    for (const auto& c : cases) {
        std::int64_t sum = 0;
        for (std::uint32_t k = 1; k <= 100; ++k) {
            const int n = ReplayClock::samplesForTick(k, c.fs);
            EXPECT_GE(n, c.lo) << c.fs;
            EXPECT_LE(n, c.hi) << c.fs;
            sum += n;
        }
        EXPECT_NEAR(double(sum), c.per100, 1.0) << c.fs;
    }
    // Long runs stay exact: the count telescopes to round((K+1) fs / 100) - round(fs / 100).
    std::int64_t sum = 0;
    for (std::uint32_t k = 1; k <= 100000; ++k)
        sum += ReplayClock::samplesForTick(k, 2048);
    EXPECT_EQ(sum, 2048 * 1000 + 0);
}

TEST(ReplayClock, ReplaysTheWindowTwoToThreeSeconds) {
    Replay r(100);
    r.load(1, 1000, 100, [](int i) { return float(i + 1); }); // sample k holds k
    const std::int64_t start = r.clock.ring().total();
    std::vector<ReplayStatus> reports;
    const auto gen = r.clock.startReplay(2.0, 3.0);
    for (int i = 0; i < 130; ++i)
        r.clock.tick([&](ReplayStatus s) { reports.push_back(s); });
    // 101 samples, 201 .. 301, one per tick, then zeros.
    for (int i = 0; i < 101; ++i)
        ASSERT_EQ(ringAt(r.clock, 1, start + i), float(201 + i)) << i;
    EXPECT_EQ(ringAt(r.clock, 1, start + 101), 0.0f);
    EXPECT_FALSE(r.clock.playing());
    EXPECT_DOUBLE_EQ(r.clock.replayTime(), 1.01);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().generation, gen);
    EXPECT_EQ(reports.back().remaining, 0);
    EXPECT_EQ(reports.front().remaining, 101 - 21);
}

TEST(ReplayClock, CopiesOnlyTheSignalsOwnSamples) {
    Replay r(1000);
    r.load(1, 30, 1000, [](int) { return 5.0f; });
    r.load(2, 1000, 500, [](int) { return 7.0f; }); // another rate: zeros
    const std::int64_t start = r.clock.ring().total();
    r.clock.startReplay(-0.010, 0.050); // 10 samples before the signal, 31 after its end
    r.run(7);
    for (int i = 0; i < 61; ++i) {
        const float want = (i >= 10 && i < 40) ? 5.0f : 0.0f;
        ASSERT_EQ(ringAt(r.clock, 1, start + i), want) << i;
        ASSERT_EQ(ringAt(r.clock, 2, start + i), 0.0f) << i;
    }
    // A slot replaced by a shorter signal mid-replay: no read past its new end.
    r.clock.startReplay(0, 10);
    r.run(2);
    r.load(1, 25, 1000, [](int) { return 3.0f; });
    const std::int64_t at = r.clock.ring().total();
    r.run(2);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ringAt(r.clock, 1, at + i), 3.0f) << i; // samples 21..25
    for (int i = 5; i < 20; ++i)
        EXPECT_EQ(ringAt(r.clock, 1, at + i), 0.0f) << i;
}

TEST(ReplayClock, RingWrapsAt66000) {
    Replay r(10000);
    r.load(1, 200000, 10000, [](int i) { return float(i + 1); });
    r.clock.startReplay(0, 19.9999);
    r.run(700); // 70 000 samples: the ring has wrapped once
    EXPECT_EQ(r.engine.overruns(), 0);
    const std::int64_t total = r.clock.ring().total();
    // The newest 66 000 samples sit at their positions modulo the ring length.
    const std::int64_t first = total - 70000;
    for (std::int64_t s : {std::int64_t(66000), std::int64_t(66001), std::int64_t(69999)})
        EXPECT_EQ(ringAt(r.clock, 1, first + s), float(s + 1)) << s;
}

TEST(GraphPass, FlatSignalPaintsExactlyItsLineWidth) {
    for (int w : {1, 2, 3, 8}) {
        Replay r(1000);
        r.load(1, 5000, 1000, [](int) { return 2.0f; });
        auto p = r.poly(mtScroll, 500, 200, "0|10|0"); // 20 000 us per column
        {
            std::lock_guard lock(p->mutex);
            p->_SubGrafList[0]->_SubGrafParam.SerPar[0].LineWidth = w;
        }
        r.clock.startReplay(0, 5);
        r.run(100); // 1 s: 50 columns
        std::lock_guard lock(p->mutex);
        const auto red = kMonColours[9].argb();
        EXPECT_EQ(p->_ScrPGCoef.TimeNaPixel_us, 20000);
        for (int x : {5, 20, 45})
            EXPECT_EQ(test::countColour(p->image, x, red), w) << "width " << w << " x " << x;
        EXPECT_EQ(test::countColour(p->image, 60, red), 0);
    }
}

TEST(GraphPass, ScrollStartsScrollingAfterTheWidthAndScopeWraps) {
    for (TMonType t : {mtScroll, mtScope}) {
        Replay r(1000);
        r.load(1, 20000, 1000, [](int i) { return float(i % 7); });
        auto p = r.poly(t, 500, 200, "0|10|1");
        r.clock.startReplay(0, 15);
        r.run(999);
        {
            std::lock_guard lock(p->mutex);
            EXPECT_FALSE(p->_Scroluj);
        }
        r.run(2); // past 10 s: 500 columns done
        std::lock_guard lock(p->mutex);
        EXPECT_EQ(p->_Scroluj, t == mtScroll);
        EXPECT_LT(p->_ScrPGCoef.RdLineIndex, 5);
    }
}

TEST(GraphPass, TimeGridLinesFallExactlyEveryInterval) {
    Replay r(1000);
    r.load(1, 5000, 1000, [](int) { return 9.0f; }); // a trace away from the rows we look at
    auto p = r.poly(mtScope, 500, 200, "0|10|1");
    r.clock.startReplay(0, 4);
    r.run(400); // 4 s = 200 columns
    std::lock_guard lock(p->mutex);
    std::vector<int> xs;
    for (int x = 0; x < 500; ++x)
        if (p->image.at(x, 150) == 0xFF808080u)
            xs.push_back(x);
    // 1 s at 20 000 us per column: 50 columns apart (was 51).
    EXPECT_EQ(xs, (std::vector<int>{49, 99, 149, 199}));
}

TEST(GraphPass, SampleLongerThanAColumnFillsEveryColumn) {
    Replay r(10); // 100 000 us per sample, 20 000 per column: five columns a sample
    r.load(1, 100, 10, [](int) { return 1.0f; });
    auto p = r.poly(mtScope, 500, 200, "0|10|0");
    {
        // The screen refuses columns shorter than a sample; a strip-chart page does not.
        std::lock_guard lock(p->mutex);
        p->_ScrPGCoef.TimeNaPixel_us = 20000;
        p->_ScrPGCoef.MinLines = 1;
    }
    r.clock.startReplay(0, 5);
    r.run(200); // 2 s: 20 samples = 100 columns
    std::lock_guard lock(p->mutex);
    const auto red = kMonColours[9].argb();
    for (int x = 0; x < 95; ++x)
        ASSERT_EQ(test::countColour(p->image, x, red), 1) << x;
}

TEST(GraphPass, PausedPolygraphKeepsItsPicture) {
    Replay r(1000);
    r.load(1, 5000, 1000, [](int i) { return float(i % 13) - 6; });
    auto p = r.poly(mtScope, 500, 200, "0|10|0");
    r.clock.startReplay(0, 4);
    r.run(50);
    std::vector<std::uint32_t> before;
    {
        std::lock_guard lock(p->mutex);
        p->togglePause(50);
        before = p->image.px;
    }
    r.run(100);
    {
        std::lock_guard lock(p->mutex);
        EXPECT_EQ(p->image.px, before);
        p->togglePause(50);
    }
    r.run(50);
    std::lock_guard lock(p->mutex);
    EXPECT_NE(p->image.px, before);
}

TEST(GraphPass, XYCircleChangesColourAtItsStart) {
    Replay r(1000);
    // 100 points around a circle, several times over.
    r.load(1, 1000, 1000, [](int i) { return float(5 * std::cos(2 * M_PI * i / 100)); });
    r.load(2, 1000, 1000, [](int i) { return float(5 * std::sin(2 * M_PI * i / 100)); });
    auto p = r.poly(mtXY, 300, 300, "-10|10|0");
    {
        std::lock_guard lock(p->mutex);
        auto& sp = p->_SubGrafList[0]->_SubGrafParam.SerPar;
        sp[0].SigNo = 1;
        sp[1].SigNo = 2;
    }
    r.clock.startReplay(0, 0.999);
    std::vector<bool> flags;
    for (int i = 0; i < 100; ++i) {
        r.run(1);
        std::lock_guard lock(p->mutex);
        flags.push_back(p->_SubGrafList[0]->run[0].xyCross);
    }
    // Ten laps: the flag turns on every return to the start point.
    int changes = 0;
    for (std::size_t i = 1; i < flags.size(); ++i)
        changes += flags[i] != flags[i - 1];
    EXPECT_GE(changes, 8);
    std::lock_guard lock(p->mutex);
    EXPECT_GT(test::countColour(p->image, 150, kMonColours[12].argb()) +
                  test::countColour(p->image, 150, kMonColours[9].argb()),
              0);
}

TEST(GraphPass, LaggingReaderSkipsInsteadOfDrawingOverwrittenData) {
    Replay r(10000);
    r.load(1, 200000, 10000, [](int) { return 1.0f; });
    auto p = r.poly(mtScope, 500, 200, "0|10|0");
    r.clock.startReplay(0, 19);
    for (int i = 0; i < 400; ++i) // 40 000 samples unread
        r.clock.tick();
    EXPECT_EQ(r.engine.round(), 0);
    EXPECT_EQ(r.engine.overruns(), 1);
    EXPECT_EQ(r.engine.consumed(), r.clock.ring().total());
    r.run(10);
    EXPECT_EQ(r.engine.consumed(), r.clock.ring().total());
}

} // namespace
} // namespace mv

#include "fft/FFTrec.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace mv {
namespace {

std::vector<float> sine(std::size_t n, double cyclesPerSample, double amplitude = 1.0) {
    std::vector<float> x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = static_cast<float>(amplitude *
                                  std::sin(2.0 * std::numbers::pi * cyclesPerSample * double(i)));
    return x;
}

int feed(TFFTrec& e, const std::vector<float>& x) {
    return e.AddSamples(x);
}

TEST(FFTTables, BitReversalAndSplitFactors) {
    const FFTTableSet* t = FFTTables(8);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->stages, 3);
    EXPECT_EQ(t->bitRev, (std::vector<std::int32_t>{0, 4, 2, 6, 1, 5, 3, 7}));
    const FFTTableSet* big = FFTTables(32768);
    ASSERT_TRUE(big);
    // The rotated split factors stay on the unit circle and end at (1, ~0).
    EXPECT_NEAR(big->splitSin[16384], 1.0, 1e-12);
    EXPECT_NEAR(big->splitCos[16384], 0.0, 1e-12);
    EXPECT_EQ(FFTTables(12), nullptr);
    EXPECT_EQ(FFTTables(65536), nullptr);
}

TEST(TFFTrec, SineOnALineShowsItsPowerAndLevelForEveryWindow) {
    for (int n : {8, 1024, 32768}) {
        for (int win = 0; win < 4; ++win) {
            // The flat top's square has harmonics up to 20: with 16 samples no line keeps
            // clear of them, and the level is then not the sine's alone.
            if (n == 8 && win == fwFlatTop248D)
                continue;
            TFFTrec e;
            // line k is k Hz
            ASSERT_TRUE(e.Init({.lines = n, .fs = 2.0 * n, .window = FFTWindowType(win)}));
            const int k = n / 4 + 1;
            ASSERT_EQ(feed(e, sine(2 * n, double(k) / (2 * n))), 1);
            EXPECT_NEAR(e.Level(), std::sqrt(0.5), 1e-6) << n << " window " << win;
            EXPECT_EQ(e.FirstLevel(), static_cast<float>(e.Level()));
            if (win == 0) {
                EXPECT_NEAR(e.Aver()[k], 0.5, 1e-7) << n;
                EXPECT_NEAR(e.Aver()[k + 1], 0.0, 1e-7) << n;
            } else {
                // The window spreads the line over its neighbours.
                EXPECT_GT(e.Aver()[k + 1], 1e-3) << n << " window " << win;
            }
        }
    }
}

TEST(TFFTrec, AWeightingKeepsOneKilohertzAndLowersOneHundredHertz) {
    TFFTrec e;
    // line k is k Hz
    ASSERT_TRUE(e.Init({.lines = 32768, .fs = 65536.0, .weighting = fwtA}));
    EXPECT_NEAR(10.0 * std::log10(e.Weight()[1000] / 2.0), 0.0, 0.001);
    EXPECT_NEAR(10.0 * std::log10(e.Weight()[100] / 2.0), -19.1, 0.05);
    EXPECT_EQ(e.Weight()[0], 0.0);
}

TEST(TFFTrec, AveragingLinearAndExponential) {
    FFTConfig cfg{.lines = 8, .fs = 16.0};
    TFFTrec e(cfg);
    ASSERT_TRUE(e.ready());
    const auto a = sine(16, 2.0 / 16, 1.0), b = sine(16, 2.0 / 16, 3.0);
    feed(e, a);
    feed(e, b);
    EXPECT_NEAR(e.Aver()[2], (0.5 + 4.5) / 2, 1e-5); // running mean of two frames
    EXPECT_EQ(e.AverDone(), 2);
    cfg.averType = faExp;
    cfg.averCnt = 1;
    ASSERT_TRUE(e.Configure(cfg)); // in place: the average so far stays
    feed(e, a);
    EXPECT_NEAR(e.Aver()[2], (2.5 + 0.5) / 2, 1e-5); // newest frame weighs 1 / (1 + 1)
}

TEST(TFFTrec, StepOverlapAndRingWrap) {
    TFFTrec e;
    // frames start every 4 samples
    ASSERT_TRUE(e.Init({.lines = 8, .fs = 16.0, .step = 4}));
    EXPECT_EQ(feed(e, sine(16, 0.125)), 1);
    EXPECT_EQ(feed(e, sine(12, 0.125)), 3);
    // More than the ring holds in one call: handed over in pieces, every frame counted.
    TFFTrec big({.lines = 32768, .fs = 65536});
    ASSERT_TRUE(big.ready());
    const auto x = sine(3 * 65536 + 100, 1000.0 / 65536);
    EXPECT_EQ(feed(big, x), 3);
    EXPECT_NEAR(big.Level(), std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(big.Aver()[1000], 0.5, 1e-6);
}

TEST(TFFTrec, UninitialisedOrBadSizesDoNothing) {
    TFFTrec e;
    const auto x = sine(64, 0.1);
    EXPECT_EQ(feed(e, x), 0);
    EXPECT_FALSE(e.Init({.lines = 100, .fs = 1000.0}));
    EXPECT_EQ(e.config().lines, 0);
    EXPECT_EQ(feed(e, x), 0);
}

} // namespace
} // namespace mv

#include "fft/FFTrec.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
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

// The engine as it was before its transform went by decimation in frequency, two stages a
// pass, and its split learned to average in the same pass: radix 2 with one twiddle per
// group, the exchanges into natural order, the split, then the average. The engine must
// stay within 1e-12 of it.
struct FormerEngine {
    int n;
    const FFTTableSet* t;
    std::vector<double> win, aver, re, im, weight;
    double s1sq = 0, nenbw = 0, level = 0;
    int done = 0;
    FormerEngine(const TFFTrec& e) : n(e.config().lines), t(FFTTables(n)) {
        aver.assign(std::size_t(n) + 1, 0.0);
        re.assign(std::size_t(n) + 1, 0.0);
        im.assign(std::size_t(n) + 1, 0.0);
        weight.assign(e.Weight().begin(), e.Weight().end());
        // The window is rebuilt here as the engine builds it.
        const double pi = std::numbers::pi;
        double s1 = 0, s2 = 0;
        for (int i = 0; i < 2 * n; ++i) {
            const double x = 2.0 * pi * i / (2 * n);
            double w = 1.0;
            if (e.config().window == fwHanning) {
                const double c = std::cos((x - pi) / 2.0);
                w = c * c;
            } else if (e.config().window == fwHamming) {
                w = 0.54 - 0.46 * std::cos(x);
            }
            win.push_back(w);
            s1 += w;
            s2 += w * w;
        }
        s1sq = s1 * s1;
        nenbw = 2 * n * s2 / s1sq;
    }
    void frame(const float* x, bool exp, int averCnt) {
        for (int i = 0; i < n; ++i) {
            re[i] = x[2 * i] * win[2 * i];
            im[i] = x[2 * i + 1] * win[2 * i + 1];
        }
        for (int h = n / 2; h >= 1; h /= 2)
            for (int a = 0; a < n; a += 2 * h)
                for (int i = a; i < a + h; ++i) {
                    const int tw = t->bitRev[i / h];
                    const double c = t->cosTab[tw], s = t->sinTab[tw];
                    const double e = re[i + h] * c + im[i + h] * s;
                    const double g = im[i + h] * c - re[i + h] * s;
                    re[i + h] = re[i] - e;
                    im[i + h] = im[i] - g;
                    re[i] += e;
                    im[i] += g;
                }
        for (int i = 0; i < n; ++i)
            if (i < t->bitRev[i]) {
                std::swap(re[i], re[t->bitRev[i]]);
                std::swap(im[i], im[t->bitRev[i]]);
            }
        re[n] = re[0];
        im[n] = im[0];
        for (int k = 0; k <= n / 2; ++k) {
            const double s = t->splitSin[k], c = t->splitCos[k];
            const double a = re[k], b = re[n - k], g = im[k], u = im[n - k];
            const double p = (g + u) * c - (a - b) * s;
            const double q = (a - b) * c + (g + u) * s;
            re[k] = (a + b + p) / 2;
            im[k] = (g - u - q) / 2;
            re[n - k] = (a + b - p) / 2;
            im[n - k] = (-q - (g - u)) / 2;
        }
        if (exp)
            done = averCnt;
        double sum = 0;
        for (int k = 0; k <= n; ++k) {
            aver[k] = (done * aver[k] + weight[k] * (re[k] * re[k] + im[k] * im[k]) / s1sq) /
                      (done + 1.0);
            sum += aver[k];
        }
        ++done;
        level = std::sqrt(sum / nenbw);
    }
};

TEST(TFFTrec, SpectraWithinOneInATrillionOfTheFormerTransform) {
    std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    for (int n : {8, 16, 32, 1024, 2048, 4096, 32768})
        for (auto window : {fwRectangle, fwHanning, fwHamming})
            for (auto averType : {faLinear, faExp}) {
                SCOPED_TRACE(std::to_string(n) + " lines, window " + std::to_string(window) +
                             ", averaging " + std::to_string(averType));
                // Noise over a strong sine and an offset: lines of very different sizes.
                std::vector<float> x = sine(std::size_t(6 * n), 0.1234, 50.0);
                for (auto& v : x)
                    v += noise(rng) + 3.0f;
                TFFTrec e({.lines = n,
                           .fs = 1000.0,
                           .window = window,
                           .averType = averType,
                           .averCnt = 3,
                           .step = n, // half-overlapping frames
                           .weighting = n == 1024 ? fwtA : fwtL});
                FormerEngine f(e);
                ASSERT_EQ(e.AddSamples(x), 5);
                for (int k = 0; k < 5; ++k)
                    f.frame(x.data() + std::size_t(k) * n, averType == faExp, 3);
                double mean = 0;
                for (double v : f.aver)
                    mean += v / (n + 1);
                double worst = 0;
                for (int k = 0; k <= n; ++k)
                    worst = std::max(worst, std::abs(e.Aver()[k] - f.aver[k]) / (f.aver[k] + mean));
                EXPECT_LT(worst, 1e-12);
                EXPECT_NEAR(e.Level(), f.level, 1e-12 * f.level);
            }
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

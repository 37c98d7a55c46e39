#include "processing/MV_mkfilter.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace mv {
namespace {

struct DesignCase {
    IirKind kind;
    int n;
    double alpha;
    double gain;
    std::vector<double> x;
    std::vector<double> y; // YCoef[0..n-1]
};

TEST(DesignIirFilter, KnownDesignsHoldToTheGivenDigits) {
    const DesignCase cases[] = {
        {IirKind::LowPass, 2, 0.1, 14.82463775, {1, 2, 1}, {-0.4128015981, 1.142980503}},
        {IirKind::HighPass, 2, 0.1, 1.56507865, {1, -2, 1}, {-0.4128015981, 1.142980503}},
        {IirKind::LowPass,
         4,
         0.01,
         1112983.215,
         {1, 4, 6, 4, 1},
         {-0.8485559993, 3.533535219, -5.520819137, 3.835825541}},
        {IirKind::HighPass, 2, 0.0005, 1.002223911, {}, {-0.9955669721, 1.995557124}},
        {IirKind::LowPass, 1, 0.25, 2.0, {1, 1}, {0.0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "n=" << c.n << " alpha=" << c.alpha);
        TIirFilter f;
        ASSERT_TRUE(DesignIirFilter(c.kind, c.n, c.alpha, f).ok);
        EXPECT_NEAR_REL(f.Gain, c.gain, 1e-9);
        for (std::size_t k = 0; k < c.x.size(); ++k)
            EXPECT_NEAR(f.XCoef[k], c.x[k], 1e-12);
        for (std::size_t k = 0; k < c.y.size(); ++k)
            EXPECT_NEAR(f.YCoef[k], c.y[k], 1e-9);
        EXPECT_EQ(f.YCoef[c.n], -1.0);
    }
}

TEST(DesignIirFilter, ZeroAlphaAndBadOrderLeaveTheRecord) {
    TIirFilter f;
    ASSERT_TRUE(DesignIirFilter(IirKind::LowPass, 2, 0.1, f).ok);
    const TIirFilter before = f;
    EXPECT_TRUE(DesignIirFilter(IirKind::HighPass, 4, 0.0, f).ok);
    EXPECT_FALSE(DesignIirFilter(IirKind::LowPass, 9, 0.1, f).ok);
    EXPECT_FALSE(DesignIirFilter(IirKind::LowPass, 0, 0.1, f).ok);
    EXPECT_EQ(f.Gain, before.Gain);
    EXPECT_EQ(f.YCoef, before.YCoef);
    EXPECT_EQ(f.Order, 2);
}

TEST(RunIirSample, LowPassSettlesAtOneAndHighPassDecays) {
    for (int n = 1; n <= 8; ++n) {
        TIirFilter lo, hi;
        ASSERT_TRUE(DesignIirFilter(IirKind::LowPass, n, 0.05, lo).ok);
        ASSERT_TRUE(DesignIirFilter(IirKind::HighPass, n, 0.05, hi).ok);
        double yl = 0, yh = 0;
        for (int i = 0; i < 4000; ++i) {
            yl = RunIirSample(lo, 1.0);
            yh = RunIirSample(hi, 1.0);
        }
        EXPECT_NEAR(yl, 1.0, 1e-9) << n;
        EXPECT_NEAR(yh, 0.0, 1e-9) << n;
    }
}

TEST(RunIirSample, LowCornersSettleAtOne) {
    // Poles crowding z = 1: the gain must be the one of the coefficients that run, or a
    // constant input settles beside 1 (order 5 at 1 Hz of 1 kHz settled at 1.000205).
    // What is left is the rounding of the direct-form recurrence itself, which grows
    // with the order as the poles close in.
    const double tolerance[] = {0, 1e-13, 1e-11, 1e-10, 1e-8, 2e-6};
    for (const double alpha : {0.001, 0.002, 0.005}) {
        for (int n = 1; n <= 5; ++n) {
            SCOPED_TRACE(testing::Message() << "alpha=" << alpha << " n=" << n);
            TIirFilter lo;
            ASSERT_TRUE(DesignIirFilter(IirKind::LowPass, n, alpha, lo).ok);
            double y = 0;
            for (int i = 0; i < 400000; ++i)
                y = RunIirSample(lo, 1.0);
            EXPECT_NEAR(y, 1.0, tolerance[n]);
        }
    }
}

TEST(RunIirSample, SpanRunEqualsSampleBySampleBitForBit) {
    std::mt19937 gen(7);
    std::normal_distribution<float> noise;
    for (int n = 1; n <= 8; ++n) {
        TIirFilter a;
        ASSERT_TRUE(DesignIirFilter(n % 2 ? IirKind::LowPass : IirKind::HighPass, n, 0.07, a).ok);
        TIirFilter b = a;
        std::vector<float> x(1000);
        for (float& v : x)
            v = noise(gen);
        std::vector<float> viaSpan = x;
        // Uneven pieces, as a block-wise run hands them over.
        RunIirSpan(b, {viaSpan.data(), 40});
        RunIirSpan(b, {viaSpan.data() + 40, 13});
        RunIirSpan(b, {viaSpan.data() + 53, viaSpan.size() - 53});
        for (std::size_t i = 0; i < x.size(); ++i)
            ASSERT_EQ(static_cast<float>(RunIirSample(a, x[i])), viaSpan[i]) << n << " " << i;
    }
}

TEST(RunIirSample, UndesignedFilterPassesSamples) {
    TIirFilter f;
    EXPECT_EQ(RunIirSample(f, 3.5), 3.5);
    std::vector<float> x{1, 2, 3};
    RunIirSpan(f, x);
    EXPECT_EQ(x, (std::vector<float>{1, 2, 3}));
}

} // namespace
} // namespace mv

#include "processing/ZeroPhase.h"

#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

namespace mv {
namespace {

TEST(ZeroPhase, DesignsHoldToTheGivenDigits) {
    const ZeroPhaseDesign a = DesignZeroPhase(500.0, 19.0, 21.0);
    EXPECT_EQ(a.order, 48);
    EXPECT_EQ(a.sections(), 24);
    EXPECT_NEAR(a.fc, 19.938453, 1e-6);
    EXPECT_NEAR_REL(a.gain, 0.05325094508, 1e-9);
    EXPECT_NEAR_REL(a.a1[0], -1.90616242, 1e-8);
    EXPECT_NEAR_REL(a.a2[0], 0.9675917167, 1e-9);

    const ZeroPhaseDesign b = DesignZeroPhase(100.0, 10.0, 20.0);
    EXPECT_EQ(b.order, 8);
    EXPECT_NEAR(b.fc, 13.519785, 1e-6);
    EXPECT_NEAR_REL(b.gain, 0.3937322334, 1e-9);
    EXPECT_NEAR_REL(b.a1[0], -1.023870342, 1e-9);
    EXPECT_NEAR_REL(b.a2[0], 0.5079891131, 1e-9);

    // The two low-passes of the band-pass defaults at 100 Hz.
    EXPECT_EQ(DesignZeroPhase(100.0, 9.0, 10.0).order, 46);
    EXPECT_EQ(DesignZeroPhase(100.0, 0.3, 0.5).order, 10);
}

TEST(ZeroPhase, ConstantIsExactInTheMiddleButNotAtTheEnds) {
    std::vector<float> x(400, 1.0f);
    ASSERT_EQ(ZeroPhaseLowPass(x.data(), x.size(), 100.0, 10.0, 20.0), ZeroPhaseStatus::Ok);
    EXPECT_NEAR(x[200], 1.0, 1e-6);
    const double first[] = {0.944867, 0.940805, 0.948397};
    const double last[] = {0.979533, 1.030825, 0.981107};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(x[i], first[i], 2e-6) << i;
        EXPECT_NEAR(x[397 + i], last[i], 2e-6) << i;
    }
}

TEST(ZeroPhase, SineComesOutWithoutTimeShift) {
    std::vector<float> x(2000);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * 2.0 * i / 100.0));
    std::vector<float> y = x;
    ASSERT_EQ(ZeroPhaseLowPass(y.data(), y.size(), 100.0, 10.0, 20.0), ZeroPhaseStatus::Ok);
    double worst = 0.0;
    for (std::size_t i = 300; i < 1700; ++i)
        worst = std::max(worst, std::fabs(double(y[i]) - x[i]));
    EXPECT_LT(worst, 1e-6);
}

// The interleaved cascade must give exactly the section-by-section result, for every
// window length around the places where its phases change over.
TEST(ZeroPhase, InterleavedCascadeEqualsSectionBySectionBitForBit) {
    std::mt19937 gen(3);
    std::normal_distribution<double> noise;
    for (const auto& [fp, fstop] :
         {std::pair{19.0, 21.0}, std::pair{10.0, 20.0}, std::pair{40.0, 200.0}}) {
        const ZeroPhaseDesign d = DesignZeroPhase(500.0, fp, fstop);
        const std::size_t edge = 3 * static_cast<std::size_t>(d.sections() - 1);
        std::vector<std::size_t> lengths{4, 5, 6, 3001, 3002, 3003, 3004};
        for (std::size_t extra = 6; extra <= 16; ++extra)
            lengths.push_back(edge + extra);
        for (std::size_t n : lengths) {
            std::vector<double> a(n);
            for (double& v : a)
                v = noise(gen);
            std::vector<double> b = a;
            detail::zeroPhaseReference(a.data(), n, d);
            detail::zeroPhaseInterleaved(b.data(), n, d);
            ASSERT_EQ(a, b) << "sections " << d.sections() << " n " << n;
        }
    }
}

TEST(ZeroPhase, RefusesWhatTheFormulasCannotHandle) {
    std::vector<float> x{1, 2, 3};
    EXPECT_EQ(ZeroPhaseLowPass(x.data(), 3, 100, 10, 20), ZeroPhaseStatus::TooFewSamples);
    EXPECT_EQ(x, (std::vector<float>{1, 2, 3}));
    std::vector<float> y(100, 1.0f);
    EXPECT_EQ(ZeroPhaseLowPass(y.data(), y.size(), 100, 20, 20), ZeroPhaseStatus::BadFrequencies);
    EXPECT_EQ(ZeroPhaseLowPass(y.data(), y.size(), 100, 21, 20), ZeroPhaseStatus::BadFrequencies);
    EXPECT_EQ(ZeroPhaseLowPass(y.data(), y.size(), 100, 10, 50), ZeroPhaseStatus::BadFrequencies);
    EXPECT_EQ(ZeroPhaseLowPass(y.data(), y.size(), 100, 0, 10), ZeroPhaseStatus::BadFrequencies);
    EXPECT_EQ(ZeroPhaseLowPass(y.data(), y.size(), 100, 10, 10.0000001),
              ZeroPhaseStatus::OrderTooHigh);
    EXPECT_EQ(y, std::vector<float>(100, 1.0f));
}

} // namespace
} // namespace mv

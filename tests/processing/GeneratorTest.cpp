#include "processing/Generator.h"

#include "core/SignalStore.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace mv {
namespace {

TEST(Generator, DefaultTableIsFourEqualSines) {
    SignalStore store;
    GeneratorParams p;
    p.samples = 8;
    p.fs = 4000;
    ASSERT_TRUE(GenerateSignal(store, p));
    const SignalRecord& r = store[1];
    EXPECT_EQ(r.SampleCount, 8);
    EXPECT_EQ(r.f_sampl, 4000.0);
    EXPECT_TRUE(r.Plot);
    EXPECT_TRUE(r.Unsaved);
    EXPECT_EQ(r.SigName.str(), "Gener 0.sin(1..1)+0.sin(1..1)+0.sin(1..1)+0.sin(1..1)+");
    for (int i = 0; i < 8; ++i)
        EXPECT_FLOAT_EQ(r.Data[i], float(4.0 * std::sin(2.0 * std::numbers::pi * i / 4000.0)));
}

TEST(Generator, SweepNoiseAndCellTexts) {
    EXPECT_EQ(leadingNumber("12abc"), 12.0);
    EXPECT_EQ(leadingNumber("abc"), 0.0);
    EXPECT_EQ(leadingNumber("-1.5e2x"), -150.0);
    SignalStore store;
    GeneratorParams p;
    p.sigNo = 5;
    p.samples = 1000;
    p.fs = 1000;
    p.cells[0] = {"0", "100", "0", "1", "0"};
    p.cells[1] = {"0", "0", "2", "1", "0.5"}; // noise in [-1, 1) plus 0.5
    for (int k = 2; k < 4; ++k)
        p.cells[k] = {"0", "0", "0", "0", "0"};
    ASSERT_TRUE(GenerateSignal(store, p));
    // Instantaneous phase of the sweep: w(i) * i with w growing by (2 pi 0.1) / 2000.
    const double dw = 2.0 * std::numbers::pi * 0.1 / 2000.0;
    for (int i : {1, 10, 500, 999}) {
        const double sweep = std::sin(dw * i * i);
        const double noise = store[5].Data[i] - sweep - 0.5;
        EXPECT_GE(noise, -1.0 - 1e-6) << i;
        EXPECT_LT(noise, 1.0 + 1e-6) << i;
    }
    p.sigNo = 201;
    EXPECT_FALSE(GenerateSignal(store, p));
}

TEST(Generator, WorkSimulatePattern) {
    SignalStore store;
    GeneratorParams p;
    p.workSimulate = true;
    p.samples = 3000;
    ASSERT_TRUE(GenerateSignal(store, p));
    const auto& d = store[1].Data;
    EXPECT_EQ(d[0], 0.0f);
    EXPECT_EQ(d[499], 0.0f);
    EXPECT_EQ(d[500], 0.0f);
    EXPECT_EQ(d[999], 499.0f);
    EXPECT_EQ(d[1000], 499.0f);
    EXPECT_EQ(d[1499], 0.0f);
    EXPECT_EQ(d[2047], 0.0f);
    EXPECT_EQ(d[2999], 0.0f);
    // Shorter than the pattern: only what fits.
    p.samples = 700;
    ASSERT_TRUE(GenerateSignal(store, p));
    EXPECT_EQ(store[1].SampleCount, 700);
    EXPECT_EQ(store[1].Data[699], 199.0f);
}

} // namespace
} // namespace mv

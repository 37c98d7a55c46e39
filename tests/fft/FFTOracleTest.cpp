// The FFT engine's power spectrum against numpy's real FFT, and its A-weighting against
// the nominal values of IEC 61672-1.
#include "fft/FFTrec.h"
#include "support/TestSupport.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace mv {
namespace {

TEST(FFTOracle, RectanglePowerSpectrumMatchesNumpyRfft) {
    MV_REQUIRE_TOOL(test::debianPython());
    test::TempDir dir;
    const int sizes[] = {8, 64, 1024, 32768};
    std::mt19937 gen(2);
    std::normal_distribution<float> noise;
    std::vector<std::vector<double>> ours;
    std::ofstream frames(dir / "frames.f32", std::ios::binary);
    for (int n : sizes) {
        // Two frames; the second one wraps around the end of the engine's ring for the
        // largest size. Exponential averaging with count 0 keeps only the newest frame.
        std::vector<float> x(4 * n);
        for (float& v : x)
            v = noise(gen) + 0.25f;
        TFFTrec e;
        ASSERT_TRUE(e.Init({.lines = n, .fs = 1000.0, .averType = faExp, .averCnt = 0}));
        for (int piece = 0; piece < 4; ++piece)
            e.AddSamples(std::span<const float>(x).subspan(std::size_t(piece * n), std::size_t(n)));
        ours.emplace_back(e.Aver().begin(), e.Aver().begin() + n + 1);
        frames.write(reinterpret_cast<const char*>(x.data() + 2 * n),
                     static_cast<std::streamsize>(sizeof(float) * 2 * n));
    }
    frames.close();
    test::writeFile(dir / "fft.py", R"(
import sys, numpy as np
x = np.fromfile(sys.argv[1], dtype=np.float32).astype(np.float64)
out = []
pos = 0
for n in (8, 64, 1024, 32768):
    f = x[pos:pos + 2 * n]; pos += 2 * n
    X = np.fft.rfft(f)
    ps = np.abs(X) ** 2 / (2 * n) ** 2 * 2
    ps[0] /= 2
    out.append(ps)
np.concatenate(out).tofile(sys.argv[2])
)");
    const auto r =
        test::runCommand(std::string(test::debianPython()) + " " + (dir / "fft.py").string() + " " +
                         (dir / "frames.f32").string() + " " + (dir / "ps.f64").string());
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::string bytes = test::readFile(dir / "ps.f64");
    std::vector<double> ref(bytes.size() / sizeof(double));
    std::memcpy(ref.data(), bytes.data(), ref.size() * sizeof(double));
    std::size_t at = 0;
    for (std::size_t s = 0; s < ours.size(); ++s) {
        double scale = 0.0, diff = 0.0;
        for (std::size_t k = 0; k < ours[s].size(); ++k, ++at) {
            ASSERT_LT(at, ref.size());
            scale = std::max(scale, ref[at]);
            diff = std::max(diff, std::fabs(ours[s][k] - ref[at]));
        }
        EXPECT_LT(diff / scale, 1e-10) << "lines " << sizes[s] << " " << diff / scale;
    }
    EXPECT_EQ(at, ref.size());
}

// Not a tool oracle: the standard's table is the independent reference.
TEST(FFTOracle, AWeightingWithinClassOneOfTheNominalValues) {
    struct Point {
        double f, dB, plus, minus;
    };
    const Point table[] = {
        {31.5, -39.4, 1.5, 1.5},  {40, -34.6, 1.0, 1.0},   {50, -30.2, 1.0, 1.0},
        {63, -26.2, 1.0, 1.0},    {80, -22.5, 1.0, 1.0},   {100, -19.1, 1.0, 1.0},
        {125, -16.1, 1.0, 1.0},   {160, -13.4, 1.0, 1.0},  {200, -10.9, 1.0, 1.0},
        {250, -8.6, 1.0, 1.0},    {315, -6.6, 1.0, 1.0},   {400, -4.8, 1.0, 1.0},
        {500, -3.2, 1.0, 1.0},    {630, -1.9, 1.0, 1.0},   {800, -0.8, 1.0, 1.0},
        {1000, 0.0, 0.7, 0.7},    {1250, 0.6, 1.0, 1.0},   {1600, 1.0, 1.0, 1.0},
        {2000, 1.2, 1.0, 1.0},    {2500, 1.3, 1.0, 1.0},   {3150, 1.2, 1.0, 1.0},
        {4000, 1.0, 1.0, 1.0},    {5000, 0.5, 1.5, 1.5},   {6300, -0.1, 1.5, 2.0},
        {8000, -1.1, 1.5, 2.5},   {10000, -2.5, 2.0, 3.0}, {12500, -4.3, 2.0, 5.0},
        {16000, -6.6, 2.5, 16.0},
    };
    for (int i = 0; i < static_cast<int>(std::size(table)); ++i) {
        const Point& p = table[i];
        // Exact base-ten band centre, placed on line 1000.
        const double f = 1000.0 * std::pow(10.0, (i - 15) / 10.0);
        const int lines = 2048;
        TFFTrec e;
        ASSERT_TRUE(e.Init({.lines = lines, .fs = f * 2.0 * lines / 1000.0, .weighting = fwtA}));
        const double dB = 10.0 * std::log10(e.Weight()[1000] / 2.0);
        EXPECT_LE(dB, p.dB + p.plus) << p.f;
        EXPECT_GE(dB, p.dB - p.minus) << p.f;
        EXPECT_NEAR(dB, p.dB, 0.1) << p.f; // the nominal values are rounded to 0.1 dB
    }
}

} // namespace
} // namespace mv

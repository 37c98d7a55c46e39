// Filter design, the recurrence and least squares against scipy / numpy.
#include "processing/MV_mkfilter.h"
#include "processing/Matrix.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <vector>

namespace mv {
namespace {

using test::TempDir;

// Runs a python snippet on an input text file; returns its output as rows of numbers.
std::vector<std::vector<double>> python(const std::string& script, const std::string& input) {
    TempDir dir;
    test::writeFile(dir / "oracle.py", script);
    test::writeFile(dir / "in.txt", input);
    const auto r = test::runCommand(std::string(test::debianPython()) + " " +
                                    (dir / "oracle.py").string() + " " + (dir / "in.txt").string());
    EXPECT_EQ(r.exitCode, 0) << r.out;
    std::vector<std::vector<double>> rows;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::vector<double> row;
        double v;
        while (in >> v)
            row.push_back(v);
        rows.push_back(row);
    }
    return rows;
}

std::string full(double v) {
    std::ostringstream o;
    o.precision(17);
    o << v;
    return o.str();
}

// Largest difference relative to the largest magnitude of the reference.
double relError(const std::vector<double>& ours, const std::vector<double>& ref) {
    double scale = 0.0, diff = 0.0;
    for (std::size_t i = 0; i < ref.size(); ++i) {
        scale = std::max(scale, std::fabs(ref[i]));
        diff = std::max(diff, std::fabs(ours[i] - ref[i]));
    }
    return diff / scale;
}

// b and a of H(z) in powers of z^-1, as scipy writes them.
void transferFunction(const TIirFilter& f, int n, std::vector<double>& b, std::vector<double>& a) {
    b.assign(n + 1, 0.0);
    a.assign(n + 1, 0.0);
    a[0] = 1.0;
    for (int d = 0; d <= n; ++d)
        b[d] = f.XCoef[n - d] / f.Gain;
    for (int d = 1; d <= n; ++d)
        a[d] = -f.YCoef[n - d];
}

TEST(Oracle, ButterworthDesignMatchesScipy) {
    MV_REQUIRE_TOOL(test::debianPython());
    const double alphas[] = {0.001, 0.002, 0.003, 0.005, 0.02, 0.1, 0.2, 0.3, 0.45};
    std::string input;
    for (int kind = 0; kind < 2; ++kind)
        for (int n = 1; n <= 8; ++n)
            for (double alpha : alphas)
                input += std::to_string(kind) + " " + std::to_string(n) + " " + full(alpha) + "\n";
    const auto rows = python(R"(
import sys, scipy.signal as ss
for line in open(sys.argv[1]):
    kind, n, alpha = line.split()
    b, a = ss.butter(int(n), 2 * float(alpha), btype='low' if kind == '0' else 'high')
    # Condition of the pass-band gain: how much the rounding of a moves it. At low corners
    # the terms of a nearly cancel there, and the scale of b (tied to the gain of the
    # coefficients that run) can only agree with scipy's to that extent.
    z = 1 if kind == '0' else -1
    kappa = sum(abs(v) for v in a) / abs(sum(v * z ** d for d, v in enumerate(a)))
    print(' '.join(repr(float(v)) for v in list(b) + list(a) + [kappa]))
)",
                             input);
    std::size_t row = 0;
    for (int kind = 0; kind < 2; ++kind)
        for (int n = 1; n <= 8; ++n)
            for (double alpha : alphas) {
                SCOPED_TRACE(testing::Message()
                             << (kind ? "high" : "low") << " n=" << n << " alpha=" << alpha);
                ASSERT_LT(row, rows.size());
                const auto& ref = rows[row++];
                ASSERT_EQ(ref.size(), std::size_t(2 * (n + 1) + 1));
                const double kappa = ref.back();
                TIirFilter f;
                ASSERT_TRUE(
                    DesignIirFilter(kind ? IirKind::HighPass : IirKind::LowPass, n, alpha, f).ok);
                std::vector<double> b, a;
                transferFunction(f, n, b, a);
                // Where rounding alone moves the gain by a percent (order 8 at 0.001) the
                // direct form is not a usable filter, and b has no scale to compare.
                const double bTol = std::max(1e-9, 4e-16 * kappa);
                if (bTol < 1e-2) {
                    EXPECT_LT(relError(b, {ref.begin(), ref.begin() + n + 1}), bTol);
                }
                EXPECT_LT(relError(a, {ref.begin() + n + 1, ref.end() - 1}), 1e-9);
            }
}

// The pass-band gain of the coefficients the recurrence runs, in exact rational
// arithmetic: a low pass passes a constant, a high pass an alternating input, at exactly
// 1. Low corners are where the gain from the roots and the expanded coefficients part.
TEST(Oracle, RunningCoefficientsHaveUnitPassBandGain) {
    MV_REQUIRE_TOOL(test::debianPython());
    std::string input;
    for (int kind = 0; kind < 2; ++kind)
        for (int n = 1; n <= 8; ++n)
            for (double alpha : {0.001, 0.002, 0.003, 0.004, 0.005, 0.05}) {
                TIirFilter f;
                EXPECT_TRUE(
                    DesignIirFilter(kind ? IirKind::HighPass : IirKind::LowPass, n, alpha, f).ok);
                std::vector<double> b, a;
                transferFunction(f, n, b, a);
                input += std::to_string(kind) + " " + full(f.Gain);
                for (int k = 0; k <= n; ++k)
                    input += " " + full(f.XCoef[std::size_t(k)]) + " " + full(a[std::size_t(k)]);
                input += "\n";
            }
    const auto rows = python(R"(
import sys
from fractions import Fraction as F
for line in open(sys.argv[1]):
    v = line.split()
    z = 1 if v[0] == '0' else -1
    gain = F(float(v[1]))
    x = [F(float(t)) for t in v[2::2]]  # XCoef[0..n]: z^0 .. z^n
    a = [F(float(t)) for t in v[3::2]]  # a[0..n]: z^-0 .. z^-n
    n = len(x) - 1
    num = sum(x[k] * F(z) ** (n - k) for k in range(n + 1)) / gain
    den = sum(a[d] * F(z) ** d for d in range(n + 1))
    print(repr(float(abs(num / den) - 1)))
)",
                             input);
    ASSERT_EQ(rows.size(), std::size_t(2 * 8 * 6));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 1u);
        EXPECT_LT(std::fabs(rows[i][0]), 1e-12) << "case " << i;
    }
}

TEST(Oracle, RecurrenceMatchesLfilterOnRandomInput) {
    MV_REQUIRE_TOOL(test::debianPython());
    std::mt19937 gen(5);
    std::normal_distribution<double> noise;
    struct Run {
        IirKind kind;
        int n;
        double alpha;
    };
    const Run runs[] = {{IirKind::LowPass, 8, 0.02},
                        {IirKind::HighPass, 5, 0.1},
                        {IirKind::LowPass, 2, 0.3},
                        {IirKind::HighPass, 1, 0.0005}};
    std::string input;
    std::vector<std::vector<double>> outputs;
    for (const Run& r : runs) {
        TIirFilter f;
        ASSERT_TRUE(DesignIirFilter(r.kind, r.n, r.alpha, f).ok);
        std::vector<double> b, a, y;
        transferFunction(f, r.n, b, a);
        std::ostringstream line;
        line.precision(17);
        line << r.n;
        for (double v : b)
            line << " " << v;
        for (double v : a)
            line << " " << v;
        for (int i = 0; i < 3000; ++i) {
            const double x = noise(gen);
            line << " " << x;
            y.push_back(RunIirSample(f, x));
        }
        input += line.str() + "\n";
        outputs.push_back(y);
    }
    const auto rows = python(R"(
import sys, numpy as np, scipy.signal as ss
for line in open(sys.argv[1]):
    v = [float(t) for t in line.split()]
    n = int(v[0]); b = v[1:n + 2]; a = v[n + 2:2 * n + 3]; x = np.array(v[2 * n + 3:])
    print(' '.join(repr(float(t)) for t in ss.lfilter(b, a, x)))
    ld = np.longdouble
    exact = ss.lfilter(np.array(b, dtype=ld), np.array(a, dtype=ld), x.astype(ld))
    print(' '.join(repr(float(t)) for t in exact))
)",
                             input);
    // An order-8 direct form with its poles close to z = 1 amplifies rounding; both runs are
    // held against scipy in extended precision, and ours may not be worse than scipy's own
    // double-precision run (nor than 1e-9).
    ASSERT_EQ(rows.size(), 2 * outputs.size());
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto& scipy64 = rows[2 * i];
        const auto& exact = rows[2 * i + 1];
        const double scipyError = relError(scipy64, exact);
        EXPECT_LT(relError(outputs[i], exact), std::max(1e-9, 4.0 * scipyError))
            << "run " << i << ": scipy's own error " << scipyError;
        EXPECT_LT(relError(outputs[i], scipy64), 1e-6) << "run " << i;
    }
}

TEST(Oracle, NormalEquationsMatchLstsq) {
    MV_REQUIRE_TOOL(test::debianPython());
    std::mt19937 gen(9);
    std::normal_distribution<double> noise;
    const int rows = 60, cols = 5;
    TMatrix a(rows, cols), y(rows, 1);
    std::ostringstream in;
    in.precision(17);
    in << rows << " " << cols;
    for (int i = 1; i <= rows; ++i)
        for (int j = 1; j <= cols; ++j) {
            a(i, j) = j == cols ? 1.0 : noise(gen);
            in << " " << a(i, j);
        }
    for (int i = 1; i <= rows; ++i) {
        y(i, 1) = 2.0 * a(i, 1) - 0.5 * a(i, 3) + 0.1 * noise(gen) + 3.0;
        in << " " << y(i, 1);
    }
    in << "\n";
    const auto ref = python(R"(
import sys, numpy as np
v = [float(t) for t in open(sys.argv[1]).read().split()]
r, c = int(v[0]), int(v[1])
A = np.array(v[2:2 + r * c]).reshape(r, c); y = np.array(v[2 + r * c:])
print(' '.join(repr(float(t)) for t in np.linalg.lstsq(A, y, rcond=None)[0]))
)",
                            in.str());
    ASSERT_EQ(ref.size(), 1u);
    TMatrix p;
    ASSERT_TRUE(LeastSquaresSolver(a, p));
    TMatrix x = p.Clone();
    ASSERT_TRUE(x.Mul(y));
    std::vector<double> ours;
    for (int j = 1; j <= cols; ++j)
        ours.push_back(x(j, 1));
    EXPECT_LT(relError(ours, ref[0]), 1e-9);
}

} // namespace
} // namespace mv

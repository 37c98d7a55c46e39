#include "processing/MV_mkfilter.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace mv {

namespace {

// Complex arithmetic written out, so the quotient is exactly the textbook formula
// (std::complex may rescale to avoid overflow, which changes the last digits).
struct Cx {
    double re = 0.0, im = 0.0;
};
Cx operator+(Cx a, Cx b) {
    return {a.re + b.re, a.im + b.im};
}
Cx operator-(Cx a, Cx b) {
    return {a.re - b.re, a.im - b.im};
}
Cx operator*(Cx a, Cx b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
Cx operator/(Cx a, Cx b) {
    const double d = b.re * b.re + b.im * b.im;
    return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}
Cx operator-(Cx a) {
    return {-a.re, -a.im};
}
Cx expj(double theta) {
    return {std::cos(theta), std::sin(theta)};
}

// c[0..n] of prod(z - root), c[k] multiplying z^k.
std::vector<Cx> expand(const std::vector<Cx>& roots, int n) {
    std::vector<Cx> c(static_cast<std::size_t>(n) + 1);
    c[0] = {1.0, 0.0};
    for (const Cx w : roots) {
        for (int k = n; k >= 1; --k)
            c[k] = (-w) * c[k] + c[k - 1];
        c[0] = (-w) * c[0];
    }
    return c;
}

// Value of the monic polynomial with these roots at z, as the product of (z - root).
// Used for the centre gain only; the pass-band gain must come from the coefficients the
// recurrence runs, or a constant input settles beside 1 (see runningGain).
Cx evaluate(const std::vector<Cx>& roots, Cx z) {
    Cx prod{1.0, 0.0};
    for (const Cx r : roots)
        prod = prod * (z - r);
    return prod;
}

// Sum of doubles as if added in twice the working precision (cascaded error-free
// additions): with poles crowding z = 1 the coefficients nearly cancel, and a plain sum
// loses most digits of the small result.
double accurateSum(const double* v, int count) {
    double s = 0.0, err = 0.0;
    for (int i = 0; i < count; ++i) {
        const double t = s + v[i];
        const double bp = t - s;
        err += (s - (t - bp)) + (v[i] - bp);
        s = t;
    }
    return s + err;
}

// Gain of the recurrence with these coefficients at z = 1 (sign +1) or z = -1 (sign -1):
// the value a steady input (constant or alternating) is multiplied by, before the
// division by Gain.
double runningGain(const TIirFilter& f, int n, double sign) {
    double num[kIirMaxOrder + 1], den[kIirMaxOrder + 1];
    double w = 1.0;
    for (int k = n; k >= 0; --k) { // powers of z^-1: the newest sample has sign^0
        num[k] = w * f.XCoef[k];
        den[k] = k == n ? 1.0 : -w * f.YCoef[k]; // the output side: 1 - sum YCoef[k] z^-(n-k)
        w *= sign;
    }
    return accurateSum(num, n + 1) / accurateSum(den, n + 1);
}

// First coefficient with a visible imaginary part, or -1.
int nonRealCoefficient(const std::vector<Cx>& c) {
    for (std::size_t k = 0; k < c.size(); ++k)
        if (std::fabs(c[k].im) > 1e-10)
            return static_cast<int>(k);
    return -1;
}

} // namespace

IirDesignResult DesignIirFilter(IirKind kind, int n, double alpha, TIirFilter& f) {
    if (alpha == 0.0)
        return {};
    if (n < 1 || n > kIirMaxOrder)
        return {false, "filter order " + std::to_string(n) + " is not in 1..8"};
    constexpr double pi = std::numbers::pi;
    const double rawAlpha = alpha;

    std::vector<Cx> sPoles, sZeros;
    for (int i = 0; i < 2 * n; ++i) {
        const double theta = (n % 2 == 1) ? i * pi / n : (i + 0.5) * pi / n;
        const Cx p = expj(theta);
        if (p.re < 0.0)
            sPoles.push_back(p);
    }

    const double warped = std::tan(pi * rawAlpha) / pi;
    const Cx w{2.0 * pi * warped, 0.0};
    if (kind == IirKind::LowPass) {
        for (Cx& p : sPoles)
            p = w * p;
    } else {
        for (Cx& p : sPoles)
            p = w / p;
        sZeros.assign(static_cast<std::size_t>(n), Cx{});
    }

    const Cx two{2.0, 0.0};
    std::vector<Cx> zPoles, zZeros;
    for (const Cx s : sPoles)
        zPoles.push_back((two + s) / (two - s));
    for (const Cx s : sZeros)
        zZeros.push_back((two + s) / (two - s));
    while (zZeros.size() < zPoles.size())
        zZeros.push_back({-1.0, 0.0});

    const std::vector<Cx> num = expand(zZeros, n);
    const std::vector<Cx> den = expand(zPoles, n);
    for (const auto* poly : {&num, &den}) {
        const int k = nonRealCoefficient(*poly);
        if (k >= 0) {
            char msg[128];
            std::snprintf(msg, sizeof msg,
                          "mkfilter: coeff of z^%d is not real; poles/zeros are not complex "
                          "conjugates\\n",
                          k);
            return {false, msg};
        }
    }

    // The centre gain is part of the classical design; no caller uses it.
    [[maybe_unused]] const Cx fcGain = evaluate(zZeros, expj(pi * (rawAlpha + rawAlpha))) /
                                       evaluate(zPoles, expj(pi * (rawAlpha + rawAlpha)));

    f.XCoef.fill(0.0);
    f.YCoef.fill(0.0);
    const double top = den[static_cast<std::size_t>(n)].re;
    for (int k = 0; k <= n; ++k) {
        f.XCoef[k] = num[k].re / top;
        f.YCoef[k] = -(den[k].re / top);
    }
    f.Gain = std::fabs(runningGain(f, n, kind == IirKind::LowPass ? 1.0 : -1.0));
    f.Order = n;
    return {};
}

namespace {

// The recurrence with the histories held in locals; the feed-forward terms are summed
// first and the feedback terms oldest first, so the newest output enters last and the
// chain from one output to the next is one multiply and one add.
template <int N>
void runFixed(TIirFilter& f, float* s, std::size_t count) {
    double xc[N + 1], yc[N], xh[N + 1], yh[N + 1];
    for (int k = 0; k <= N; ++k) {
        xc[k] = f.XCoef[k];
        xh[k] = f.XHist[k];
        yh[k] = f.YHist[k];
    }
    for (int k = 0; k < N; ++k)
        yc[k] = f.YCoef[k];
    const double gain = f.Gain;
    for (std::size_t i = 0; i < count; ++i) {
#pragma GCC unroll 8
        for (int k = 0; k < N; ++k) {
            xh[k] = xh[k + 1];
            yh[k] = yh[k + 1];
        }
        xh[N] = double(s[i]) / gain;
        double acc = xc[0] * xh[0];
#pragma GCC unroll 8
        for (int k = 1; k <= N; ++k)
            acc += xc[k] * xh[k];
#pragma GCC unroll 8
        for (int k = 0; k < N; ++k)
            acc += yc[k] * yh[k];
        yh[N] = acc;
        s[i] = static_cast<float>(acc);
    }
    for (int k = 0; k <= N; ++k) {
        f.XHist[k] = xh[k];
        f.YHist[k] = yh[k];
    }
}

} // namespace

double RunIirSample(TIirFilter& f, double x) {
    const int n = f.Order;
    if (n < 1 || n > kIirMaxOrder)
        return x; // never designed: the signal passes unchanged
    for (int k = 0; k < n; ++k) {
        f.XHist[k] = f.XHist[k + 1];
        f.YHist[k] = f.YHist[k + 1];
    }
    f.XHist[n] = x / f.Gain;
    double acc = f.XCoef[0] * f.XHist[0];
    for (int k = 1; k <= n; ++k)
        acc += f.XCoef[k] * f.XHist[k];
    for (int k = 0; k < n; ++k)
        acc += f.YCoef[k] * f.YHist[k];
    f.YHist[n] = acc;
    return acc;
}

void RunIirSpan(TIirFilter& f, std::span<float> samples) {
    float* s = samples.data();
    const std::size_t c = samples.size();
    switch (f.Order) {
    case 1:
        runFixed<1>(f, s, c);
        break;
    case 2:
        runFixed<2>(f, s, c);
        break;
    case 3:
        runFixed<3>(f, s, c);
        break;
    case 4:
        runFixed<4>(f, s, c);
        break;
    case 5:
        runFixed<5>(f, s, c);
        break;
    case 6:
        runFixed<6>(f, s, c);
        break;
    case 7:
        runFixed<7>(f, s, c);
        break;
    case 8:
        runFixed<8>(f, s, c);
        break;
    default:
        break; // never designed: unchanged
    }
}

} // namespace mv

#include "processing/ZeroPhase.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mv {

namespace {

constexpr double pi = std::numbers::pi;
// Orders beyond this come only from a transition band of a fraction of a per mille;
// they would cost minutes per window and give nothing a user could want.
constexpr int kMaxOrder = 1000;

struct LineFit {
    double a = 0.0, a1 = 0.0; // the line at index 0 and at index 1
};

// Least-squares line through (i, v(i)), i = 0..m-1.
template <class Get>
LineFit fitLine(std::size_t n, Get v) {
    const int m = n >= 5 ? 5 : (n >= 3 ? static_cast<int>(n / 2) : 1);
    double sy = 0.0, siy = 0.0;
    for (int i = 0; i < m; ++i) {
        sy += v(i);
        siy += i * v(i);
    }
    const double si = m * (m - 1) / 2.0;
    const double sii = m * (m - 1) * (2.0 * m - 1) / 6.0;
    const double d = m * sii - si * si;
    const double a = (sii * sy - si * siy) / d;
    const double b = (m * siy - si * sy) / d;
    return {a, a + b};
}

// One forward pass of section j, after the previous section has finished.
void sectionPass(double* y, std::size_t n, double g, double a1, double a2) {
    const LineFit f = fitLine(n, [y](int i) { return y[i]; });
    y[0] = f.a;
    y[1] = f.a1;
    for (std::size_t k = 2; k < n; ++k)
        y[k] = g * y[k] - a1 * y[k - 1] - a2 * y[k - 2];
}

void forwardReference(double* y, std::size_t n, const ZeroPhaseDesign& d) {
    for (int j = 0; j < d.sections(); ++j)
        sectionPass(y, n, d.gain, d.a1[j], d.a2[j]);
}

// Section j works on sample k = t - kLag * j in round t. Each section reads only what the
// one before it wrote kLag rounds earlier, so all sections of one round are independent
// and the processor overlaps their recurrences; every value gets exactly the operations
// of the section-by-section pass.
constexpr std::size_t kLag = 3;

void forwardInterleaved(double* y, std::size_t n, const ZeroPhaseDesign& d) {
    const int m = d.sections();
    const std::size_t span = kLag * static_cast<std::size_t>(m - 1);
    if (n < span + 8) {
        forwardReference(y, n, d);
        return;
    }
    const double g = d.gain;
    const double* a1 = d.a1.data();
    const double* a2 = d.a2.data();
    // One step of section j at sample k, with its start-up at k = 1.
    auto step = [&](int j, std::size_t k) {
        if (k == 1) {
            const LineFit f = fitLine(n, [y](int i) { return y[i]; });
            y[0] = f.a;
            y[1] = f.a1;
        } else if (k >= 2) {
            y[k] = g * y[k] - a1[j] * y[k - 1] - a2[j] * y[k - 2];
        }
    };
    const std::size_t tEnd = n - 1 + span; // last round
    // Rounds in which some section is still starting up.
    const std::size_t steadyFrom = span + 2;
    for (std::size_t t = 1; t < steadyFrom; ++t)
        for (int j = 0; j < m; ++j)
            if (t >= kLag * j)
                step(j, t - kLag * j);
    // Steady rounds: every section is inside the window.
    // Four rounds at a time: section j's samples of these rounds need only what section
    // j - 1 wrote in them or before, and section j + 1 reads them only afterwards (it lags
    // three samples), so each section may take all four before the next one and keep its
    // outputs in registers.
    std::size_t t = steadyFrom;
    for (; t + 3 < n; t += 4) {
        std::size_t k = t;
        for (int j = 0; j < m; ++j, k -= kLag) {
            const double c1 = a1[j], c2 = a2[j];
            const double p1 = y[k - 1], p2 = y[k - 2];
            const double v0 = g * y[k] - c1 * p1 - c2 * p2;
            const double v1 = g * y[k + 1] - c1 * v0 - c2 * p1;
            const double v2 = g * y[k + 2] - c1 * v1 - c2 * v0;
            const double v3 = g * y[k + 3] - c1 * v2 - c2 * v1;
            y[k] = v0;
            y[k + 1] = v1;
            y[k + 2] = v2;
            y[k + 3] = v3;
        }
    }
    for (; t < n; ++t) {
        std::size_t k = t;
        for (int j = 0; j < m; ++j, k -= kLag)
            y[k] = g * y[k] - a1[j] * y[k - 1] - a2[j] * y[k - 2];
    }
    // The later sections finish the window.
    for (std::size_t t = std::max(n, steadyFrom); t <= tEnd; ++t)
        for (int j = 0; j < m; ++j) {
            const std::size_t lag = kLag * j;
            if (t >= lag && t - lag < n)
                step(j, t - lag);
        }
}

template <class Forward>
void forwardBackward(double* y, std::size_t n, const ZeroPhaseDesign& d, Forward forward) {
    forward(y, n, d);
    // The backward cascade is the forward one on the window read from its end.
    std::reverse(y, y + n);
    forward(y, n, d);
    std::reverse(y, y + n);
}

} // namespace

ZeroPhaseDesign DesignZeroPhase(double fs, double fPass, double fStop) {
    ZeroPhaseDesign d;
    if (!(fs > 0.0) || !(fPass > 0.0) || !(fPass < fStop) || !(fStop < fs / 2.0))
        return d;
    const double eps = 0.1, delta = 0.1;
    const double num = 0.5 * std::log10(eps * eps * delta * delta / (1.0 - delta * delta));
    const double den = std::log10(std::fabs(std::sin(pi * fPass / fs) / std::sin(pi * fStop / fs)));
    const double nReal = std::ceil(num / den);
    if (!(nReal <= kMaxOrder)) {
        d.order = kMaxOrder + 1; // marks "too high"
        return d;
    }
    int n = static_cast<int>(nReal);
    if (n % 2 != 0)
        ++n;
    if (n < 2)
        n = 2;
    d.order = n;
    d.fc = fs / pi * std::asin(std::sin(pi * fPass / fs) / std::pow(0.1, 1.0 / n));
    const int m = n / 2;
    const double s = std::sin(pi * d.fc / fs);
    d.a1.resize(static_cast<std::size_t>(m));
    d.a2.resize(static_cast<std::size_t>(m));
    double prod = 1.0;
    for (int j = 0; j < m; ++j) {
        const double q = std::sin((j + 0.5) * pi / m);
        const double v = 1.0 - s * s, w = s * q;
        const double a = (std::sqrt(v * v + 4.0 * w * w) - v) / 2.0;
        const double c = std::sqrt(a + 1.0) + std::sqrt(a);
        d.a1[j] = -2.0 / (c * c) * (2.0 * w * w / a - 1.0);
        d.a2[j] = 1.0 / (c * c * c * c);
        prod *= 1.0 + d.a1[j] + d.a2[j];
    }
    d.gain = std::pow(prod, 1.0 / m);
    return d;
}

ZeroPhaseStatus ZeroPhaseLowPass(float* samples, std::size_t n, double fs, double fPass,
                                 double fStop) {
    if (n < 4)
        return ZeroPhaseStatus::TooFewSamples;
    const ZeroPhaseDesign d = DesignZeroPhase(fs, fPass, fStop);
    if (d.order == 0)
        return ZeroPhaseStatus::BadFrequencies;
    if (d.order > kMaxOrder)
        return ZeroPhaseStatus::OrderTooHigh;
    std::vector<double> y(samples, samples + n);
    detail::zeroPhaseInterleaved(y.data(), n, d);
    for (std::size_t k = 0; k < n; ++k)
        samples[k] = static_cast<float>(y[k]);
    return ZeroPhaseStatus::Ok;
}

const char* zeroPhaseStatusText(ZeroPhaseStatus s) {
    switch (s) {
    case ZeroPhaseStatus::Ok:
        return "ok";
    case ZeroPhaseStatus::TooFewSamples:
        return "the window holds fewer than 4 samples";
    case ZeroPhaseStatus::BadFrequencies:
        return "the frequencies must satisfy 0 < pass < stop < half the sampling frequency";
    case ZeroPhaseStatus::OrderTooHigh:
        return "the transition band is too narrow";
    }
    return "";
}

namespace detail {
void zeroPhaseReference(double* y, std::size_t n, const ZeroPhaseDesign& d) {
    forwardBackward(y, n, d, forwardReference);
}
void zeroPhaseInterleaved(double* y, std::size_t n, const ZeroPhaseDesign& d) {
    forwardBackward(y, n, d, forwardInterleaved);
}
} // namespace detail

} // namespace mv

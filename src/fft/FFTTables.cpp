#include "fft/FFTTables.h"

#include <array>
#include <cmath>
#include <numbers>

namespace mv {

namespace {

FFTTableSet buildSet(int m) {
    FFTTableSet t;
    t.size = m;
    while ((1 << t.stages) < m)
        ++t.stages;
    t.bitRev.resize(static_cast<std::size_t>(m));
    for (int i = 0; i < m; ++i) {
        int r = 0;
        for (int b = 0; b < t.stages; ++b)
            if (i & (1 << b))
                r |= 1 << (t.stages - 1 - b);
        t.bitRev[i] = r;
    }
    const double pi = std::numbers::pi;
    t.sinTab.resize(static_cast<std::size_t>(m / 2));
    t.cosTab.resize(static_cast<std::size_t>(m / 2));
    for (int j = 0; j < m / 2; ++j) {
        t.sinTab[j] = std::sin(2.0 * pi * j / m);
        t.cosTab[j] = std::cos(2.0 * pi * j / m);
    }
    t.stageCos.resize(static_cast<std::size_t>(m - 1));
    t.stageSin.resize(static_cast<std::size_t>(m - 1));
    for (int h = 1; h <= m / 2; h *= 2)
        for (int j = 0; j < h; ++j) {
            t.stageCos[h - 1 + j] = t.cosTab[j * (m / (2 * h))];
            t.stageSin[h - 1 + j] = t.sinTab[j * (m / (2 * h))];
        }
    // The split factors come by rotation, one step of pi / M at a time.
    t.splitSin.resize(static_cast<std::size_t>(m / 2 + 1));
    t.splitCos.resize(static_cast<std::size_t>(m / 2 + 1));
    const double cs = std::cos(pi / m), sn = std::sin(pi / m);
    double s = 0.0, c = 1.0;
    for (int j = 0; j <= m / 2; ++j) {
        t.splitSin[j] = s;
        t.splitCos[j] = c;
        const double ns = s * cs + c * sn;
        const double nc = c * cs - s * sn;
        s = ns;
        c = nc;
    }
    return t;
}

const std::array<FFTTableSet, kFFTSizeCount>& allSets() {
    static const std::array<FFTTableSet, kFFTSizeCount> sets = [] {
        std::array<FFTTableSet, kFFTSizeCount> a;
        for (int i = 0; i < kFFTSizeCount; ++i)
            a[i] = buildSet(kFFTMinSize << i);
        return a;
    }();
    return sets;
}

} // namespace

const FFTTableSet* FFTTables(int size) {
    for (const auto& s : allSets())
        if (s.size == size)
            return &s;
    return nullptr;
}

} // namespace mv

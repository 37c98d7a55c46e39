#pragma once
// A designed track run at constant speed: straights, transition curves (curvature
// linear in distance) and curves, sampled as the vehicle measures them.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace mv::test {

struct DesignElement {
    double length; // m
    char kind;     // 'G' straight, 'P' transition, 'R' curve
    double radius; // m, signed, for 'R'
};

struct TrackRun {
    std::vector<float> speed, curve, km; // km/h, 1/km, km
    std::vector<double> bounds;          // element boundaries [km]
};

inline double curvatureOf(const DesignElement& e) {
    return e.kind == 'R' ? 1000.0 / e.radius : 0.0;
}

// `noise` adds a deterministic pseudo-random curvature noise of about that amplitude
// [1/km]; `blip` adds a short bump of curvature `blipPeak` at `blipAt` metres.
inline TrackRun runTrack(const std::vector<DesignElement>& design, double startKm, double kmh,
                         double fs, double noise = 0.0, double blipAt = -1.0, double blipPeak = 0.0,
                         bool decreasing = false) {
    TrackRun r;
    double total = 0.0;
    for (const auto& e : design)
        total += e.length;
    const double ds = kmh / 3.6 / fs;
    const auto n = static_cast<std::int64_t>(total / ds);
    std::uint32_t seed = 12345;
    const auto rnd = [&seed]() {
        seed = seed * 1664525U + 1013904223U;
        return static_cast<double>(seed >> 8) / static_cast<double>(1U << 24) - 0.5;
    };
    double at = 0.0;
    r.bounds.push_back(startKm);
    for (const auto& e : design) {
        at += e.length;
        r.bounds.push_back(startKm + (decreasing ? -at : at) / 1000.0);
    }
    for (std::int64_t i = 0; i < n; ++i) {
        const double s = static_cast<double>(i) * ds;
        double c = 0.0, a = 0.0;
        for (size_t k = 0; k < design.size(); ++k) {
            const auto& e = design[k];
            if (s < a + e.length || k + 1 == design.size()) {
                if (e.kind == 'P') {
                    const double c0 = k > 0 ? curvatureOf(design[k - 1]) : 0.0;
                    const double c1 = k + 1 < design.size() ? curvatureOf(design[k + 1]) : 0.0;
                    c = c0 + (c1 - c0) * (s - a) / e.length;
                } else {
                    c = curvatureOf(e);
                }
                break;
            }
            a += e.length;
        }
        if (blipAt >= 0.0 && std::fabs(s - blipAt) < 15.0)
            c += blipPeak * std::cos((s - blipAt) / 15.0 * 1.5707963);
        c += noise * rnd();
        r.speed.push_back(static_cast<float>(kmh + 0.5 * rnd()));
        r.curve.push_back(static_cast<float>(c));
        r.km.push_back(static_cast<float>(startKm + (decreasing ? -s : s) / 1000.0));
    }
    return r;
}

// A track used by several tests: straight, a right curve of 600 m, straight, a left curve
// of 900 m, straight, each curve between transitions.
inline std::vector<DesignElement> mixedTrack() {
    return {{300, 'G', 0}, {80, 'P', 0},     {400, 'R', 600}, {80, 'P', 0}, {300, 'G', 0},
            {60, 'P', 0},  {350, 'R', -900}, {60, 'P', 0},    {400, 'G', 0}};
}

} // namespace mv::test

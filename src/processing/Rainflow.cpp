#include "processing/Rainflow.h"

#include <cmath>
#include <iterator>
#include <numeric>

namespace mv {

std::int64_t CountMatrix::total() const {
    return std::accumulate(c_.begin(), c_.end(), std::int64_t{0});
}

RainflowList ExtractTurningPoints(std::span<const float> window, double h) {
    RainflowList list;
    if (window.empty())
        return list;
    const size_t n = window.size();
    const double r = window[0];
    list.push_back({r, RainflowKind::Valley});
    // The last sample is the tail and takes no part in the search, so an extreme that
    // is still running when the window ends is never confirmed.
    size_t k = 0;
    int direction = 0; // +1 rising, -1 falling
    double lo = 0.0, hi = 0.0;
    for (; k + 1 < n; ++k) {
        const double s = window[k];
        if (s < r - h) {
            direction = -1;
            lo = s;
            break;
        }
        if (s > r + h) {
            direction = 1;
            hi = s;
            break;
        }
    }
    if (direction != 0) {
        list.front().Kind = direction > 0 ? RainflowKind::Valley : RainflowKind::Peak;
        for (; k + 1 < n; ++k) {
            const double s = window[k];
            if (direction > 0) {
                if (s > hi) {
                    hi = s;
                } else if (s < hi - h) {
                    list.push_back({hi, RainflowKind::Peak});
                    direction = -1;
                    lo = s;
                }
            } else {
                if (s < lo) {
                    lo = s;
                } else if (s > lo + h) {
                    list.push_back({lo, RainflowKind::Valley});
                    direction = 1;
                    hi = s;
                }
            }
        }
    }
    const double last = window[n - 1];
    list.push_back({last, last >= list.back().Value ? RainflowKind::Peak : RainflowKind::Valley});
    return list;
}

bool CountHalfCycle(double a, double b, const RainflowParams& p, CountMatrix& m, Log& log) {
    const double mean = (a + b) / 2.0;
    const double range = std::abs(a - b);
    // In double throughout: a value outside the classes, or one that is not a number,
    // must never reach an integer conversion.
    const double ci = static_cast<double>(p.nM) * mean / p.Em + static_cast<double>(p.nM) / 2.0;
    const double cj = static_cast<double>(p.nA - 1) * range / p.Ea + 1.0;
    const bool inside = ci > -1.0 && ci < static_cast<double>(p.nM) && cj >= 0.0 &&
                        cj < static_cast<double>(p.nA) && ci < static_cast<double>(m.rows()) &&
                        cj < static_cast<double>(m.cols());
    if (!inside) {
        log.add(kWrongParameters, true);
        return false;
    }
    ++m.at(static_cast<int>(std::trunc(ci)), static_cast<int>(std::trunc(cj)));
    return true;
}

namespace {

// The counting pass. H is the head (the start of the current flow), X the extreme the
// flow has reached so far, N runs through the nodes after H. `count` returns false to
// stop the pass.
template <class Count>
bool countingPass(RainflowList& list, Count&& count) {
    using K = RainflowKind;
    while (list.size() > 1) {
        const auto H = list.begin();
        const bool fromValley = H->Kind == K::Valley;
        const bool fromPeak = H->Kind == K::Peak; // a marker at the head starts no flow
        auto X = H;
        auto N = std::next(H);
        for (;;) {
            if (std::next(N) == list.end()) {
                if (X == H)
                    X = std::next(H);
                if (!count(H->Value, X->Value)) {
                    list.clear();
                    return false;
                }
                list.erase(H);
                break;
            }
            // A new extreme: the flow drips off X onto the path towards N, at X's level.
            if ((fromValley && N->Kind == K::Peak && N->Value > X->Value) ||
                (fromPeak && N->Kind == K::Valley && N->Value < X->Value)) {
                if (std::next(X) != N)
                    list.insert(N, {X->Value, K::Marker});
                X = N;
                N = std::next(N);
                continue;
            }
            // The flow meets the level where an earlier flow dripped off.
            if (N->Kind == K::Marker &&
                ((fromValley && N->Value >= X->Value) || (fromPeak && N->Value <= X->Value))) {
                if (!count(H->Value, N->Value)) {
                    list.clear();
                    return false;
                }
                if (std::next(X) == N) {
                    list.erase(N);
                } else {
                    // The flow passed a reversal before meeting N: what continues
                    // from here drips off at X's level, so the marker moves there.
                    N->Value = X->Value;
                }
                list.erase(H);
                break;
            }
            // The path falls below (rises above) the flow's start: the flow ends at X.
            if ((fromValley && N->Value < H->Value) || (fromPeak && N->Value > H->Value)) {
                if (!count(H->Value, X->Value)) {
                    list.clear();
                    return false;
                }
                list.erase(H);
                break;
            }
            N = std::next(N);
        }
    }
    list.clear();
    return true;
}

} // namespace

bool RainflowCount(RainflowList& list, const RainflowParams& p, CountMatrix& m, Log& log,
                   std::vector<HalfCycle>* trace) {
    return countingPass(list, [&](double a, double b) {
        if (!CountHalfCycle(a, b, p, m, log))
            return false;
        if (trace)
            trace->emplace_back(a, b);
        return true;
    });
}

std::vector<HalfCycle> RainflowHalfCycles(RainflowList list) {
    std::vector<HalfCycle> out;
    countingPass(list, [&](double a, double b) {
        out.emplace_back(a, b);
        return true;
    });
    return out;
}

} // namespace mv

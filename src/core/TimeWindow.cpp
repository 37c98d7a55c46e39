#include "core/TimeWindow.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace mv {

std::int64_t roundHalfEven(double x) {
    if (std::isnan(x))
        return 0;
    // Far beyond any sample count; keeps the conversion defined.
    constexpr double lim = 4.0e18;
    x = std::clamp(x, -lim, lim);
    const double fl = std::floor(x);
    const double diff = x - fl;
    double r = fl;
    if (diff > 0.5)
        r = fl + 1.0;
    else if (diff == 0.5)
        r = std::fmod(fl, 2.0) == 0.0 ? fl : fl + 1.0;
    return static_cast<std::int64_t>(r);
}

SampleRange windowToSamples(double T1, double T2, double f_sampl, std::int64_t sampleCount) {
    SampleRange r;
    r.first = std::max<std::int64_t>(roundHalfEven(T1 * f_sampl) + 1, 1);
    r.last = std::min<std::int64_t>(roundHalfEven(T2 * f_sampl) + 1, sampleCount);
    return r;
}

} // namespace mv

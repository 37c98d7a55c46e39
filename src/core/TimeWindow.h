#pragma once
// The one rule that turns a time window T1..T2 into sample numbers; saving,
// filling, processing and rainflow all use it, so they agree to the sample.
#include <cstdint>

namespace mv {

struct SampleRange {
    std::int64_t first = 1; // 1-based, inclusive
    std::int64_t last = 0;  // 1-based, inclusive; last < first means no samples
    bool empty() const { return last < first; }
    std::int64_t count() const { return empty() ? 0 : last - first + 1; }
};

// Rounds half to even, as the window rule requires (2.5 -> 2, 3.5 -> 4).
std::int64_t roundHalfEven(double x);

// first = round(T1 * fs) + 1, last = min(round(T2 * fs) + 1, sampleCount); TimeOffset is
// not applied. A window that starts before the first sample starts at sample 1, so no
// caller can index before the buffer; a window after the last sample is empty.
SampleRange windowToSamples(double T1, double T2, double f_sampl, std::int64_t sampleCount);

} // namespace mv

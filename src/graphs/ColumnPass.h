#pragma once
// The column pass (PrepocitejX): turns every loaded signal into at most one drawing
// entry per pixel column of a graph and gathers its window statistics on the way,
// so drawing cost follows the plot width and not the signal length.
#include "graphs/GraphState.h"

#include <cstdint>
#include <functional>

namespace mv {

class SignalStore;

// Extremes and sums of a run of samples; the sums are float64 as the statistics need.
struct SampleScan {
    float mn = 1e31f;
    float mx = -1e31f;
    double sum = 0.0;
    double sumSq = 0.0;
    std::int64_t n = 0;
};

// Adds samples p[0 .. count-1] to s. NaN samples count in n and the sums but never
// become an extreme.
void scanSamples(const float* p, std::int64_t count, SampleScan& s);

// Recomputes one signal's record for a window starting at T1 with TnaPix seconds per
// column over sirka columns. A signal without a usable rate (f_sampl not > 0) or
// without samples gets SmpCount 0.
void columnPassSignal(const SignalRecord& sig, double T1, double TnaPix, int sirka,
                      TImageSigRec& rec);

// Called after each signal that has samples, with its slot number; a UI lets its
// event loop run here. It must not change the store's buffers.
using PassYield = std::function<void(int slot)>;

// The pass over all 200 slots for one graph. Image1 first takes the time range of
// all plotted signals (0 .. 10 s when none is plotted).
void PrepocitejX(const SignalStore& store, SigImageState& g, const PassYield& yield = {});

} // namespace mv

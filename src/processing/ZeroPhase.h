#pragma once
// Steep zero-phase low-pass for whole windows: a cascade of second-order all-pole
// sections run forwards and then backwards, each pass started from a straight line
// fitted to the first (last) samples so the window ends do not ring.
#include <cstddef>
#include <vector>

namespace mv {

struct ZeroPhaseDesign {
    int order = 0;     // n, even, >= 2
    double fc = 0.0;   // corner in Hz
    double gain = 0.0; // common section gain g
    std::vector<double> a1, a2;
    int sections() const { return static_cast<int>(a1.size()); }
};

enum class ZeroPhaseStatus {
    Ok,
    TooFewSamples,  // fewer than 4 samples: left unchanged
    BadFrequencies, // not 0 < fPass < fStop < fs / 2: left unchanged
    OrderTooHigh,   // the transition band is too narrow for a sensible order
};

// Designs the cascade for the pass edge fPass and stop edge fStop (Hz) at fs.
// Returns order 0 for frequencies that admit no design.
ZeroPhaseDesign DesignZeroPhase(double fs, double fPass, double fStop);

// Filters n float32 samples in place. Samples are left unchanged when the status is
// not Ok.
ZeroPhaseStatus ZeroPhaseLowPass(float* samples, std::size_t n, double fs, double fPass,
                                 double fStop);

// Text for a status, for the log.
const char* zeroPhaseStatusText(ZeroPhaseStatus s);

namespace detail {
// The cascade straight as written: every section over the whole window before the next.
// The production path interleaves the sections; tests hold it to this one bit for bit.
void zeroPhaseReference(double* y, std::size_t n, const ZeroPhaseDesign& d);
void zeroPhaseInterleaved(double* y, std::size_t n, const ZeroPhaseDesign& d);
} // namespace detail

} // namespace mv

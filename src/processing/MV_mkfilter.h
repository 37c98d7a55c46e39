#pragma once
// Butterworth low- and high-pass design by the analog-prototype method, and the
// direct-form recurrence that runs a designed filter sample by sample.
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace mv {

enum class IirKind { LowPass, HighPass };

inline constexpr int kIirMaxOrder = 8;

// The filter record: gain, coefficients and the histories of one filtered channel.
// The coefficient block is written by DesignIirFilter; the histories belong to the
// running filter and are zeroed by its owner (reset()).
struct TIirFilter {
    double Gain = 0.0;
    std::array<double, 9> XCoef{};
    std::array<double, 9> YCoef{}; // YCoef[n] holds -1 and is not used by the recurrence
    std::array<double, 9> XHist{}; // the last n + 1 scaled inputs, oldest first
    std::array<double, 9> YHist{}; // the last n + 1 outputs, oldest first
    // Order of the last design; 0 before any design (the filter then passes x / Gain
    // through nothing and outputs 0).
    std::int32_t Order = 0;

    void reset() {
        XHist.fill(0.0);
        YHist.fill(0.0);
    }
};

struct IirDesignResult {
    bool ok = true;
    std::string message; // set when !ok
};

// Designs a Butterworth filter of order n (1..8) with corner alpha = fc / fs into the
// coefficient block of `f`; the histories are not touched. alpha = 0 returns at once and
// leaves the record as it was. An order outside 1..8 is refused (record unchanged).
IirDesignResult DesignIirFilter(IirKind kind, int n, double alpha, TIirFilter& f);

// One step of the recurrence; returns the new output.
double RunIirSample(TIirFilter& f, double x);

// Runs the recurrence over a span in place (float32 samples), with exactly the
// arithmetic of RunIirSample, but keeping the histories in registers.
void RunIirSpan(TIirFilter& f, std::span<float> samples);

} // namespace mv

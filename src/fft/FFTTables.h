#pragma once
// Transform tables for the thirteen sizes 8 .. 32768, built once and shared
// read-only by every FFT engine.
#include <cstdint>
#include <vector>

namespace mv {

struct FFTTableSet {
    int size = 0;                           // M
    int stages = 0;                         // log2 M
    std::vector<std::int32_t> bitRev;       // M entries
    std::vector<double> sinTab, cosTab;     // sin, cos(2 pi j / M), j = 0 .. M/2 - 1
    std::vector<double> splitSin, splitCos; // sin, cos(j pi / M), j = 0 .. M/2
    // The twiddles of every stage side by side: for half-span h = 1, 2, .. M/2, entries
    // h - 1 .. 2h - 2 hold cos, sin(2 pi j / 2h) for j = 0 .. h - 1, taken from the tables
    // above (entry j M / 2h).
    std::vector<double> stageCos, stageSin;
};

inline constexpr int kFFTMinSize = 8;
inline constexpr int kFFTMaxSize = 32768;
inline constexpr int kFFTSizeCount = 13;

// The set for size M (a power of two in 8 .. 32768); nullptr for any other size.
// The first call builds all thirteen sets; call it once at start-up, before any thread
// that uses an engine starts.
const FFTTableSet* FFTTables(int size);

} // namespace mv

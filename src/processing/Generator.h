#pragma once
// The test-signal generator: up to four swept sines with noise, gain and offset,
// or a fixed noise-ramp-noise pattern that imitates a work cycle.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace mv {

class SignalStore;

// Columns 1..5 of the component table.
enum GenColumn { gcF1 = 0, gcF2, gcRandom, gcSlope, gcOffset };
inline constexpr int kGenComponents = 4;
inline constexpr std::array<const char*, 5> kGenColumnCaptions = {"f1 [Hz]", "f2 [Hz]", "Random",
                                                                  "Slope", "Offset"};
inline constexpr std::array<const char*, 5> kGenColumnDefaults = {"1", "1", "0", "1", "0"};

struct GeneratorParams {
    int sigNo = 1;                // slot 1..200
    std::int64_t samples = 65536; // N
    double fs = 4000.0;           // f_process
    bool workSimulate = false;
    // Cell texts as typed, row k = component k + 1.
    std::array<std::array<std::string, 5>, kGenComponents> cells;
    std::uint64_t seed = 0; // the caller seeds from the clock; tests fix it

    GeneratorParams() {
        for (auto& row : cells)
            for (int c = 0; c < 5; ++c)
                row[c] = kGenColumnDefaults[c];
    }
};

// The number at the beginning of a cell text ('.' as separator); 0 when there is none.
double leadingNumber(std::string_view text);

// Fills slot sigNo with the generated signal. Returns false (and changes nothing) for a
// slot outside 1..200, fewer than 1 sample or a rate that is not positive.
bool GenerateSignal(SignalStore& store, const GeneratorParams& p);

} // namespace mv

#pragma once
// One chain step of one signal: the function, the parameter values of every
// catalogue function side by side, and the run state kept between calls.
#include "processing/FnTable.h"
#include "processing/MV_mkfilter.h"
#include "processing/SerialLines.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace mv {

class TFFTrec;
class Log;

// A parameter value, decoded: int32 for integers, list indices and signal numbers,
// float32 for floats. Texts are kept apart (no catalogue function has one).
struct FnParCell {
    std::int32_t i = 0;
    float f = 0.0f;
};

inline constexpr int kFnRingLen = 10000;
inline constexpr int kSpeedRingLen = 1000;
inline constexpr int kStepAverMax = 20;

// Run state of every function; FnSlotReset clears what belongs to the current one.
struct FnRunState {
    // Amplitude
    std::int32_t ampP = 0, ampN = 0;
    float ampLo = 0.0f, ampHi = 0.0f, ampOut = 0.0f;
    // Distance (never reset: the distance accumulates across runs)
    bool distPrevIn = false;
    double distD = 0.0;
    // Drop
    float dropPrev = 0.0f, dropHeld = 0.0f;
    std::int32_t dropCount = 0;
    // Filter
    TIirFilter filter;
    // Gate
    float gateHeld = 0.0f;
    // Generator
    double generPhase = 0.0;
    std::uint64_t rng = 0x9E3779B97F4A7C15ull;
    // Increm_AB
    float incN = 0.0f;
    bool incPrevA = false, incPrevB = false;
    // Math
    std::int64_t mathCount = 0;
    double mathSum = 0.0, mathIntegral = 0.0;
    float mathPrev = 0.0f;
    // MinMax
    float mmPeak = 0.0f, mmLo = 1e21f, mmHi = -1e21f;
    // MovAver "Jump" base (not reset)
    double jumpBase = 0.0;
    // Period
    std::int64_t perCount = 0;
    double perTime = 0.0;
    // Speed
    float speed = 0.0f;
    bool spState = false, spPrev = false, spFirst = true;
    std::int64_t spCount = 0, spSum = 0;
    std::int32_t spIdx = 0, spEntries = 0;
    std::array<std::int32_t, kSpeedRingLen> spRing{};
    // StepAver
    std::array<double, kStepAverMax> saSum{};
    std::array<std::int32_t, kStepAverMax> saCnt{};
    double saDist = 0.0;
    std::int32_t saIdx = 0;
    float saOut = 0.0f;
    // Work
    float workPrev = 0.0f, workW = 0.0f;
};

// What a function may read besides its step.
struct FnRunContext {
    double f_process = 4000.0;
    // Samples replayed to the Monitors window so far (the "Increment" shape).
    std::int64_t replayedSamples = 0;
    // Where whole-window filters say that they left a window unfiltered; may be null.
    Log* log = nullptr;
};

struct TFnSlot {
    TFnSlot();
    ~TFnSlot();
    TFnSlot(TFnSlot&&) noexcept;
    TFnSlot& operator=(TFnSlot&&) noexcept;

    std::int32_t Count = 0;
    float* Buf = nullptr;
    std::array<const float*, kFnMaxAux + 1> Aux{}; // [1..7]
    TFnTyp FnTyp = fnNone;
    std::array<std::array<FnParCell, kFnMaxPar + 1>, kFnTypeCount> ParVal{};
    std::map<int, std::string> texts; // fpString values by type * 16 + k
    FnRunState st;
    std::unique_ptr<TFFTrec> fft; // fnSPL
    SerialLines port;             // fnTriStateReg
    std::string portName;         // for log lines
    // Moving-window storage of MovAver, allocated when first needed.
    std::vector<float> ring;
    std::int32_t ringIdx = 0;
    double ringSum = 0.0;

    FnParCell& par(int k) { return ParVal[FnTyp][k]; }
    const FnParCell& par(int k) const { return ParVal[FnTyp][k]; }
};

} // namespace mv

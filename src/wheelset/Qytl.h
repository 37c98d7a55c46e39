#pragma once
// The QYTL computation: the raw bridges of one wheel become the filtered bridges, the
// Sin and Q3 signals, the tracked angular position and the forces Q, Y, T with the
// contact point L, block by block through the device's fixed buffers.
#include "core/LoadFiles.h"
#include "core/Log.h"
#include "core/Progress.h"
#include "core/SignalStore.h"
#include "wheelset/DeviceFunc.h"

#include <array>
#include <optional>
#include <span>
#include <string>

namespace mv::wheelset {

inline constexpr int kRawBridgeSlot = 191; // bridges in 191 .. 190 + NB while a wheel runs

using SaveFlags = std::array<bool, kFnBufCount>; // [r - 1] for catalogue row r

// ---- the kernels, over the first `len` samples of the device's buffers ----------
void kernelConditioning(TDeviceFunc& d, int len);
void kernelSinQ3(TDeviceFunc& d, int len);
// The tables marked as made with the compensated tracking are tracked with it.
void kernelPosition(TDeviceFunc& d, int len);
void kernelForces(TDeviceFunc& d, int len);
void kernelQytlLowPass(TDeviceFunc& d, int len);

// The whole chain over N samples of NB raw bridges (bridges[k] for bridge k + 1), in
// blocks of 40 and a shorter last block. outputs[r - 1], when not null, receives the N
// samples of catalogue buffer r. Progress is reported per block; a cancel ends the run
// between blocks and returns false.
bool runQytl(TDeviceFunc& d, std::span<const float* const> bridges, std::size_t N,
             const std::array<float*, kFnBufCount>& outputs, Progress& progress);

// The wheel name of the table as the prefix and separator of its file and signal names.
struct WheelNames {
    std::string prefix;    // without a trailing "_"
    std::string separator; // "_" or empty
    // "W11_B1" (plus the format's extension) for bridge k.
    std::string bridgeFile(int k, LoadFormat format) const;
    // "SinMA_W11"; "Q11" for the forces.
    std::string outputName(int r) const;
};
WheelNames wheelNames(const std::string& wheelName);

// What one wheel's computation takes from the main window (or the calibration page).
struct ComputeRequest {
    int device = 0;
    bool calibration = false;
    SaveFlags save{};
    std::string path; // the test directory with the raw bridge files
    std::string wheelName;
    std::string zeroing = "0";
    std::string highPass;
    std::string lowPass;
    std::string qytlFilter = "0";
    LoadFormat format = LoadFormat::Morvanet;
    // When set it decides the tracking instead of the block's markers: the calibration
    // of a table runs the tracking it is going to mark the block with.
    std::optional<bool> compensated;
};

struct ComputeContext {
    SignalStore& store;
    const ReaderTable& readers;
    Log& log;
    Progress& progress = NullProgress::instance();
    char decimalSeparator = '.';
    double defaultFs = 4000.0;
};

struct ComputeResult {
    bool ok = false;
    bool cancelled = false;
    std::array<int, kFnBufCount> slotOf{}; // output slot of catalogue row r at [r - 1], 0 = none
};

// One wheel of one test: the device's parameters must be loaded (LoadDevFuncParam).
// Loads the raw bridges into slots 191.., computes and fills the saved buffers into
// consecutive slots from the first free one; refusals are error lines (warnings) and
// leave the store as it was.
ComputeResult ComputeQYTL(TDeviceFunc& d, const ComputeRequest& req, ComputeContext& ctx);

} // namespace mv::wheelset

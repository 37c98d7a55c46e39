#pragma once
// Processing-function chains: every signal slot carries four steps Fn1..Fn4, each
// holding one catalogue function with its parameter values and run state. This is
// the engine the Signal table, the bulk evaluation and the command line call.
#include "core/Progress.h"
#include "processing/FnSlot.h"
#include "processing/FnTable.h"
#include "processing/SerialLines.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

class Log;
class SignalStore;

inline constexpr int kFnTextMax = 255;
inline constexpr int kFnBlockLen = 40;

// The chains of all 200 slots, the catalogue whose default texts follow the accepted
// values, the block length and the port map of the regulator.
class FnSlots {
public:
    FnSlots();
    FnSlots(const FnSlots&) = delete;
    FnSlots& operator=(const FnSlots&) = delete;

    // Throws RangeError for a slot outside 1..200 or a step outside Fn1..Fn4.
    TFnSlot& operator()(int sig, int step);
    const TFnSlot& operator()(int sig, int step) const;

    TFnTable FnTable;
    std::int32_t FnBlockLen = kFnBlockLen;
    SerialPortMap comPorts;

private:
    std::vector<TFnSlot> steps_;
};

// What the chains work on: the slots, their chains and f process, the rate the chains
// are set up for. Processing runs each signal under a copy at the signal's own rate, so
// nothing outside changes while it runs. Bulk workers make contexts of their own.
struct ProcessContext {
    SignalStore& store;
    FnSlots& fnSlots;
    double f_process = 4000.0;
    // Samples replayed to the Monitors window so far, advanced by the replay thread;
    // none when no replay runs (tests, the command line).
    const std::atomic<std::int64_t>* replayedSamples = nullptr;
};

// Outcome of one parameter value, for the log and for the colour of a grid cell.
enum class FnParamStatus {
    Accepted,
    Invalid,     // not a value of the parameter's kind (or not one of its items)
    OutOfLimits, // a value the function's storage cannot hold; a log line says why
};

// Text form of `type` with every parameter at its default text; ok = false and empty text
// when it would not fit in maxLen.
struct FnText {
    std::string text;
    bool ok = true;
};
FnText FnDefaultText(const FnSlots& fs, TFnTyp type, int maxLen = kFnTextMax, char decSep = '.');
// The text a pick of `type` from the function list attaches: the default text, with any
// default that depends on f process (the filter corner) made valid at the current one.
FnText FnPickText(const ProcessContext& ctx, TFnTyp type, int maxLen = kFnTextMax);
std::string FnSlotText(const FnSlots& fs, int sig, int step, int maxLen = kFnTextMax,
                       char decSep = '.');
std::string FnParamText(const FnSlots& fs, int sig, int step, int k, char decSep = '.');

// Makes the function written in `text` the function of (sig, step). On failure the step
// becomes fnNone and `why` (when given) says what failed.
bool FnAttach(const ProcessContext& ctx, int sig, int step, std::string_view text, Log& log,
              std::string* why = nullptr);

// Converts one value text for parameter k (1..10) of `type` into the step's value cell.
FnParamStatus FnSetParam(const ProcessContext& ctx, int sig, int step, TFnTyp type, int k,
                         std::string_view valueText, Log& log);

void FnSlotReset(FnSlots& fs, int sig, int step);

// What keeps the step's current values from being attached again under the current
// f_process (limits of the function's storage), or nothing.
std::optional<std::string> FnLimitProblem(const ProcessContext& ctx, int sig, int step);

// Clears every step of every slot; ProcFn, Ovr and SaveDiv of every slot become 0.
void DeleteAllFunctions(const ProcessContext& ctx, Log& log);

// --- Processing -------------------------------------------------------------------

enum class ProcessStatus {
    NothingToDo, // every step is fnNone
    NoRoom,      // no slot left for the result
    Refused,     // a step cannot run (empty auxiliary slot, limits); a log line says why
    Done,
};

struct ProcessResult {
    ProcessStatus status = ProcessStatus::NothingToDo;
    int resultSlot = 0; // the slot holding the result when Done
};

struct ProcessOptions {
    // Told now and then how far the run is, over all steps (and all signals for
    // ProcessAllSignals, which stops between two signals when it is cancelled); may be null.
    Progress* progress = nullptr;
    // The window mean of a signal in the lower graph, which "Zeroing" subtracts; without
    // it the mean of the processed window is used.
    std::function<std::optional<double>(int sig)> lowerGraphMean;
    // File name of the running program, for the note of the result.
    std::string programName = "mvtervik";
};

ProcessResult ProcessSignal(const ProcessContext& ctx, int sig, double t1, double t2, bool inPlace,
                            bool keepName, Log& log, const ProcessOptions& opts = {});

// The "Process Fn" commands: every occupied slot with ProcFn set and some step in use,
// in ascending order, in place when its Ovr is set; names follow keepName (the setting
// KeepOrigSigName). Returns the number of signals processed.
int ProcessAllSignals(const ProcessContext& ctx, double t1, double t2, bool keepName, Log& log,
                      const ProcessOptions& opts = {});

} // namespace mv

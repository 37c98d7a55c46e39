#pragma once
// The "RainFlow" command: rainflow counts of every plotted signal over the lower graph's
// window, added to a matrix on a worksheet of each signal's own in the workbook of the
// rainflow parameter sheet. The caller hands in the parameter sheet (the output sheet)
// and the window; the command reads its class parameters from the sheet's named cells.
#include "core/Log.h"
#include "core/SignalStore.h"
#include "evaluation/workbook/SpreadsheetApp.h"
#include "processing/Rainflow.h"

#include <string>
#include <vector>

namespace mv {

struct RainflowRequest {
    SheetHandle paramSheet; // the output sheet, prepared as a rainflow parameter sheet
    double T1 = 0.0;        // the lower graph's window [s]
    double T2 = 0.0;
};

struct RainflowSignalResult {
    int slot = 0;
    std::string name;
    // The matrix was added to the sheet `name` and its J2 raised.
    bool written = false;
    std::vector<HalfCycle> halfCycles;
    CountMatrix counts; // this run's counts
};

struct RainflowOutcome {
    // The parameters were read and the run's log row found; the signals were processed.
    bool ran = false;
    RainflowParams params;
    int logRow = 0; // the row of the run log on the parameter sheet, 0 when none was written
    // The texts the user must acknowledge (message boxes in the window), in order.
    std::vector<std::string> messages;
    std::vector<RainflowSignalResult> results;
};

// Texts of the command.
inline constexpr const char* kRfNoParamSheet = "Nelze otevřít list s paramery RainFlow !";
inline constexpr const char* kRfWrongSheet =
    "Nesprávně vybraný list v Excelu. V buňce Ident musí být text \"RainFlow\" !";
inline constexpr const char* kRfNoMemory = "Nedostatek paměti pro zpracování sinálu č. ";
inline constexpr const char* kRfBadParams = "Chybné paramtry pro signál č. ";

// The largest matrix the command allocates, in cells: the sheet would take more but
// memory would not.
inline constexpr long long kRainflowMaxCells = 10'000'000;

// Runs the command. Expected failures end up in `messages` and the log; a spreadsheet
// error inside the signal loop is not caught (it ends the command). Screen updating is
// switched on again on every way out.
RainflowOutcome RunRainflow(SpreadsheetApp& app, const SignalStore& store,
                            const RainflowRequest& req, Log& log);

} // namespace mv

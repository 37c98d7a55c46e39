#pragma once
// The wheelset commands as the Log workbook drives them: the wheel's block of the sheet
// "CalibrWS" read and written back, the three calibration commands on it, and "Compute
// QYTL" over a range of Test IDs with the marked wheels and the saving of the outputs.
// The wheelset engine knows nothing of the Log; everything it takes comes from here.
#include "core/Settings.h"
#include "evaluation/TestLog.h"
#include "wheelset/Calibration.h"

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace mv {

inline constexpr const char* kNoCalibrSheet = "Can not open Excel calibration sheet:  \"CalibrWS\"";

// The sheet "CalibrWS" of the Log workbook; none without a Log or without the sheet.
std::optional<SheetHandle> calibrSheet(const SpreadsheetApp& app, const SpreadsheetState& st);
// The 362 x 117 block of device n (1..32), and the same range written back.
Block readCalibrBlock(const SpreadsheetApp& app, const SheetHandle& sheet, int n);
void writeCalibrBlock(SpreadsheetApp& app, const SheetHandle& sheet, int n, const Block& block);

// ---- calibration ----------------------------------------------------------------
enum class CalibrCommand { Load, Q3, Table };

struct CalibrRunResult {
    bool sheetFound = false;
    wheelset::CalibrResult result;
};

// Runs one calibration command on device req.device: reads its block, runs the command
// and writes the block back when the command changed it (the Load command writes the
// test folder even when its computation fails afterwards). The caller saves the workbook.
CalibrRunResult runCalibrCommand(SpreadsheetApp& app, const SpreadsheetState& st,
                                 wheelset::TDeviceFunc& device, CalibrCommand cmd,
                                 const wheelset::CalibrRequest& req, wheelset::ComputeContext& ctx);

// A Ctrl + click in the graph: "From sample" (gridColumn 0) or "To sample" (1) of the
// direction's column := sample. False (with the log line) without the sheet or direction.
bool fillFromToSample(SpreadsheetApp& app, const SpreadsheetState& st, int n,
                      wheelset::CalibrDirection dir, int gridColumn, long long sample, Log& log);

// ---- Compute QYTL -----------------------------------------------------------------
struct QytlRunRequest {
    // The range; both non-zero processes From..To, otherwise the current ID alone.
    int fromId = 0;
    int toId = 0;
    int currentId = 0;
    wheelset::SaveFlags save{};
    std::string qytlFilter = "0";
    std::array<WheelRowSettings, kDevFnRows> wheels{};
    LoadFormat loadFormat = LoadFormat::Morvanet;
    std::string trackSubdir;
    // Save divider of the outputs: 0 saves nothing.
    int saveDiv = 0;
    SaveFormat saveFormat = SaveFormat::Morvanet;
    bool backup = false;
    double T1 = 0.0;
    double T2 = std::numeric_limits<double>::infinity();
    // Empty: into each test's folder; otherwise into outDir/<id>/.
    std::string outDir;
};

struct QytlWheelOutcome {
    int id = 0;
    int device = 0;
    bool ok = false;
    std::vector<std::string> outputs; // signal names of the wheel
};

struct QytlRunResult {
    bool started = false; // the sheet was found and the request was complete
    bool cancelled = false;
    std::vector<int> processedIds;
    std::vector<int> skippedIds; // not valid in the Log
    std::vector<QytlWheelOutcome> wheels;
    int filesWritten = 0;
};

struct QytlRunHooks {
    // Called before the range is processed (the program deletes all processing
    // functions there); may be empty.
    std::function<void()> beforeRange;
    // Called with each selection (the Test ID edit shows it); may be empty.
    std::function<void(const TestSelection&)> selected;
    // Called after the wheels of an ID are computed, before the outputs are saved (the
    // program redraws there); may be empty.
    std::function<void(int id)> computed;
};

// "Compute QYTL": for each ID, the slots are emptied, the test is selected (st.TestPath
// follows it), every wheel marked "1" in Proceed is loaded from its block and computed,
// and with a save divider every occupied slot is saved into the test's folder.
QytlRunResult ComputeQytlRun(SpreadsheetApp& app, SpreadsheetState& st,
                             wheelset::DeviceTable& devices, const QytlRunRequest& req,
                             wheelset::ComputeContext& ctx, const QytlRunHooks& hooks = {});

} // namespace mv

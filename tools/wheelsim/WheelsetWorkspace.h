#pragma once
// A simulated measuring wheelset as a test campaign: stand runs in both directions and
// running tests at several speeds, each a test folder of native files under a test Log
// that carries the wheel's block on its sheet "CalibrWS". The running tests carry the
// true Q, Y, T, L and the contact angle beside the bridges, so a computation can be
// compared with what the wheel felt.
#include "evaluation/workbook/SpreadsheetApp.h"

#include <filesystem>
#include <string>
#include <vector>

namespace mv::wheelsim {

struct WheelsetOptions {
    int device = 5;
    std::string wheelName = "W1";
    int maLen = 5;
    double fs = 1200.0;
    double standSeconds = 90.0;
    double runSeconds = 20.0;
    // Revolutions per second of the running tests; negative turns backward.
    std::vector<double> runSpeeds{1.0, 3.0, 5.0, -4.0};
    double noise = 0.001; // bridge noise, mV/V
};

struct WheelsetTest {
    int id = 0;
    bool stand = false;
    double revPerSecond = 0.0;
    std::filesystem::path folder;
    long long samples = 0;
};

// The level texts of a test folder: Wheelset / Stand|Track / Forward|Backward / "3rps".
std::string speedText(double revPerSecond);

// Appends the tests to the Log sheet `log` (after its last row, IDs from firstId, with
// the Log's column layout: Test ID in D, Category E, Mark F, levels G..J, Track K),
// writes their folders under logDir and the wheel's block into the sheet "CalibrWS"
// (added when missing): bridges NB 8, RegrN 8, MALen, the force files and the stand
// runs' From/To for both directions. The tables are left for the calibration.
std::vector<WheelsetTest> addWheelsetTests(SpreadsheetApp& app, const SheetHandle& log,
                                           const std::filesystem::path& logDir, int firstId,
                                           const WheelsetOptions& o);

// A Log workbook of its own: dir/Log.xlsx with the sheets Log, Ini and CalibrWS.
std::vector<WheelsetTest> writeWheelsetWorkspace(const std::filesystem::path& dir,
                                                 const WheelsetOptions& o);

} // namespace mv::wheelsim

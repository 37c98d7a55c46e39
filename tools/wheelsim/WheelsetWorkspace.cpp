#include "wheelsim/WheelsetWorkspace.h"

#include "wheelset/DeviceFunc.h"
#include "wheelsim/WheelSim.h"

#include <cmath>
#include <cstdio>

namespace mv::wheelsim {

namespace fs = std::filesystem;
using namespace wheelset::calibr;

std::string speedText(double revPerSecond) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%grps", std::fabs(revPerSecond));
    return buf;
}

namespace {

// The first sample (from 1) at which the unwrapped contact angle reaches `angle`.
long long sampleAtAngle(const WheelRun& run, double angle, bool forward) {
    for (std::size_t i = 0; i < run.angle.size(); ++i)
        if (forward ? run.angle[i] >= angle : run.angle[i] <= angle)
            return static_cast<long long>(i) + 1;
    return 1;
}

void writeTruth(const WheelRun& run, const fs::path& dir) {
    const auto write = [&](const char* name, const std::vector<double>& v) {
        writeSignal((dir / (std::string(name) + ".mvn")).string(), name, run.fs,
                    std::vector<float>(v.begin(), v.end()));
    };
    write("Q_true", run.Q);
    write("Y_true", run.Y);
    write("T_true", run.T);
    write("L_true", run.L);
    std::vector<double> wrapped(run.angle.size());
    for (std::size_t i = 0; i < wrapped.size(); ++i)
        wrapped[i] = std::fmod(std::fmod(run.angle[i], 360.0) + 360.0, 360.0);
    write("Angle_true", wrapped);
}

} // namespace

std::vector<WheelsetTest> addWheelsetTests(SpreadsheetApp& app, const SheetHandle& log,
                                           const fs::path& logDir, int firstId,
                                           const WheelsetOptions& o) {
    const WorkbookId wb = log.workbook;
    SheetHandle calibr;
    if (auto s = app.findSheet(wb, kSheetName))
        calibr = *s;
    else
        calibr = app.addSheet(wb, kSheetName);
    Block block = simulatedBlock(o.maLen);

    struct Plan {
        bool stand;
        double rps;
        double seconds;
        double startAngle;
        unsigned seed;
    };
    std::vector<Plan> plans{{true, 1.0, o.standSeconds, -30.0, 1},
                            {true, -1.0, o.standSeconds, 30.0, 2}};
    unsigned seed = 10;
    for (double v : o.runSpeeds)
        plans.push_back({false, v, o.runSeconds, 0.0, seed++});

    int row = app.nextFreeRow(log, 65535, 4);
    if (row < 11)
        row = 11;
    std::vector<WheelsetTest> tests;
    int id = firstId;
    for (const Plan& p : plans) {
        WheelSimOptions so;
        so.fs = o.fs;
        so.seconds = p.seconds;
        so.revPerSecond = p.rps;
        so.startAngle = p.startAngle;
        so.noise = o.noise;
        so.seed = p.seed;
        so.stand = p.stand;
        const WheelRun run = simulateWheel(so);
        const std::string kind = p.stand ? "Stand" : "Track";
        const std::string dir = p.rps >= 0 ? "Forward" : "Backward";
        const fs::path rel =
            fs::path("Wheelset") / kind / dir / speedText(p.rps) / std::to_string(id);
        fs::create_directories(logDir / rel);
        writeWheelFiles(run, (logDir / rel).string(), o.wheelName, p.stand);
        if (!p.stand)
            writeTruth(run, logDir / rel);
        else {
            // The window of the stand run: from just before P1 passes the roller (the
            // first crossing after From is P1) to the end.
            const bool fw = p.rps >= 0;
            const long long from = fw ? sampleAtAngle(run, 340.0, true) : 1000;
            const int col = fw ? colFW : colBW;
            at(block, rowFrom, col) = CellValue::num(static_cast<double>(from));
            at(block, rowTo, col) = CellValue::num(static_cast<double>(run.angle.size() - 100));
        }
        app.setValue(log, row, 1, CellValue::num(row - 10));
        app.setValue(log, row, 2, CellValue::num(46154.0)); // 2026-05-12
        app.setValue(log, row, 3, CellValue::num((14.0 + 0.25 * (id - firstId)) / 24.0));
        app.setValue(log, row, 4, CellValue::num(id));
        app.setValue(log, row, 5, CellValue::str("Save off"));
        app.setValue(log, row, 6, CellValue::num(1.0e6 / o.fs));
        app.setValue(log, row, 7, CellValue::str("Wheelset"));
        app.setValue(log, row, 8, CellValue::str(kind));
        app.setValue(log, row, 9, CellValue::str(dir));
        app.setValue(log, row, 10, CellValue::str(speedText(p.rps)));
        app.setValue(log, row, 11, CellValue::str(p.stand ? "stand" : "track"));
        app.setValue(log, row, 12,
                     CellValue::str(std::string("simulated wheelset: ") +
                                    (p.stand ? "calibration stand run" : "running test")));
        ++row;
        tests.push_back(
            {id, p.stand, p.rps, logDir / rel, static_cast<long long>(run.angle.size())});
        ++id;
    }
    app.setNumberFormat(log, {{11, 2}, {row, 2}}, "dd.mm.yyyy");
    app.setNumberFormat(log, {{11, 3}, {row, 3}}, "hh:mm:ss");
    at(block, 1, 1) =
        CellValue::str("Device " + std::to_string(o.device) + " - simulated wheel " + o.wheelName);
    app.writeBlock(calibr, {sheetRow(o.device, 1), 1}, block);
    return tests;
}

std::vector<WheelsetTest> writeWheelsetWorkspace(const fs::path& dir, const WheelsetOptions& o) {
    fs::create_directories(dir);
    SpreadsheetApp app;
    const WorkbookId wb = app.newWorkbook("Log");
    const SheetHandle log = app.sheet(wb, "Log");
    const SheetHandle ini = app.addSheet(wb, "Ini");
    app.setValue(log, 1, 1, CellValue::str("Test log of a simulated measuring wheelset"));
    app.setValue(log, 2, 1, CellValue::str("Ini sheet"));
    app.setValue(log, 2, 2, CellValue::str("Ini"));
    app.setValue(ini, 1, 1, CellValue::str("Path levels"));
    const char* captions[] = {"Object", "Kind", "Direction", "Speed"};
    for (int k = 0; k < 4; ++k)
        app.setValue(ini, 2 + k, 1, CellValue::str(captions[k]));
    const char* headers[] = {"Entry",  "Date", "Time",      "Test ID", "Category", "Mark",
                             "Object", "Kind", "Direction", "Speed",   "Track",    "Note"};
    for (int c = 0; c < 12; ++c)
        app.setValue(log, 10, c + 1, CellValue::str(headers[c]));
    auto tests = addWheelsetTests(app, log, dir, 1, o);
    app.saveAs(wb, (dir / "Log.xlsx").string());
    return tests;
}

} // namespace mv::wheelsim

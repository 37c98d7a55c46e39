#pragma once
// A Log with two tests of one synthetic track run, for the track subcommands of
// mvtervik-cli: ID 1 runs "Vpred" on a track with an information workbook, ID 2 runs
// "Vzad" on a track without one.
#include "SyntheticTrack.h"
#include "evaluation/TrackAlign.h"
#include "files/SaveSlot.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace mv::test {

inline std::string cliPath() {
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "src" / "app" / "mvtervik-cli")
        .string();
}

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

inline void writeNative(const std::filesystem::path& dir, const std::string& name,
                        const std::vector<float>& x, double fs) {
    SignalStore s;
    SignalRecord r;
    r.f_sampl = fs;
    r.SigName = name;
    r.SaveDiv = 1;
    auto b = SampleBuffer::allocate(x.size());
    std::copy(x.begin(), x.end(), b.data());
    r.setData(std::move(b));
    s.installSignal(1, std::move(r));
    CaptureLog log;
    files::SaveRequest req;
    req.slot = 1;
    req.dir = dir.string();
    ASSERT_EQ(files::SaveSlot(s, req, {log, {}}), files::SaveStatus::Written);
}

class TrackCli : public ::testing::Test {
protected:
    static constexpr double kFs = 50.0;

    void makeLog() {
        SpreadsheetApp app;
        const WorkbookId wb = app.newWorkbook("Log");
        const SheetHandle log = app.sheet(wb, "Log");
        app.setValue(log, 2, 1, CellValue::str("Ini sheet"));
        app.setValue(log, 2, 2, CellValue::str("Ini"));
        const char* headers[] = {"Date", "Time", "Operator", "Test ID", "Category", "Mark",
                                 "L1",   "L2",   "L3",       "L4",      "Track"};
        for (int c = 1; c <= 11; ++c)
            app.setValue(log, 10, c, CellValue::str(headers[c - 1]));
        const auto row = [&](int r, int id, const char* dir, const char* l4, const char* track) {
            app.setValue(log, r, 1, CellValue::num(45292));
            app.setValue(log, r, 2, CellValue::num(0.5));
            app.setValue(log, r, 4, CellValue::num(id));
            app.setValue(log, r, 5, CellValue::str("Save off"));
            app.setValue(log, r, 6, CellValue::num(20000));
            app.setValue(log, r, 7, CellValue::str("Line"));
            app.setValue(log, r, 8, CellValue::str(dir));
            app.setValue(log, r, 10, CellValue::str(l4));
            app.setValue(log, r, 11, CellValue::str(track));
        };
        row(11, 1, "Vpred", "TRA12 north", "TRA12_north");
        row(12, 2, "Vzad", "TRA34 south", "TRA34_south");
        app.addSheet(wb, "Ini");
        app.saveAs(wb, (dir / "Log.xlsx").string());
        std::filesystem::create_directories(test1());
        std::filesystem::create_directories(test2());
        std::filesystem::create_directories(dir / "info");
    }
    std::filesystem::path test1() const { return dir / "Line" / "Vpred" / "TRA12 north" / "1"; }
    std::filesystem::path test2() const { return dir / "Line" / "Vzad" / "TRA34 south" / "2"; }

    // The run's signals into a test folder: curvature in mm (factor 0.01 to 1/km).
    void writeRun(const std::filesystem::path& to, const TrackRun& run) {
        std::vector<float> mm = run.curve;
        for (float& c : mm)
            c *= 100.0F;
        writeNative(to, "Speed", run.speed, kFs);
        writeNative(to, "Curve", mm, kFs);
        writeNative(to, "Km", run.km, kFs);
    }

    CliRun run(const std::string& cmd, const std::string& args) {
        const std::string errFile = (dir / "stderr.txt").string();
        const auto r =
            runCommand("{ " + cliPath() + " " + cmd + " " + args + " 2>'" + errFile + "'; }");
        return {r.exitCode, r.out, readFile(errFile)};
    }
    std::string log() const { return "--log '" + (dir / "Log.xlsx").string() + "'"; }

    TempDir dir;
};

} // namespace mv::test

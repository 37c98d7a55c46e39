// mvtervik-cli test-id, run as the user runs it: JSON on stdout, the log lines on stderr,
// the settings file of the desktop, and the exit codes.
#include "evaluation/workbook/SpreadsheetApp.h"
#include "support/TestSupport.h"

#include <filesystem>

namespace mv {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

std::string cli() {
    const auto self = fs::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "src" / "app" / "mvtervik-cli")
        .string();
}

// stdout alone; stderr into a file the test reads.
struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

class TestIdCli : public ::testing::Test {
protected:
    void SetUp() override {
        // Log: Date, Time, Operator, Test ID (D), Category, Mark, levels, Track.
        SpreadsheetApp app;
        const WorkbookId wb = app.newWorkbook("Log");
        const SheetHandle log = app.sheet(wb, "Log");
        app.setValue(log, 2, 1, CellValue::str("Ini sheet"));
        app.setValue(log, 2, 2, CellValue::str("Ini"));
        const char* headers[] = {"Date", "Time", "Operator", "Test ID", "Category", "Mark",
                                 "L1",   "L2",   "L3",       "L4",      "Track"};
        for (int c = 1; c <= 11; ++c)
            app.setValue(log, 10, c, CellValue::str(headers[c - 1]));
        app.setColumnNumberFormat(log, 1, "yyyy-mm-dd");
        const auto row = [&](int r, int id, const char* cat, double mark, const char* level1) {
            app.setValue(log, r, 1, CellValue::num(45292)); // 2024-01-01
            app.setValue(log, r, 2, CellValue::num(0.75));  // 18:00:00
            app.setValue(log, r, 4, CellValue::num(id));
            app.setValue(log, r, 5, CellValue::str(cat));
            app.setValue(log, r, 6, CellValue::num(mark));
            app.setValue(log, r, 7, CellValue::str(level1));
            app.setValue(log, r, 11, CellValue::str("TRA12_north"));
        };
        row(11, 1, "Save off", 200, "Run \"A\"");
        row(12, 2, "Start", 200, "Run B");
        app.addSheet(wb, "Ini");
        app.saveAs(wb, (dir / "Log.xlsx").string());
        fs::create_directories(dir / "Run \"A\"" / "1");
        fs::create_directories(dir / "info");
        test::writeFile(dir / "info" / "TRA12 line.xlsx", "");
    }

    CliRun run(const std::string& args) {
        const std::string errFile = (dir / "stderr.txt").string();
        const auto r =
            test::runCommand("{ " + cli() + " test-id " + args + " 2>'" + errFile + "'; }");
        return {r.exitCode, r.out, test::readFile(errFile)};
    }
    std::string log() const { return "--log '" + (dir / "Log.xlsx").string() + "'"; }

    TempDir dir;
};

TEST_F(TestIdCli, JsonOfAValidTestWithTrackSubdirFromTheSettingsFile) {
    test::writeFile(dir / "MVtervik.ini", "[General]\nLoadFileFormat=0\n\n"
                                          "[Align_km]\nTrackInfoSubdirectory=info\n");
    const CliRun r =
        run(log() + " --id 1 --json --settings '" + (dir / "MVtervik.ini").string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string path = dir.path().string() + "/Run \\\"A\\\"/1/";
    EXPECT_EQ(r.out,
              R"({"valid":true,"testPath":")" + path +
                  R"(","levels":["Run \"A\"","","",""],"date":"2024-01-01","time":"18:00:00",)"
                  R"("fProcess":5000,"trackInfo":"TRA12 line.xlsx","messages":[)"
                  R"({"level":"info","text":"Current directory: )" +
                  path + R"("}]})" + "\n");
    EXPECT_NE(r.err.find("I Log name: " + dir.path().string() + "/Log.xlsx\n"), std::string::npos)
        << r.err;

    // --track-subdir wins over the settings file; the text form without --json.
    const CliRun t = run(log() + " --id 1 --track-subdir none --settings '" +
                         (dir / "MVtervik.ini").string() + "'");
    ASSERT_EQ(t.exitCode, 0) << t.err;
    EXPECT_NE(t.out.find("Test ID 1: valid\n"), std::string::npos) << t.out;
    EXPECT_NE(t.out.find("f process [Hz]: 5000\n"), std::string::npos) << t.out;
    EXPECT_NE(t.out.find("Track info: \n"), std::string::npos) << t.out;
}

TEST_F(TestIdCli, AnInvalidTestStillRunsAndSaysWhy) {
    const CliRun r = run(log() + " --id 2 --json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(R"({"valid":false,"testPath":")" + dir.path().string() + "\""),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(R"("fProcess":null)"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("E Can not found: \"Save Off\" for Test ID: 2\n"), std::string::npos)
        << r.err;
}

TEST_F(TestIdCli, UsageAndPreparationErrorsExitTwoAndOne) {
    test::writeFile(dir / "bad.xlsx", "not a zip");
    const std::pair<std::string, int> cases[] = {
        {log(), 2},
        {"--id 1", 2},
        {log() + " --id seven", 2},
        {log() + " --id 0", 2},
        {log() + " --id 1 --frobnicate", 2},
        {log() + " --id 1 --settings", 2},
        {log() + " --id 1 --settings '" + (dir / "missing.ini").string() + "'", 2},
        {"--id 1 --log '" + (dir / "bad.xlsx").string() + "'", 1},
        {"--id 1 --log '" + (dir / "nothing.xlsx").string() + "'", 1},
    };
    for (const auto& [args, code] : cases) {
        const CliRun r = run(args);
        EXPECT_EQ(r.exitCode, code) << args << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << args << "\n" << r.out;
        EXPECT_FALSE(r.err.empty()) << args;
        if (code == 1) {
            EXPECT_EQ(r.err.rfind("E ", 0), 0u) << r.err;
        }
    }
    const CliRun r = run(log() + " --id 1 --settings '" + (dir / "missing.ini").string() + "'");
    EXPECT_NE(r.err.find("missing.ini"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("usage: mvtervik-cli test-id"), std::string::npos) << r.err;
}

} // namespace
} // namespace mv

// mvtervik-cli calibrate and qytl on a simulated wheelset, as the user runs them: the
// block written into the Log only after a successful fit, the outputs under their names
// in the test folders, the E lines and exit codes of the command-line front.
#include "evaluation/workbook/SpreadsheetApp.h"
#include "support/TestSupport.h"
#include "wheelset/DeviceFunc.h"
#include "wheelsim/WheelsetWorkspace.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace mv {
namespace {

namespace fs = std::filesystem;
using namespace wheelset::calibr;

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

class WheelsetCli : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new test::TempDir;
        wheelsim::WheelsetOptions o;
        o.standSeconds = 60;
        o.runSeconds = 8;
        o.runSpeeds = {2.0, -2.0};
        tests_ = wheelsim::writeWheelsetWorkspace(dir_->path(), o);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string cli() {
        return (test::binaryDir() / "src" / "app" / "mvtervik-cli").string();
    }
    static CliRun run(const std::string& args) {
        const std::string errFile = (dir_->path() / "stderr.txt").string();
        const auto r = test::runCommand("{ " + cli() + " " + args + " 2>'" + errFile + "'; }");
        return {r.exitCode, r.out, test::readFile(errFile)};
    }
    static std::string log() { return "--log '" + (dir_->path() / "Log.xlsx").string() + "'"; }
    static Block block() {
        SpreadsheetApp app;
        const WorkbookId wb = app.open((dir_->path() / "Log.xlsx").string());
        return app.readBlock(app.sheet(wb, kSheetName),
                             {{sheetRow(5, 1), 1}, {sheetRow(5, 362), 117}});
    }

    static test::TempDir* dir_;
    static std::vector<wheelsim::WheelsetTest> tests_;
};
test::TempDir* WheelsetCli::dir_ = nullptr;
std::vector<wheelsim::WheelsetTest> WheelsetCli::tests_;

TEST_F(WheelsetCli, CommandLinesThatAreWrongExitTwo) {
    const std::string cal = "calibrate " + log() + " --id 1 --device 5 ";
    const char* const cases[] = {
        "calibrate --id 1 --device 5 --direction forward --q3",
        "calibrate LOG --id 1",
        nullptr,
    };
    for (int i = 0; cases[i]; ++i)
        EXPECT_EQ(run(cases[i]).exitCode, 2) << cases[i];
    for (const std::string& a :
         {cal + "--direction backward --q3", cal + "--direction forward --q3 --table",
          cal + "--direction forward", cal + "--direction sideways --table",
          "calibrate " + log() + " --id 1 --device 33 --direction forward --q3",
          cal + "--direction forward --q3 --hp x",
          "qytl " + log() + " --from 4 --to 3 --wheel 5:W1:0:0.05:80",
          "qytl " + log() + " --from 3 --to 4 --wheel 5:W1:0:0.05",
          "qytl " + log() + " --from 3 --to 4 --wheel 40:W1:0:0.05:80",
          "qytl " + log() + " --from 3 --to 4 --wheel 5:W1:0:0.05:80 --save-fn 11,33",
          "qytl " + log() + " --from 3 --to 4 --save-div 33"}) {
        const CliRun r = run(a);
        EXPECT_EQ(r.exitCode, 2) << a;
        EXPECT_NE(r.err.find("usage: mvtervik-cli"), std::string::npos) << a;
    }
}

// Refusals: an E line, exit 1, and the Log file as it was.
TEST_F(WheelsetCli, RefusalsWriteNothing) {
    const std::string before = test::readFile(dir_->path() / "Log.xlsx");
    const std::string cal =
        "calibrate " + log() + " --device 5 --direction forward --wheel-name W1 ";
    struct Case {
        std::string args;
        const char* line;
    } const cases[] = {
        {cal + "--id 99 --q3", "E Test ID 99 is not a valid test"},
        {cal + "--id 1 --q3 --lp 600", "E Device 5 - invalid LP frequency: 600"},
        {cal + "--id 1 --q3 --format 'B&K_CSV'", "E Unsuported input file format: B&K_CSV"},
        // The running test has no force files of the stand.
        {cal + "--id 3 --table", "E Force file "},
        {cal + "--id 1 --q3 --wheel-name W2", "E Can't open all raw bridge files."},
    };
    for (const auto& c : cases) {
        const CliRun r = run(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.line), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(test::readFile(dir_->path() / "Log.xlsx"), before) << c.args;
    }
    const CliRun noLog =
        run("qytl --log '" + (dir_->path() / "none.xlsx").string() + "' --from 1 --to 1");
    EXPECT_EQ(noLog.exitCode, 1);
    EXPECT_EQ(noLog.err.rfind("E ", 0), 0u) << noLog.err;
}

// Q3 then both tables: the block gets coefficients, statistics and the marker; the JSON
// carries the fit statistics per load; then qytl computes the running tests into --out.
TEST_F(WheelsetCli, CalibrationThenQytlIntoTheOutputFolder) {
    CliRun r = run("calibrate " + log() +
                   " --id 1 --device 5 --direction forward --q3 --wheel-name W1 --json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(R"("ok":true)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(R"("groups":[{"group":1,"coef":[)"), std::string::npos) << r.out;
    Block b = block();
    EXPECT_EQ(at(b, rowPath, colFW).text, tests_[0].folder.string() + "/");
    EXPECT_TRUE(at(b, q3Row(1), 2).isNumber());
    EXPECT_GT(at(b, q3Row(4) + 5, 2).number, 0.999); // R² of group 4

    for (const char* dir : {"forward", "backward"}) {
        const std::string id = std::string(dir) == "forward" ? "1" : "2";
        r = run("calibrate " + log() + " --id " + id + " --device 5 --direction " + dir +
                " --table --wheel-name W1 --json --hp 0.05 --lp 80");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find(R"("loads":[{"load":"Q","meanS":)"), std::string::npos) << r.out;
    }
    b = block();
    for (int col : {colFW, colBW}) {
        EXPECT_EQ(at(b, rowTrackingMarker, col).number, 1);
        EXPECT_GT(at(b, rowMeanS, col).number, 0);
    }
    EXPECT_TRUE(at(b, positionRow(1), bridgeCol(0, 8, coefBaseBW)).isNumber());
    EXPECT_GT(at(b, positionRow(1), countCol(coefBaseFW)).number, 10);

    const fs::path out = dir_->path() / "out";
    r = run("qytl " + log() +
            " --from 3 --to 4 --wheel 5:W1_:0:0.05:80 --save-fn 11,14,19 --out '" + out.string() +
            "' --json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(R"({"device":5,"ok":true,"outputs":["Q1","L1","SinMA_W1"]})"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(R"("filesWritten":6)"), std::string::npos) << r.out;
    for (const char* id : {"3", "4"})
        for (const char* f : {"Q1.mvn", "L1.mvn", "SinMA_W1.mvn"})
            EXPECT_TRUE(fs::exists(out / id / f)) << id << "/" << f;
    EXPECT_EQ(r.err.find("\nE "), std::string::npos) << r.err;

    // Save divider 0 computes and saves nothing.
    r = run("qytl " + log() + " --from 3 --to 3 --wheel 5:W1:0:0.05:80 --save-div 0 --json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(R"("filesWritten":0)"), std::string::npos) << r.out;
}

} // namespace
} // namespace mv

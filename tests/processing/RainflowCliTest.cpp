// mvtervik-cli rainflow, run as the user runs it; the saved workbook read back by our
// engine and, where it is installed, by openpyxl.
#include "evaluation/workbook/SpreadsheetApp.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace mv {
namespace {

namespace fs = std::filesystem;

std::string cli() {
    const auto self = fs::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "src/app/mvtervik-cli").string();
}

class RainflowCli : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string book = (dir / "rf.xlsx").string();

    void SetUp() override {
        SpreadsheetApp app;
        const WorkbookId wb = app.newWorkbook("PARAM");
        const SheetHandle p = app.sheet(wb, "PARAM");
        const std::pair<const char*, CellValue> cells[] = {{"Ident", CellValue::str("RainFlow")},
                                                           {"PocetAmpli", CellValue::num(11)},
                                                           {"PocetPredp", CellValue::num(10)},
                                                           {"MaxEDif", CellValue::num(10)},
                                                           {"MaxAmpli", CellValue::num(10)}};
        int row = 1;
        for (const auto& [name, v] : cells) {
            app.setValue(p, row, 2, v);
            app.workbook(wb).setName(name, app.resolve(p), CellRange{{row, 2}, {row, 2}});
            ++row;
        }
        app.saveAs(wb, book);
        // ASCII files are read at f process, 4000 Hz by default.
        test::writeFile(dir / "a.txt", "-4\n1\n-1\n3\n1\n0\n");
        test::writeFile(dir / "b.txt", "2\n4\n");
    }
    test::CommandResult run(const std::string& args) {
        return test::runCommand(cli() + " rainflow " + args + " 2>" + (dir / "err.txt").string());
    }
    std::string files() const { return (dir / "a.txt").string() + " " + (dir / "b.txt").string(); }
};

TEST_F(RainflowCli, CountsEveryFileIntoTheWorkbookAndSavesIt) {
    const auto r = run("--workbook " + book + " --sheet PARAM --window 0 1 --json " + files());
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("\"name\":\"a\",\"written\":true,\"halfCycles\":[[-4,3],[1,-1],[-1,1],"
                         "[3,0]]"),
              std::string::npos)
        << r.out;
    // b: 2 -> 4 in mean class 8, range class 3.
    EXPECT_NE(r.out.find("[0,0,0,1,0,0,0,0,0,0,0],[0,0,0,0,0,0,0,0,0,0,0]]}"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"logRow\":11,\"messages\":[]"), std::string::npos) << r.out;

    ASSERT_EQ(run("--workbook " + book + " --sheet PARAM --window 0 1 " + files()).exitCode, 0);
    SpreadsheetApp app;
    const WorkbookId wb = app.open(book);
    const SheetHandle b = app.sheet(wb, "b");
    EXPECT_EQ(app.value2(b, 12, 5), CellValue::num(2));
    EXPECT_EQ(app.value2(b, 2, 10), CellValue::num(2));
    EXPECT_EQ(app.value2(app.sheet(wb, "PARAM"), 12, 1), CellValue::num(2));
    EXPECT_EQ(app.value2(app.sheet(wb, "PARAM"), 12, 4).text, (dir / "a.txt").string());

    if (test::haveTool(test::debianPython()) &&
        test::runCommand(std::string(test::debianPython()) + " -c 'import openpyxl'").exitCode ==
            0) {
        const std::string script =
            "import openpyxl,sys\n"
            "wb=openpyxl.load_workbook(sys.argv[1])\n"
            "ws=wb['b']\n"
            "m=[[ws.cell(row=r,column=c).value for c in range(2,13)] for r in range(4,14)]\n"
            "print(sum(map(sum,m)), m[8][3], ws['J2'].value)\n";
        test::writeFile(dir / "read.py", script);
        const auto py = test::runCommand(std::string(test::debianPython()) + " " +
                                         (dir / "read.py").string() + " " + book);
        EXPECT_EQ(py.out, "2 2 2\n") << py.out;
    }
}

TEST_F(RainflowCli, WrongCommandLinesAndWorkbooks) {
    const struct {
        std::string args;
        int code;
        const char* says;
    } cases[] = {
        {"--workbook " + book + " --sheet PARAM " + files(), 2, "--window T1 T2 is missing"},
        {"--workbook " + book + " --sheet PARAM --window 0 x " + files(), 2, "two times"},
        {"--workbook " + book + " --sheet PARAM --window 0 1", 2, "no signal file"},
        {"--workbook " + book + " --sheet PARAM --window 0 1 --format Nope " + files(), 2,
         "unknown load format"},
        {"--workbook " + book + " --sheet Other --window 0 1 " + files(), 1, "E "},
        {"--workbook " + (dir / "none.xlsx").string() + " --sheet PARAM --window 0 1 " + files(), 1,
         "E "},
        {"--workbook " + book + " --sheet PARAM --window 0 1 " + (dir / "a.txt").string() +
             " --json --settings " + (dir / "missing.ini").string(),
         2, "--settings"},
    };
    for (const auto& c : cases) {
        const auto r = run(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
    }
    test::writeFile(dir / "big.txt", "-9\n9\n");
    const auto r = run("--workbook " + book + " --sheet PARAM --window 0 1 --json " +
                       (dir / "big.txt").string());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("{\"level\":\"error\",\"text\":\"Wrong parameters RaiFlow\"}"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Chybné paramtry pro signál č. 1 big"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("E Wrong parameters RaiFlow\n"), std::string::npos) << r.out;
}

} // namespace
} // namespace mv

// The test Log: finding the Log and the EvaLog among the open workbooks, turning a
// Test ID into its folder, and listing the files a test opens. Each workbook is built
// here, saved and opened again, so the reader's view of it is what is tested.
#include "evaluation/TestLog.h"

#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>

namespace mv {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

// Columns of the Log the tests build: the Test ID sits in D, as in the real Logs.
enum Col {
    kDate = 1,
    kTime = 2,
    kOper = 3,
    kId = 4,
    kCat = 5,
    kMark = 6,
    kLevel1 = 7,
    kTrack = 11
};

struct LogRow {
    CellValue id;
    std::string category;
    CellValue mark;
    std::array<std::string, 4> levels;
    std::string track;
};

bool hasLine(const std::vector<EvalLine>& lines, LineLevel level, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const EvalLine& l) { return l.level == level && l.text == text; });
}

std::string dump(const std::vector<EvalLine>& lines) {
    std::string s;
    for (const auto& l : lines)
        s += "[" + std::to_string(static_cast<int>(l.level)) + "] " + l.text + "\n";
    return s;
}

class TestLogTest : public ::testing::Test {
protected:
    // A Log workbook with its Ini sheet; rows from 11 down.
    void writeLog(const std::vector<LogRow>& rows, const std::string& file = "Log.xlsx",
                  bool withIni = true) {
        SpreadsheetApp maker;
        const WorkbookId wb = maker.newWorkbook("Log");
        const SheetHandle log = maker.sheet(wb, "Log");
        maker.setValue(log, 2, 1, CellValue::str("Ini sheet"));
        maker.setValue(log, 2, 2, CellValue::str("Ini"));
        const char* headers[] = {"Date", "Time", "Operator", "Test ID", "Category", "Mark",
                                 "L1",   "L2",   "L3",       "L4",      "Track"};
        for (int c = 1; c <= 11; ++c)
            maker.setValue(log, 10, c, CellValue::str(headers[c - 1]));
        maker.setColumnNumberFormat(log, kDate, "d.m.yyyy");
        maker.setColumnNumberFormat(log, kTime, "h:mm");
        int r = kLogFirstRow;
        for (const auto& row : rows) {
            maker.setValue(log, r, kDate, CellValue::num(45000 + r));             // a date serial
            maker.setValue(log, r, kTime, CellValue::num(0.5 + 1.0 / 86400 * 7)); // 12:00:07
            maker.setValue(log, r, kId, row.id);
            maker.setValue(log, r, kCat, CellValue::str(row.category));
            maker.setValue(log, r, kMark, row.mark);
            for (int l = 0; l < 4; ++l)
                if (!row.levels[l].empty())
                    maker.setValue(log, r, kLevel1 + l, CellValue::str(row.levels[l]));
            if (!row.track.empty())
                maker.setValue(log, r, kTrack, CellValue::str(row.track));
            ++r;
        }
        if (withIni) {
            const SheetHandle ini = maker.addSheet(wb, "Ini");
            const char* captions[] = {"Vehicle", "Run", "Speed", "Part"};
            for (int i = 0; i < 4; ++i)
                maker.setValue(ini, 2 + i, 1, CellValue::str(captions[i]));
        }
        maker.saveAs(wb, (dir / file).string());
    }

    void writeEvaLog(const std::string& ident, bool withEvaLogSheet = true,
                     const std::string& file = "EvaLog.xlsx") {
        SpreadsheetApp maker;
        const WorkbookId wb = maker.newWorkbook("PARAM");
        const SheetHandle param = maker.sheet(wb, "PARAM");
        maker.setValue(param, 3, 2, ident.empty() ? CellValue{} : CellValue::str(ident));
        maker.workbook(wb).setName("Ident", maker.resolve(param), {{3, 2}, {3, 2}});
        if (withEvaLogSheet)
            maker.addSheet(wb, "EvaLog");
        maker.saveAs(wb, (dir / file).string());
    }

    static LogRow saveOff(int id, std::array<std::string, 4> levels = {"V1", "", "", ""},
                          CellValue mark = CellValue::num(250), std::string track = "") {
        return {CellValue::num(id), "Save off", std::move(mark), std::move(levels),
                std::move(track)};
    }
    static LogRow note(int id, std::string category = "Note") {
        return {CellValue::num(id), std::move(category), {}, {}, {}};
    }

    RescanResult rescan() { return ExcelTopicsUpdate(app, st); }
    std::string folder() const { return dir.path().string(); }

    TempDir dir;
    SpreadsheetApp app;
    SpreadsheetState st;
};

// ---------------------------------------------------------------- rescan

TEST_F(TestLogTest, RescanFindsLogMaxIdCaptionsAndEvaLogOnce) {
    writeLog({saveOff(55), note(56), saveOff(56), saveOff(57), note(57, "Start")});
    writeEvaLog("EN14363_BauCurve");
    app.open((dir / "Log.xlsx").string());
    app.open((dir / "EvaLog.xlsx").string());

    RescanResult r = rescan();
    EXPECT_EQ(r.newMaxTestId, 57);
    EXPECT_EQ(st.MaxTestId, 57);
    EXPECT_EQ(st.LogName, folder() + "/Log.xlsx");
    EXPECT_EQ(st.EvaLogName, folder() + "/EvaLog.xlsx");
    EXPECT_EQ(
        (std::array<int, 5>{st.DateCol, st.TimeCol, st.TestIDCol, st.CategoryCol, st.TrackCol}),
        (std::array<int, 5>{1, 2, 4, 5, 11}));
    EXPECT_EQ(st.LevelCaptions, (std::array<std::string, 4>{"Vehicle", "Run", "Speed", "Part"}));
    EXPECT_TRUE(st.bulkReady());
    EXPECT_TRUE(st.FullEvaluation);
    EXPECT_FALSE(st.UpdateTopics);
    EXPECT_FALSE(app.rescanDue());
    EXPECT_TRUE(hasLine(r.lines, LineLevel::Info, "Log name: " + st.LogName)) << dump(r.lines);
    EXPECT_TRUE(hasLine(r.lines, LineLevel::Info, "EvaLog name: " + st.EvaLogName));
    EXPECT_TRUE(hasLine(r.lines, LineLevel::Info, "EvaLog processing type:  EN14363_BauCurve"));

    // The same Log again: the edit keeps what the user typed, the Log name is not repeated.
    st.UpdateTopics = true;
    r = rescan();
    EXPECT_FALSE(r.newMaxTestId.has_value());
    EXPECT_EQ(st.MaxTestId, 57);
    EXPECT_FALSE(hasLine(r.lines, LineLevel::Info, "Log name: " + st.LogName));
    EXPECT_TRUE(hasLine(r.lines, LineLevel::Info, "EvaLog name: " + st.EvaLogName));
}

TEST_F(TestLogTest, OutputSheetsLeaveOutLogAndEvaLogSorted) {
    writeLog({saveOff(1)});
    writeEvaLog("Calc");
    SpreadsheetApp maker;
    WorkbookId out = maker.newWorkbook("Zeta");
    maker.addSheet(out, "Alpha");
    maker.saveAs(out, (dir / "Results.xlsx").string());

    app.open((dir / "Results.xlsx").string());
    app.open((dir / "Log.xlsx").string());
    app.open((dir / "EvaLog.xlsx").string());
    app.newWorkbook("Sheet1"); // Book1, not yet saved
    RescanResult r = rescan();
    EXPECT_EQ(r.outputSheets, (std::vector<std::string>{"[Book1]Sheet1", "[Results.xlsx]Alpha",
                                                        "[Results.xlsx]Zeta"}));
    EXPECT_EQ(st.Ident, "Calc");
    EXPECT_FALSE(st.FullEvaluation);
}

TEST_F(TestLogTest, DamagedWorkbooksGiveTheirLineAndTheScanGoesOn) {
    // A Log without its Ini sheet: the Log is still found, the captions stay empty.
    writeLog({saveOff(3)}, "Log.xlsx", false);
    // A PARAM sheet without "EvaLog", and one whose Ident is empty: no EvaLog.
    writeEvaLog("Calc", false, "NoEvaLog.xlsx");
    writeEvaLog("", true, "EmptyIdent.xlsx");
    app.open((dir / "Log.xlsx").string());
    app.open((dir / "NoEvaLog.xlsx").string());
    app.open((dir / "EmptyIdent.xlsx").string());
    RescanResult r = rescan();
    EXPECT_TRUE(st.logFound());
    EXPECT_EQ(st.MaxTestId, 3);
    EXPECT_TRUE(hasLine(r.lines, LineLevel::Error, "Ini worksheet 'Ini' not found !"))
        << dump(r.lines);
    EXPECT_FALSE(st.evaLogFound());
    EXPECT_EQ(st.EvaLogName, "");
    // Both PARAM workbooks stay candidates for the output sheet.
    EXPECT_EQ(r.outputSheets.size(), 3u);

    // The Log's workbook closes: the next scan forgets it.
    app.close(app.workbookByName("Log.xlsx"));
    r = rescan();
    EXPECT_TRUE(r.logLost);
    EXPECT_FALSE(st.logFound());
    EXPECT_EQ(st.LogName, "");
    EXPECT_EQ(st.MaxTestId, 0);
}

TEST_F(TestLogTest, TextWhereTheHighestIdBelongsEndsTheScan) {
    LogRow bad = saveOff(0);
    bad.id = CellValue::str("fifty");
    writeLog({saveOff(1), bad});
    app.open((dir / "Log.xlsx").string());
    const RescanResult r = rescan();
    EXPECT_EQ(r.outputSheets, std::vector<std::string>{"Error by Excel communication"});
    ASSERT_FALSE(r.lines.empty());
    EXPECT_EQ(r.lines.back().level, LineLevel::Error);
    EXPECT_NE(r.lines.back().text.find("fifty"), std::string::npos) << dump(r.lines);
    EXPECT_FALSE(st.UpdateTopics);

    // A whole number typed as text is still a Test ID.
    LogRow asText = saveOff(0);
    asText.id = CellValue::str("12");
    writeLog({asText}, "Log2.xlsx");
    SpreadsheetApp app2;
    SpreadsheetState st2;
    app2.open((dir / "Log2.xlsx").string());
    EXPECT_EQ(ExcelTopicsUpdate(app2, st2).newMaxTestId, 12);
}

TEST_F(TestLogTest, LogWithoutSaveOffOrHeaderGivesNoMaximum) {
    writeLog({note(1), note(2)});
    app.open((dir / "Log.xlsx").string());
    const RescanResult r = rescan();
    EXPECT_TRUE(st.logFound());
    EXPECT_FALSE(r.newMaxTestId.has_value());
    EXPECT_EQ(st.MaxTestId, 0);
    EXPECT_EQ(st.CategoryCol, 5);
}

// ---------------------------------------------------------------- Test ID selection

TEST_F(TestLogTest, SelectionFindsTheSaveOffRowOfTheTest) {
    // ID 7: its bottom row is a note; the "Save off" row above it gives the levels.
    // ID 8: a row of ID 7 comes before any "Save off" of 8.
    writeLog({saveOff(6), saveOff(8, {"Old"}),
              saveOff(7, {"Car", "", "Fast", ""}, CellValue::num(500), "KOL13_x"), note(7), note(7),
              note(8), saveOff(9, {"A", "B", "C", "D"})});
    app.open((dir / "Log.xlsx").string());
    rescan();
    fs::create_directories(dir / "Car" / "Fast" / "7");
    fs::create_directories(dir / "tracks");
    test::writeFile(dir / "tracks" / "KOL1x.xlsx", "");
    test::writeFile(dir / "tracks" / "KOL13 Brno.xlsx", "");
    test::writeFile(dir / "tracks" / "kol13 a.xlsx", "");

    TestSelection s = SelectTestId(app, st, 7, "tracks");
    EXPECT_TRUE(s.valid) << dump(s.messages);
    EXPECT_EQ(s.testPath, folder() + "/Car/Fast/7/");
    EXPECT_EQ(s.levels, (std::array<std::string, 4>{"Car", "", "Fast", ""}));
    EXPECT_EQ(s.date, "28.3.2023"); // serial 45000 + 13, as the column's format shows it
    EXPECT_EQ(s.time, "12:00:07");
    ASSERT_TRUE(s.fProcess.has_value());
    EXPECT_DOUBLE_EQ(*s.fProcess, 2000.0);
    EXPECT_EQ(s.trackInfo, "KOL13 Brno.xlsx"); // the first by name, without regard to case
    EXPECT_TRUE(hasLine(s.messages, LineLevel::Info, "Current directory: " + s.testPath));

    s = SelectTestId(app, st, 8, "tracks");
    EXPECT_FALSE(s.valid);
    EXPECT_EQ(s.testPath, folder());
    EXPECT_EQ(s.levels, (std::array<std::string, 4>{}));
    EXPECT_TRUE(hasLine(s.messages, LineLevel::Error, "Can not found: \"Save Off\" for Test ID: 8"))
        << dump(s.messages);
}

TEST_F(TestLogTest, SelectionFailuresMarkTheTestInvalid) {
    LogRow textMark = saveOff(2, {"X"}, CellValue::str("250"));
    LogRow zeroMark = saveOff(3, {"X"}, CellValue::num(0));
    writeLog({saveOff(1, {"X"}), textMark, zeroMark});
    fs::create_directories(dir / "X" / "2");
    fs::create_directories(dir / "X" / "3");
    fs::create_directories(dir / "99");

    // Without a Log.
    TestSelection s = SelectTestId(app, st, 1, "");
    EXPECT_FALSE(s.valid);
    EXPECT_EQ(s.messages,
              (std::vector<EvalLine>{{LineLevel::Error, "Can't found Excel Log sheet"}}));

    app.open((dir / "Log.xlsx").string());
    rescan();
    // The folder of ID 1 does not exist: the Log folder, both lines.
    s = SelectTestId(app, st, 1, "");
    EXPECT_FALSE(s.valid);
    EXPECT_EQ(s.testPath, folder());
    const std::string missing = folder() + "/X/1/";
    EXPECT_TRUE(hasLine(s.messages, LineLevel::Error, "Can't set current directory: " + missing));
    EXPECT_TRUE(hasLine(s.messages, LineLevel::Error,
                        "Test ID 1 - Can't set current directory:  " + missing));

    // A sample period as text, or zero: no rate, the folder is still the test's.
    for (int id : {2, 3}) {
        s = SelectTestId(app, st, id, "");
        EXPECT_TRUE(s.valid) << id;
        EXPECT_FALSE(s.fProcess.has_value()) << id;
        EXPECT_TRUE(hasLine(s.messages, LineLevel::Error, "Can not found Sampl f [Hz]")) << id;
    }

    // An ID the Log does not know: invalid even though its folder exists.
    s = SelectTestId(app, st, 99, "");
    EXPECT_FALSE(s.valid);
    EXPECT_EQ(s.testPath, folder() + "/99/");
}

TEST_F(TestLogTest, ScanAndSelectionOnAFullLog) {
    // Every row of the Log used: the highest ID comes from the last "Save off" row and
    // selections still find their rows near the top. How long this takes is measured by
    // the workbook benchmark, not here.
    std::vector<LogRow> rows;
    for (int id = 1; static_cast<int>(rows.size()) < kLogLastRow - kLogFirstRow - 3; ++id) {
        rows.push_back(note(id, "Start"));
        rows.push_back(saveOff(id, {"L"}));
        rows.push_back(note(id, "Stop"));
    }
    const int last = static_cast<int>(rows.size()) / 3;
    writeLog(rows);
    app.open((dir / "Log.xlsx").string());
    EXPECT_EQ(rescan().newMaxTestId, last);
    int found = 0;
    for (int id : {1, 2, 100, last - 1, last}) {
        const TestSelection s = SelectTestId(app, st, id, "");
        found += s.levels[0] == "L" ? 1 : 0;
    }
    EXPECT_EQ(found, 5);
}

// ---------------------------------------------------------------- test files

TEST_F(TestLogTest, TestFilesTakesTheFirst200PlainMatchingFilesSortedByName) {
    const fs::path d = dir / "7";
    fs::create_directories(d / "sub.mvn");
    for (int i = 0; i < 250; ++i)
        test::writeFile(d / ("s" + std::to_string(1000 - i) + ".mvn"), "x");
    test::writeFile(d / ".hidden.mvn", "x");
    test::writeFile(d / "notes.txt", "x");
    test::writeFile(d / "UPPER.MVN", "x");

    std::vector<EvalLine> lines;
    const auto files = TestFiles(d.string() + "/", "*.mvn", lines);
    EXPECT_TRUE(lines.empty()) << dump(lines);
    ASSERT_EQ(files.size(), 200u);
    EXPECT_TRUE(std::is_sorted(files.begin(), files.end()));
    for (const auto& f : files) {
        const std::string name = fs::path(f).filename().string();
        EXPECT_EQ(f, d.string() + "/" + name);
        EXPECT_TRUE(fs::is_regular_file(f)) << f;
        EXPECT_NE(name.front(), '.');
    }

    // With fewer files every one is taken, the upper-case one included.
    const fs::path few = dir / "8";
    fs::create_directories(few);
    test::writeFile(few / "b.mvn", "x");
    test::writeFile(few / "A.MVN", "x");
    EXPECT_EQ(TestFiles(few.string(), "*.mvn", lines),
              (std::vector<std::string>{few.string() + "/A.MVN", few.string() + "/b.mvn"}));
}

TEST_F(TestLogTest, TestFilesReportsMissingFolderAndNoMatch) {
    EXPECT_EQ(testFileMask(0), "*.mvn");
    EXPECT_EQ(testFileMask(2), "*.*");
    EXPECT_EQ(testFileMask(-1), "*.mvn"); // a format outside the list: the native one
    std::vector<EvalLine> lines;
    EXPECT_TRUE(TestFiles((dir / "none").string(), "*.mvn", lines).empty());
    EXPECT_EQ(lines,
              (std::vector<EvalLine>{{LineLevel::Error, "Adresář zadané zkoušky nebyl nalezen"}}));
    lines.clear();
    test::writeFile(dir / "a.csv", "x");
    EXPECT_TRUE(TestFiles(dir.dir(), "*.mvn", lines).empty());
    EXPECT_EQ(lines,
              (std::vector<EvalLine>{
                  {LineLevel::Error, "No *.mvn type signal found in directory: " + dir.dir()}}));
}

} // namespace
} // namespace mv

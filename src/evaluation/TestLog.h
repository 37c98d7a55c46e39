#pragma once
// The test Log workbook and test navigation: finding the Log and the EvaLog among the
// open workbooks, turning a Test ID into the folder of its signal files, and listing
// the files a test opens. Nothing here touches a window or the process's current
// directory: callers show the results and make the folder current themselves.
#include "evaluation/EvalLine.h"
#include "evaluation/workbook/SpreadsheetApp.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace mv {

inline constexpr int kLogFirstRow = 11;
inline constexpr int kLogLastRow = 65535;
inline constexpr int kTestLevels = 4;

// The spreadsheet state of the process: which open sheets are the Log, the EvaLog's
// PARAM and EvaLog sheets and the output sheet, and where the Log's columns are.
struct SpreadsheetState {
    SheetHandle LogSheet;
    std::string LogName; // folder + "/" + file name; empty when none
    SheetHandle ParamSheet;
    SheetHandle EvaLogSheet;
    std::string EvaLogName;
    SheetHandle OutputSheet;
    int DateCol = 0, TimeCol = 0, TestIDCol = 0, CategoryCol = 0, TrackCol = 0;
    // Folder of the selected test and of the test whose files were opened last, both
    // ending in "/".
    std::string TestPath;
    std::string OpenedTestPath;
    // The four captions of the path levels (the Ini sheet's A2..A5).
    std::array<std::string, kTestLevels> LevelCaptions;
    // The Log's highest Test ID (column D of the last "Save off" row); 0 without a Log.
    int MaxTestId = 0;
    // `Ident` of the EvaLog; FullEvaluation when it is exactly "EN14363_BauCurve".
    std::string Ident;
    bool FullEvaluation = false;
    bool UpdateTopics = true;

    bool logFound() const { return LogSheet.isSet(); }
    bool evaLogFound() const { return ParamSheet.isSet() && EvaLogSheet.isSet(); }
    // The four bulk commands need all three sheets.
    bool bulkReady() const { return logFound() && evaLogFound(); }
};

// What a rescan found, for the window to show.
struct RescanResult {
    std::vector<EvalLine> lines;
    // The output-sheet list, sorted: "[" workbook "]" sheet, or the single item
    // "Error by Excel communication" when the scan broke off.
    std::vector<std::string> outputSheets;
    // The Log's highest Test ID changed: the Test ID edit, From and To take it as their
    // maximum and the edit shows it.
    std::optional<int> newMaxTestId;
    bool logLost = false; // a Log known before can no longer be reached
};

// Rescans the open workbooks (the Log, the EvaLog, the output-sheet candidates) and
// clears UpdateTopics.
RescanResult ExcelTopicsUpdate(SpreadsheetApp& app, SpreadsheetState& st);

// A Test ID turned into its test.
struct TestSelection {
    int id = 0;
    // The test can be evaluated: its "Save off" row was found and its folder exists.
    bool valid = false;
    // Folder of the test's files, ending in "/"; the Log folder (without "/") when the
    // test's folder cannot be entered.
    std::string testPath;
    std::array<std::string, kTestLevels> levels; // empty texts for empty levels
    std::string date;                            // the Date cell's text under its format
    std::string time;                            // hh:mm:ss
    std::optional<double> fProcess;              // 1000000 / the "Mark" cell
    std::string trackInfo;                       // track-information file name, "" if none
    std::vector<EvalLine> messages;
};

// Selects a Test ID: the Log's "Save off" row of it, the path levels, date, time, f process
// and track-information file. `trackSubdir` is the track-information subfolder of the Log
// folder. Without a Log the result is invalid with "Can't found Excel Log sheet".
TestSelection SelectTestId(const SpreadsheetApp& app, const SpreadsheetState& st, int id,
                           const std::string& trackSubdir);

// Folder of the Log workbook, without a trailing "/"; empty without a Log.
std::string logFolder(const SpreadsheetApp& app, const SpreadsheetState& st);

// The mask a test's files match in a load format: the second field of its open-dialog
// filter ("*.mvn"), at most 20 characters.
std::string testFileMask(int loadFormatIndex);

// The files a test opens: plain files of `dir` matching `mask` ("*.mvn", without regard
// to case), at most 200 of them as found, sorted by name, each as `dir` + "/" + name.
// A missing folder or no match adds the error line.
std::vector<std::string> TestFiles(const std::string& dir, const std::string& mask,
                                   std::vector<EvalLine>& lines);

} // namespace mv

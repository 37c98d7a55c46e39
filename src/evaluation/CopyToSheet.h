#pragma once
// Signal data into the output sheet: "Copy sign.to Excel" puts the samples of every
// plotted signal inside the graph's window into columns, thinned to about a set number of
// lines; PasteToExcel writes one row of readings (or the header over them) per call.
// Bulk values go as one text block per column, pasted through the workbook engine with
// the user's decimal separator, so numbers land as numbers whatever the separator.
#include "core/Log.h"
#include "core/SignalStore.h"
#include "evaluation/workbook/SpreadsheetApp.h"
#include "graphs/GraphState.h"

#include <array>
#include <string>
#include <vector>

namespace mv {

inline constexpr int kRowInXlsMin = 1;
inline constexpr int kRowInXlsMax = 65536;
inline constexpr int kCopyRowsMax = 1048576;

// Where the text blocks also go: the clipboard in the program, nothing on the command line.
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void setText(const std::string& text) = 0;
};

// The slots copied and read: occupied and plotted, in slot order.
std::vector<int> copiedSignals(const SignalStore& store);

struct CopyRequest {
    double T1 = 0.0;
    double T2 = 0.0;
    int maxRows = 1000; // M, "Excel copy rows:"
    char decimalSeparator = '.';
};

// One pasted column: its cell-(2, col) name and its text, one line per copied sample.
struct CopyColumn {
    int col = 0;
    std::string name;
    std::string text;
    int lines = 0;
};

struct SheetCopy {
    std::string dir;      // A1: the first signal's folder
    std::string timeText; // from A3: the first signal's sample times
    int timeLines = 0;
    std::vector<CopyColumn> columns; // from column B
};

// The sample numbers a window copies: From, From + step, … while below To, the first
// always, with step = (To − From + 1) div M (at least 1). The window is clamped to the
// signal's samples; none inside it gives none.
std::vector<std::int64_t> copyIndices(double T1, double T2, double fs, std::int64_t count,
                                      int maxRows);

// The blocks of "Copy sign.to Excel", computed without touching a sheet.
SheetCopy planSheetCopy(const SignalStore& store, const CopyRequest& req);

// "Copy sign.to Excel" into `sheet`: A1 the folder, A2 "Time", row 2 the names, values from
// row 3. Logs one line per signal; an error ends the copy with "Copy to Excel Error !" and
// false, the columns already pasted stay. Every block also goes to `clipboard` when given.
bool copySignalsToSheet(SpreadsheetApp& app, const SheetHandle& sheet, const SignalStore& store,
                        const CopyRequest& req, Log& log, TextSink* clipboard = nullptr);

// The statistics columns 7 .. 13 of the Signal table that a reading writes.
using StatMarks = std::array<bool, 7>;
inline constexpr std::array<const char*, 7> kStatCaptions = {"Y value", "SamplNo", "Samples", "Min",
                                                             "Max",     "Mean",    "RMS"};

// PasteToExcel(column) of a graph: column −1 writes the header, a pixel column of the plot
// area the readings at its time. Returns the next "Row in xls": row + 1, whether the row
// was written or failed ("Paste to Excel Error !"), never above its maximum.
int PasteToExcel(SpreadsheetApp& app, const SheetHandle& sheet, int row, const SignalStore& store,
                 const StatMarks& marks, const SigImageState& image, int column, Log& log);

} // namespace mv

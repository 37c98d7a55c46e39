#pragma once
// The rules of the Signal table that are not drawing: which columns exist and
// what they show, which texts an edit accepts, the flag toggles of the header
// row, the save-divider preset, the clipboard texts and "Fill signal".
// The grid widget holds no arithmetic; it asks these functions.
#include "core/SignalStore.h"
#include "core/TimeWindow.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

class SettingsBackend;

inline constexpr int kSigGridCols = 24;
inline constexpr int kSigGridRows = kSlotCount + 1; // row 0 is the header

// Column numbers of the Signal table.
enum SigCol : int {
    scNo = 0,
    scPlot = 1,
    scName = 2,
    scFs = 3,
    scId = 4,
    scColor = 5,
    scUnits = 6,
    scYValue = 7,
    scSamplNo = 8,
    scSamples = 9,
    scMin = 10,
    scMax = 11,
    scMean = 12,
    scRms = 13,
    scOffs = 14,
    scFn1 = 15,
    scFn4 = 18,
    scProcFn = 19,
    scOvr = 20,
    scExport = 21,
    scSensType = 22,
    scNote = 23,
};

struct SigGridColumn {
    const char* caption;
    int width;
};
extern const std::array<SigGridColumn, kSigGridCols> kSignalGridColumns;

inline bool isFnColumn(int col) {
    return col >= scFn1 && col <= scFn4;
}
inline int fnStepOfColumn(int col) {
    return col - scFn1;
}
// The header's tooltip of a column: what Space, Enter and Delete (and a header click)
// do there. Empty for column 0.
std::string headerKeyHint(int col);

// Column widths of the table, persisted as "SignalGrid/Width00" .. "Width23"; a missing
// or unreadable width (or one below 8 or above 2000) takes the column's default.
std::array<int, kSigGridCols> readColumnWidths(const SettingsBackend& s);
void writeColumnWidths(SettingsBackend& s, const std::array<int, kSigGridCols>& widths);

// Columns the user edits in place.
bool isEditableColumn(int col);
// Columns whose content is drawn (check marks, colour, boxes), not written as text.
bool isDrawnColumn(int col);

// "  1" .. "  9", then "10" .. "200".
std::string rowCaption(int row);

// The 16 colours of the pick list, 0x00BBGGRR, with their names.
struct NamedColour {
    const char* name;
    Colour colour;
};
extern const std::array<NamedColour, 16> kPickColours;
// Index of the colour in kPickColours, -1 when it is not one of them.
int pickColourIndex(Colour c);

// Window statistics of one signal in the active graph.
struct WindowStats {
    std::int64_t SmpCount = 0;
    float SMin = 0.0f;
    float SMax = 0.0f;
    float SMean = 0.0f;
    double SRMS = 0.0;
};

// ---- editing ---------------------------------------------------------------

// A signal name is a file name: at most 63 plain ASCII characters, none of
// space \ / : * ? " < > |. The empty name is allowed.
bool validSigName(std::string_view name);

enum class EditOutcome {
    Accepted,    // the record changed
    Rejected,    // the editor turns red, the record is unchanged
    NoChange,    // accepted text that changes nothing (empty time offset)
    NotEditable, // the column is not edited as text
};

// Commits the editor text of a text column (2, 6, 14, 22, 23) into the record.
// Column 14 reads the number with the user's decimal separator.
EditOutcome commitTextEdit(SignalRecord& rec, int col, std::string_view text, char decimalSep);

// Writes an edited "Y value" into sample `samplNoText` (the text of column 8).
// Refused when that text is not a sample number inside 1..SampleCount or the value
// is not a number with '.' as separator.
EditOutcome commitSampleValue(SignalRecord& rec, std::string_view samplNoText,
                              std::string_view valueText);
// Whether column 8 holds a sample number of this record (editing may start).
bool holdsSampleNumber(const SignalRecord& rec, std::string_view samplNoText);

// Decimal places 0..6: up wraps 6 -> 0, down wraps 0 -> 6.
int stepDecPlaces(int dp, bool down);

// ---- header row ------------------------------------------------------------

// "Plot": when any occupied slot is plotted, all occupied slots go off, else on.
void toggleAllPlot(SignalStore& store);
// "ProcFn": only slots with at least one function are touched.
void toggleAllProcFn(SignalStore& store, const std::function<bool(int slot)>& hasFunction);
// "Ovr": any set -> clear all occupied, else set all occupied.
void toggleAllOvr(SignalStore& store);
// "f_export Hz": any SaveDiv > 0 -> 0 on all occupied, else 1 on all occupied.
void toggleAllSaveDiv(SignalStore& store);

// ---- save divider ----------------------------------------------------------

// Space / Enter on "f_export Hz": the preset when SaveDiv <= 0, else 0.
void toggleSaveDiv(SignalRecord& rec, int preset);
// Ctrl+Up (down = false) lowers the preset by one (not below 1), Ctrl+Down raises it;
// acts only on a slot with SaveDiv > 0, which then takes the preset. Returns whether
// it acted.
bool stepSaveDivPreset(SignalRecord& rec, int& preset, bool ctrlDown);
// Text of the "f_export Hz" box: f_sampl / SaveDiv with 2 decimals; empty when SaveDiv < 1.
std::string exportRateText(const SignalRecord& rec);

// ---- row texts ---------------------------------------------------------------

// The cells SignalGridUpdate writes for one row; a cell left std::nullopt keeps
// whatever it held (the cursor readouts of columns 7 and 8 when statistics exist).
using RowTexts = std::array<std::optional<std::string>, kSigGridCols>;
RowTexts signalRowTexts(const SignalRecord& rec, bool isPath,
                        const std::optional<WindowStats>& stats, char decimalSep);
// Name cell: SigName, or SigDir + SigName + FileExt with the path shown.
std::string nameCellText(const SignalRecord& rec, bool isPath);

// ---- clipboard ---------------------------------------------------------------

struct CellRect {
    int left = 0, top = 0, right = -1, bottom = -1;
};
enum class CopyRange { None, Texts, Functions };
// Which copy a selection makes: within columns 2..14 the cell texts, within 15..18
// the function texts; anything touching 0, 1 or mixing both copies nothing.
CopyRange copyRangeOf(const CellRect& sel);
// Rows joined as TAB-separated fields, each row ended by CR LF.
std::string joinCopyText(const std::vector<std::vector<std::string>>& rows);
// Splits clipboard text into lines at CR LF (a lone LF is taken as well) and
// fields at TAB; an empty line ends the paste.
std::vector<std::vector<std::string>> splitPasteText(std::string_view text);
// The files of a file-manager list that are opened as native files: the extension
// must be exactly ".mvn".
std::vector<std::string> nativeFilesOnly(const std::vector<std::string>& paths);

// Open-dialog filter of a load format ("Morvanet|*.mvn"); the first entry for an
// index outside the list.
std::string loadFormatFilter(int loadFormatIndex);

// ---- fill ----------------------------------------------------------------

// Sets the samples of `slot` inside the window T1..T2 to `value`. Nothing happens
// for a slot outside 1..200, an empty slot or a window without samples; the range
// always stays inside the buffer. Returns the samples written.
SampleRange fillSignal(SignalStore& store, int slot, double T1, double T2, float value);

} // namespace mv

#pragma once
// The context help of the main window and the Monitors window, as data: one entry per
// control (by object name), per grid cell or column, per Signal-table column and row kind,
// and per tool page. Every entry carries an English and a Czech text; the widgets only
// find the entry under the mouse and show it.
#include <span>
#include <string>
#include <string_view>

namespace mv {

enum class HelpLang : int { English = 0, Czech = 1 };

struct HelpText {
    std::string_view en, cz;
    std::string_view in(HelpLang lang) const { return lang == HelpLang::Czech ? cz : en; }
};

inline constexpr int kAnyCell = -1;

struct HelpEntry {
    std::string_view target; // object name of the control
    // For grids the cell (row, column); for the page control the tab index in `column`;
    // for the Signal table row 0 is the header row and row 1 stands for every data row.
    // kAnyCell matches any row or column.
    int row = kAnyCell;
    int column = kAnyCell;
    HelpText heading; // empty: the caller builds it (the Signal table's column caption)
    HelpText text;
};

// Object names with help of their own that are not plain controls.
inline constexpr std::string_view kSignalTableTarget = "SignalGrid";
inline constexpr std::string_view kPageControlTarget = "PageControl1";

// Every help entry.
std::span<const HelpEntry> helpEntries();

// The entry for a control, or for a cell of a grid: an entry of exactly that row and
// column first, then one for the row, then one for the column, then one for the whole
// control. nullptr when the control has no help.
const HelpEntry* findHelp(std::string_view target, int row = kAnyCell, int column = kAnyCell);

// True when some entry names this control.
bool hasHelp(std::string_view target);

// The heading of a Signal-table cell's help: "Signal table - " and the column's caption.
std::string signalTableHeading(std::string_view caption);

// The hints of the two file-format groups: a first line, then one line per format. Tooltips
// are off in this program, so the first line heads the group's help.
std::string_view loadFormatHint();
std::string_view saveFormatHint();

} // namespace mv

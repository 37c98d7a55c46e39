#pragma once
// The running spreadsheet application of the program: the open workbooks and the
// operations the evaluation commands use on them. Rows and columns count from 1.
// Every failure throws one SpreadsheetError whose text says what went wrong.
#include "evaluation/workbook/Workbook.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mv {

using WorkbookId = std::uint64_t;

// A sheet as callers hold it across commands; it stays valid while the sheet is open
// and resolving it afterwards fails cleanly instead of touching freed memory.
struct SheetHandle {
    WorkbookId workbook = 0;
    std::uint64_t sheet = 0;
    bool isSet() const { return workbook != 0; }
    bool operator==(const SheetHandle&) const = default;
};

// A cell reached through a defined name: its Row, Column and Offset.
struct NamedCell {
    SheetHandle sheet;
    int row = 0;
    int column = 0;
    NamedCell offset(int rows, int cols) const { return {sheet, row + rows, column + cols}; }
};

enum class FindDirection { Next, Previous };

// A rectangular block of values, row by row.
struct Block {
    int rows = 0;
    int cols = 0;
    std::vector<CellValue> values;
    Block() = default;
    Block(int r, int c)
        : rows(r), cols(c), values(static_cast<size_t>(r) * static_cast<size_t>(c)) {}
    CellValue& at(int r, int c) {
        return values[static_cast<size_t>(r) * static_cast<size_t>(cols) + static_cast<size_t>(c)];
    }
    const CellValue& at(int r, int c) const {
        return values[static_cast<size_t>(r) * static_cast<size_t>(cols) + static_cast<size_t>(c)];
    }
};

class SpreadsheetApp {
public:
    SpreadsheetApp() = default;
    SpreadsheetApp(const SpreadsheetApp&) = delete;
    SpreadsheetApp& operator=(const SpreadsheetApp&) = delete;
    SpreadsheetApp(SpreadsheetApp&&) = default;
    SpreadsheetApp& operator=(SpreadsheetApp&&) = default;

    // --- workbook files ---
    // Opens a file; a file that is already open is not read again (its unsaved
    // changes stay). Another workbook of the same file name cannot be open at once.
    WorkbookId open(const std::string& path);
    // A new workbook with one sheet, named "Book<n>" until it is saved.
    WorkbookId newWorkbook(const std::string& sheetName = "Sheet1");
    void save(WorkbookId id);
    void saveAs(WorkbookId id, const std::string& path);
    // Closes without saving: the caller asks the user first.
    void close(WorkbookId id);

    int workbookCount() const { return static_cast<int>(books_.size()); }
    std::vector<WorkbookId> workbookIds() const;
    Workbook& workbook(WorkbookId id);
    const Workbook& workbook(WorkbookId id) const;
    // By file name ("Log.xlsx"), case-insensitive; throws when none is open.
    WorkbookId workbookByName(const std::string& name) const;
    bool isOpen(WorkbookId id) const;

    // --- sheets ---
    SheetHandle sheet(WorkbookId id, const std::string& name) const;
    SheetHandle sheetAt(WorkbookId id, int index) const; // 0-based
    std::optional<SheetHandle> findSheet(WorkbookId id, const std::string& name) const;
    SheetHandle addSheet(WorkbookId id, const std::string& name); // after the last one
    void renameSheet(const SheetHandle& h, const std::string& newName);
    void deleteSheet(const SheetHandle& h);
    std::string sheetName(const SheetHandle& h) const;
    Sheet& resolve(const SheetHandle& h);
    const Sheet& resolve(const SheetHandle& h) const;
    bool isOpen(const SheetHandle& h) const;

    // --- cells ---
    // `Value`: like value2, but a number under a date format comes as Date.
    CellValue value(const SheetHandle& h, int row, int col) const;
    // `Value2`: the stored value.
    CellValue value2(const SheetHandle& h, int row, int col) const;
    // The text the cell shows under its number format.
    std::string text(const SheetHandle& h, int row, int col) const;
    void setValue(const SheetHandle& h, int row, int col, const CellValue& v);
    bool bold(const SheetHandle& h, int row, int col) const;
    void setBold(const SheetHandle& h, int row, int col, bool bold);
    std::string numberFormat(const SheetHandle& h, int row, int col) const;
    void setNumberFormat(const SheetHandle& h, const CellRange& r, const std::string& code);
    // Thin continuous borders on all four sides of every cell of the range.
    void setBorders(const SheetHandle& h, const CellRange& r);
    void setWrap(const SheetHandle& h, const CellRange& r);
    void merge(const SheetHandle& h, const CellRange& r);
    void setColumnWidth(const SheetHandle& h, int col, double width);
    // `EntireColumn.NumberFormat`: the cells of the column and those written later.
    void setColumnNumberFormat(const SheetHandle& h, int col, const std::string& code);

    // --- named cells ---
    // The first cell of the range a defined name points at, seen from the sheet.
    NamedCell namedCell(const SheetHandle& h, const std::string& name);

    // --- find ---
    // Searches the values of the range for a whole-cell match (texts without regard
    // to case; an empty value finds an empty cell). Next starts after `after` (default:
    // the first cell of the range) and wraps round, so the first cell comes last;
    // Previous goes backwards from before `after` (default: from the last cell).
    std::optional<CellPos> find(const SheetHandle& h, const CellRange& range, const CellValue& what,
                                FindDirection dir,
                                std::optional<CellPos> after = std::nullopt) const;

    // --- next free row ---
    // `End` upwards from the cell: the row the jump lands on.
    int endUp(const SheetHandle& h, int row, int col) const;
    // endUp + 1.
    int nextFreeRow(const SheetHandle& h, int row, int col) const { return endUp(h, row, col) + 1; }

    // --- blocks ---
    Block readBlock(const SheetHandle& h, const CellRange& r) const;        // `Value`
    void writeBlock(const SheetHandle& h, CellPos topLeft, const Block& b); // `Value2`

    // --- paste ---
    // The text goes down from the cell, one line a row; a TAB moves to the next column.
    // Numbers are read with `decimalSeparator`, the separator the text was written with.
    void pasteText(const SheetHandle& h, int row, int col, const std::string& text,
                   char decimalSeparator = '.');

    void setScreenUpdating(bool on) { screenUpdating_ = on; }
    bool screenUpdating() const { return screenUpdating_; }

    // --- the workbook macros, built in ---
    // `ref` is workbook name + "!FormatListu" or "!VybarviMatici".
    void runMacro(const std::string& ref, const SheetHandle& h);

    // The rescan flag: set by open, new, before close, new sheet and sheet delete, and
    // also by Save As and sheet rename, which change the names the output list shows.
    bool rescanDue() const { return rescanDue_; }
    void setRescanDue(bool due) { rescanDue_ = due; }

    // True when some open workbook has changes not yet saved.
    bool anyUnsaved() const;

private:
    struct Entry {
        WorkbookId id;
        std::unique_ptr<Workbook> book;
    };
    Entry* entry(WorkbookId id);
    const Entry* entry(WorkbookId id) const;
    void checkCell(int row, int col) const;
    void checkNameFree(const std::string& name, WorkbookId except) const;
    void applyStyle(const SheetHandle& h, const CellRange& r,
                    std::uint32_t (*change)(Styles&, std::uint32_t, const std::string&),
                    const std::string& arg);

    std::vector<Entry> books_;
    WorkbookId lastId_ = 0;
    int lastNewBook_ = 0;
    bool rescanDue_ = true;
    bool screenUpdating_ = true;
};

// The entries of the output-sheet list: "[" workbook "]" sheet for every sheet of every
// open workbook except those named in `exclude` and "PERSONAL.XLS".
std::vector<std::string> outputSheetEntries(const SpreadsheetApp& app,
                                            const std::vector<std::string>& exclude = {});
// The sheet an output-sheet entry names (split at the first "]"); throws when none.
SheetHandle sheetOfEntry(const SpreadsheetApp& app, const std::string& entry);

// The built-in workbook macros.
void formatResultSheet(SpreadsheetApp& app, const SheetHandle& h); // FormatListu
void colourCountMatrix(SpreadsheetApp& app, const SheetHandle& h); // VybarviMatici

} // namespace mv

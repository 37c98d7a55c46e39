#pragma once
// Cell addresses in A1 notation: columns as letters, rows and columns from 1.
#include <optional>
#include <string>
#include <string_view>

namespace mv {

// Limits of the .xlsx format.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

struct CellPos {
    int row = 0;
    int col = 0;
    bool operator==(const CellPos&) const = default;
};

struct CellRange {
    CellPos first;
    CellPos last;
    bool operator==(const CellRange&) const = default;
    bool contains(int r, int c) const {
        return r >= first.row && r <= last.row && c >= first.col && c <= last.col;
    }
    int rows() const { return last.row - first.row + 1; }
    int cols() const { return last.col - first.col + 1; }
};

// "A" -> 1, "DM" -> 117; nullopt for anything else or out of range.
std::optional<int> columnFromLetters(std::string_view letters);
std::string columnLetters(int col);
// Appends "B12" to out; fast, used by the sheet writer.
void appendCellName(std::string& out, int row, int col);
std::string cellName(int row, int col);
std::string absoluteCellName(int row, int col); // "$B$12"

// "B12" or "$B$12".
std::optional<CellPos> parseCellName(std::string_view text);
// "A1:C10", "$A$1:$C$10" or one cell "B2" (a range of one cell).
std::optional<CellRange> parseRange(std::string_view text);
std::string rangeName(const CellRange& r);

// A reference of a defined name or an address typed by the user: "Sheet!$A$1",
// "'My sheet'!A1:B2" or, without a sheet, "A1". Quotes in a quoted name are doubled.
struct SheetReference {
    std::string sheet; // empty when the text names no sheet
    CellRange range;
};
std::optional<SheetReference> parseSheetReference(std::string_view text);
// The sheet name as a reference writes it: quoted when it holds anything but letters,
// digits, '_' and '.', or could be read as a cell name.
std::string quoteSheetName(std::string_view name);

} // namespace mv

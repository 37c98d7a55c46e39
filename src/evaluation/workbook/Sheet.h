#pragma once
// One worksheet in memory: only the cells that hold something, row by row, so memory
// follows the cells used and not the sheet's dimensions.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "evaluation/workbook/CellRef.h"

namespace mv {

enum class CellType : std::uint8_t { Empty, Number, Text, Bool, Error, Date };

// A value as the spreadsheet operations pass it. Date only comes out of a `Value`
// read of a number whose format shows a date; the stored value is then a Number.
struct CellValue {
    CellType type = CellType::Empty;
    double number = 0.0; // Number, Date, Bool (0 or 1)
    std::string text;    // Text, Error ("#N/A")

    static CellValue empty() { return {}; }
    static CellValue num(double v) { return {CellType::Number, v, {}}; }
    static CellValue str(std::string s) { return {CellType::Text, 0.0, std::move(s)}; }
    static CellValue boolean(bool b) { return {CellType::Bool, b ? 1.0 : 0.0, {}}; }
    static CellValue error(std::string s) { return {CellType::Error, 0.0, std::move(s)}; }
    bool isEmpty() const { return type == CellType::Empty; }
    bool isNumber() const { return type == CellType::Number || type == CellType::Date; }
    bool operator==(const CellValue&) const = default;
};

// What a formula cell keeps besides its cached value: the formula text and the
// attributes of its <f> element (shared and array formulas), written back unchanged.
struct Formula {
    std::string text;
    std::string attrs;
};

struct Cell {
    std::uint32_t col = 0;
    std::uint32_t style = 0; // index into the workbook's cell formats
    CellType type = CellType::Empty;
    bool hasFormula = false;
    double number = 0.0;
    std::string text;
};

struct Row {
    std::vector<Cell> cells; // sorted by column
    std::string attrs;       // the <row> attributes other than r and spans, kept as read
};

struct ColumnInfo {
    int min = 1;
    int max = 1;
    double width = 0.0; // in characters; 0 = not set
    std::string attrs;  // other <col> attributes (style, hidden, ...), kept as read
};

class Sheet {
public:
    explicit Sheet(std::string name, std::uint64_t id) : name_(std::move(name)), id_(id) {}
    Sheet(const Sheet&) = delete;
    Sheet& operator=(const Sheet&) = delete;

    const std::string& name() const { return name_; }
    std::uint64_t id() const { return id_; }

    // Value2: the stored value.
    CellValue value(int row, int col) const;
    // Sets the value and drops a formula; keeps the cell's format.
    void setValue(int row, int col, const CellValue& v);
    std::uint32_t style(int row, int col) const;
    void setStyle(int row, int col, std::uint32_t style);
    const Formula* formula(int row, int col) const;
    // Sets a formula and its cached value.
    void setFormula(int row, int col, Formula f, const CellValue& cached);

    const Cell* find(int row, int col) const;
    const std::map<int, Row>& rows() const { return rows_; }
    // Lowest and highest used row and column; an empty sheet gives A1:A1.
    CellRange usedRange() const;
    std::size_t cellCount() const;

    std::vector<CellRange>& merges() { return merges_; }
    const std::vector<CellRange>& merges() const { return merges_; }
    // Merges a range; ranges it overlaps are unmerged first (as the spreadsheet does).
    void merge(const CellRange& r);

    double columnWidth(int col) const; // 0 when not set
    void setColumnWidth(int col, double width);
    std::vector<ColumnInfo>& columns() { return cols_; }
    const std::vector<ColumnInfo>& columns() const { return cols_; }

    // Used by the reader and the writer only.
    Cell& touch(int row, int col);
    Row& rowForReader(int row) { return rows_[row]; }
    void dropEmptyRows();
    std::map<std::pair<int, int>, Formula>& formulas() { return formulas_; }
    const std::map<std::pair<int, int>, Formula>& formulas() const { return formulas_; }
    // The sheet's XML without its cells, merges and column widths, which are written
    // from the model: everything else on the sheet round-trips through it.
    std::string shellXml;
    std::string partName; // "xl/worksheets/sheet1.xml"; empty for a new sheet

private:
    friend class Workbook;
    std::string name_;
    std::uint64_t id_;
    std::map<int, Row> rows_;
    std::map<std::pair<int, int>, Formula> formulas_;
    std::vector<CellRange> merges_;
    std::vector<ColumnInfo> cols_;
};

} // namespace mv

#pragma once
// Workbook contents as plain text, so that the table readers can be fuzzed without the
// zip and XML layers in the way (the workbook target covers those):
//   %NAME        a new workbook named NAME (one is open from the start, "Book.xlsx")
//   #NAME        a new sheet NAME in the current workbook, filled from row 1
//   @ROW         go on at row ROW of the current sheet
//   !NAME=R,C    a workbook-scope defined name for cell (R, C) of the current sheet
//   otherwise    one row of cells separated by tabs: a text that reads whole as a
//                number is a number, a leading '*' makes the cell bold
#include "evaluation/workbook/SpreadsheetApp.h"
#include "evaluation/workbook/SpreadsheetError.h"
#include "evaluation/workbook/Workbook.h"

#include <charconv>
#include <string>
#include <string_view>

namespace mv::fuzz {

inline CellValue gridCell(std::string_view t) {
    if (t.empty())
        return {};
    double v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec == std::errc() && end == t.data() + t.size())
        return CellValue::num(v);
    return CellValue::str(std::string(t));
}

inline int gridInt(std::string_view t, int lo, int hi, int dflt) {
    int v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    return ec == std::errc() && v >= lo && v <= hi ? v : dflt;
}

// Calls cell(row, col, value, bold) for every cell and the other callbacks for the
// directives; rows and columns are 1-based and kept below the given limits.
template <class OnBook, class OnSheet, class OnName, class OnCell>
void readGrid(std::string_view in, int maxRow, int maxCol, OnBook onBook, OnSheet onSheet,
              OnName onName, OnCell onCell) {
    int row = 1;
    std::size_t pos = 0;
    while (pos <= in.size()) {
        std::size_t eol = in.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = in.size();
        std::string_view line = in.substr(pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && line.front() == '%') {
            onBook(std::string(line.substr(1)));
            row = 1;
            continue;
        }
        if (!line.empty() && line.front() == '#') {
            onSheet(std::string(line.substr(1)));
            row = 1;
            continue;
        }
        if (!line.empty() && line.front() == '@') {
            row = gridInt(line.substr(1), 1, maxRow, row);
            continue;
        }
        if (!line.empty() && line.front() == '!') {
            const std::size_t eq = line.find('='), comma = line.find(',');
            if (eq != std::string_view::npos && comma != std::string_view::npos && comma > eq)
                onName(std::string(line.substr(1, eq - 1)),
                       gridInt(line.substr(eq + 1, comma - eq - 1), 1, maxRow, 1),
                       gridInt(line.substr(comma + 1), 1, maxCol, 1));
            continue;
        }
        if (row > maxRow)
            continue;
        int col = 1;
        std::size_t c = 0;
        while (c <= line.size() && col <= maxCol) {
            std::size_t tab = line.find('\t', c);
            if (tab == std::string_view::npos)
                tab = line.size();
            std::string_view t = line.substr(c, tab - c);
            const bool bold = !t.empty() && t.front() == '*';
            if (bold)
                t.remove_prefix(1);
            if (!t.empty() || bold)
                onCell(row, col, gridCell(t), bold);
            c = tab + 1;
            ++col;
        }
        ++row;
    }
}

// Fills a spreadsheet application from the text; names and sheets the workbook engine
// refuses are skipped (that is the engine's business, tested elsewhere).
inline void fillApp(SpreadsheetApp& app, std::string_view in, int maxRow = 400, int maxCol = 40) {
    WorkbookId book = app.newWorkbook("Sheet1");
    SheetHandle sheet = app.sheetAt(book, 0);
    bool fresh = true; // the new workbook's own first sheet is still unused
    readGrid(
        in, maxRow, maxCol,
        [&](const std::string&) {
            book = app.newWorkbook("Sheet1");
            sheet = app.sheetAt(book, 0);
            fresh = true;
        },
        [&](const std::string& name) {
            try {
                if (fresh)
                    app.renameSheet(sheet, name);
                else
                    sheet = app.addSheet(book, name);
                fresh = false;
            } catch (const SpreadsheetError&) {
            }
        },
        [&](const std::string& name, int r, int c) {
            try {
                Workbook& wb = app.workbook(book);
                wb.setName(name, app.resolve(sheet), CellRange{{r, c}, {r, c}});
            } catch (const SpreadsheetError&) {
            }
        },
        [&](int r, int c, const CellValue& v, bool bold) {
            app.setValue(sheet, r, c, v);
            if (bold)
                app.setBold(sheet, r, c, true);
        });
}

} // namespace mv::fuzz

// The two workbook macros the rainflow command calls by name, built in: the layout
// of a new result sheet, and the colouring of its count matrix by value.
#include <algorithm>
#include <cmath>

#include "evaluation/workbook/SpreadsheetApp.h"

namespace mv {

namespace {
// The result sheet's layout: the matrix starts at B4, J2 counts the matrices added.
constexpr int kMatrixRow = 4;
constexpr int kMatrixCol = 2;
} // namespace

void formatResultSheet(SpreadsheetApp& app, const SheetHandle& h) {
    const std::string name = app.sheetName(h);
    app.setValue(h, 1, 1, CellValue::str(name));
    app.setBold(h, 1, 1, true);
    app.setValue(h, 2, 9, CellValue::str("Matrices:"));
    app.setBold(h, 2, 9, true);
    app.setValue(h, 3, 1, CellValue::str("Mean \\ range"));
    app.setBold(h, 3, 1, true);
    app.setColumnWidth(h, 1, 14);
}

void colourCountMatrix(SpreadsheetApp& app, const SheetHandle& h) {
    Sheet& s = app.resolve(h);
    const CellRange used = s.usedRange();
    if (used.last.row < kMatrixRow || used.last.col < kMatrixCol)
        return;
    const CellRange m{{kMatrixRow, kMatrixCol}, used.last};
    double maxCount = 0;
    for (auto it = s.rows().lower_bound(kMatrixRow); it != s.rows().end(); ++it)
        for (const Cell& c : it->second.cells)
            if (static_cast<int>(c.col) >= kMatrixCol && c.type == CellType::Number)
                maxCount = std::max(maxCount, c.number);
    // Eight steps from pale yellow (few cycles) to red (the most), zero stays white.
    static const long kSteps[] = {0xFFFFCC, 0xFFEDA0, 0xFED976, 0xFEB24C,
                                  0xFD8D3C, 0xFC4E2A, 0xE31A1C, 0xBD0026};
    Workbook& wb = app.workbook(h.workbook);
    for (int row = m.first.row; row <= m.last.row; ++row)
        for (int col = m.first.col; col <= m.last.col; ++col) {
            const Cell* c = s.find(row, col);
            if (!c)
                continue;
            long rgb = -1;
            if (c->type == CellType::Number && c->number > 0 && maxCount > 0) {
                int step = static_cast<int>(std::ceil(8.0 * c->number / maxCount)) - 1;
                rgb = kSteps[std::clamp(step, 0, 7)];
            }
            s.setStyle(row, col, wb.styles().withFill(c->style, rgb));
        }
    wb.markChanged();
}

} // namespace mv

#include "evaluation/workbook/Sheet.h"

#include <algorithm>

namespace mv {

namespace {
CellValue toValue(const Cell& c) {
    CellValue v;
    v.type = c.type;
    v.number = c.number;
    if (c.type == CellType::Text || c.type == CellType::Error)
        v.text = c.text;
    return v;
}

template <class V>
auto lowerByCol(V& cells, int col) {
    return std::lower_bound(cells.begin(), cells.end(), static_cast<std::uint32_t>(col),
                            [](const Cell& c, std::uint32_t k) { return c.col < k; });
}
} // namespace

const Cell* Sheet::find(int row, int col) const {
    auto it = rows_.find(row);
    if (it == rows_.end())
        return nullptr;
    const auto& cells = it->second.cells;
    auto c = lowerByCol(cells, col);
    if (c == cells.end() || c->col != static_cast<std::uint32_t>(col))
        return nullptr;
    return &*c;
}

Cell& Sheet::touch(int row, int col) {
    auto& cells = rows_[row].cells;
    if (cells.empty() || cells.back().col < static_cast<std::uint32_t>(col)) {
        cells.push_back(Cell{});
        cells.back().col = static_cast<std::uint32_t>(col);
        return cells.back();
    }
    auto it = std::lower_bound(cells.begin(), cells.end(), static_cast<std::uint32_t>(col),
                               [](const Cell& c, std::uint32_t k) { return c.col < k; });
    if (it != cells.end() && it->col == static_cast<std::uint32_t>(col))
        return *it;
    Cell fresh;
    fresh.col = static_cast<std::uint32_t>(col);
    return *cells.insert(it, std::move(fresh));
}

CellValue Sheet::value(int row, int col) const {
    const Cell* c = find(row, col);
    return c ? toValue(*c) : CellValue{};
}

void Sheet::setValue(int row, int col, const CellValue& v) {
    if (v.isEmpty()) {
        // An empty cell without a format is no cell at all: memory stays with the used cells.
        auto rit = rows_.find(row);
        if (rit == rows_.end())
            return;
        auto& cells = rit->second.cells;
        auto it = lowerByCol(cells, col);
        if (it == cells.end() || it->col != static_cast<std::uint32_t>(col))
            return;
        formulas_.erase({row, col});
        if (it->style == 0) {
            cells.erase(it);
            if (cells.empty() && rit->second.attrs.empty())
                rows_.erase(rit);
        } else {
            it->type = CellType::Empty;
            it->hasFormula = false;
            it->number = 0;
            it->text.clear();
        }
        return;
    }
    Cell& c = touch(row, col);
    c.type = v.type == CellType::Date ? CellType::Number : v.type;
    c.number = v.type == CellType::Bool ? (v.number != 0 ? 1.0 : 0.0) : v.number;
    c.text = (v.type == CellType::Text || v.type == CellType::Error) ? v.text : std::string();
    if (c.hasFormula) {
        c.hasFormula = false;
        formulas_.erase({row, col});
    }
}

std::uint32_t Sheet::style(int row, int col) const {
    const Cell* c = find(row, col);
    return c ? c->style : 0;
}

void Sheet::setStyle(int row, int col, std::uint32_t style) {
    if (style == 0 && !find(row, col))
        return;
    touch(row, col).style = style;
}

const Formula* Sheet::formula(int row, int col) const {
    auto it = formulas_.find({row, col});
    return it == formulas_.end() ? nullptr : &it->second;
}

void Sheet::setFormula(int row, int col, Formula f, const CellValue& cached) {
    setValue(row, col, cached);
    Cell& c = touch(row, col);
    c.hasFormula = true;
    formulas_[{row, col}] = std::move(f);
}

CellRange Sheet::usedRange() const {
    CellRange r{{0, 0}, {0, 0}};
    bool any = false;
    for (const auto& [row, data] : rows_) {
        if (data.cells.empty())
            continue;
        const int c0 = static_cast<int>(data.cells.front().col);
        const int c1 = static_cast<int>(data.cells.back().col);
        if (!any) {
            r = {{row, c0}, {row, c1}};
            any = true;
        } else {
            r.first.col = std::min(r.first.col, c0);
            r.last.col = std::max(r.last.col, c1);
            r.last.row = row;
        }
    }
    if (!any)
        return {{1, 1}, {1, 1}};
    return r;
}

void Sheet::dropEmptyRows() {
    for (auto it = rows_.begin(); it != rows_.end();)
        it = it->second.cells.empty() && it->second.attrs.empty() ? rows_.erase(it) : std::next(it);
}

std::size_t Sheet::cellCount() const {
    std::size_t n = 0;
    for (const auto& [row, data] : rows_)
        n += data.cells.size();
    return n;
}

void Sheet::merge(const CellRange& r) {
    auto overlaps = [&](const CellRange& m) {
        return !(m.last.row < r.first.row || m.first.row > r.last.row ||
                 m.last.col < r.first.col || m.first.col > r.last.col);
    };
    merges_.erase(std::remove_if(merges_.begin(), merges_.end(), overlaps), merges_.end());
    if (r.first != r.last)
        merges_.push_back(r);
}

double Sheet::columnWidth(int col) const {
    for (const auto& c : cols_)
        if (col >= c.min && col <= c.max)
            return c.width;
    return 0.0;
}

void Sheet::setColumnWidth(int col, double width) {
    for (size_t i = 0; i < cols_.size(); ++i) {
        ColumnInfo c = cols_[i];
        if (col < c.min || col > c.max)
            continue;
        // Split the range so only this column changes.
        std::vector<ColumnInfo> parts;
        if (c.min < col)
            parts.push_back({c.min, col - 1, c.width, c.attrs});
        parts.push_back({col, col, width, c.attrs});
        if (col < c.max)
            parts.push_back({col + 1, c.max, c.width, c.attrs});
        cols_.erase(cols_.begin() + static_cast<long>(i));
        cols_.insert(cols_.begin() + static_cast<long>(i), parts.begin(), parts.end());
        return;
    }
    auto it = std::lower_bound(cols_.begin(), cols_.end(), col,
                               [](const ColumnInfo& c, int k) { return c.max < k; });
    cols_.insert(it, ColumnInfo{col, col, width, {}});
}

} // namespace mv

#include "evaluation/workbook/SpreadsheetApp.h"

#include "evaluation/workbook/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace mv {

namespace {
std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string sameFile(const std::string& path) {
    std::error_code ec;
    auto canon = std::filesystem::weakly_canonical(path, ec);
    return ec ? std::filesystem::absolute(path).lexically_normal().string() : canon.string();
}
} // namespace

SpreadsheetApp::Entry* SpreadsheetApp::entry(WorkbookId id) {
    for (auto& e : books_)
        if (e.id == id)
            return &e;
    return nullptr;
}

const SpreadsheetApp::Entry* SpreadsheetApp::entry(WorkbookId id) const {
    return const_cast<SpreadsheetApp*>(this)->entry(id);
}

void SpreadsheetApp::checkNameFree(const std::string& name, WorkbookId except) const {
    for (const auto& e : books_)
        if (e.id != except && lower(e.book->name()) == lower(name))
            throw SpreadsheetError("A workbook named " + name + " is already open" +
                                   (e.book->hasFile() ? " (" + e.book->fullName() + ")" : "") +
                                   "; close it first");
}

WorkbookId SpreadsheetApp::open(const std::string& path) {
    const std::string full = sameFile(path);
    for (const auto& e : books_)
        if (e.book->hasFile() && sameFile(e.book->fullName()) == full)
            return e.id;
    checkNameFree(std::filesystem::path(path).filename().string(), 0);
    auto wb = Workbook::open(path);
    books_.push_back({++lastId_, std::move(wb)});
    rescanDue_ = true;
    return lastId_;
}

WorkbookId SpreadsheetApp::newWorkbook(const std::string& sheetName) {
    std::string name;
    do {
        name = "Book" + std::to_string(++lastNewBook_);
    } while ([&] {
        for (const auto& e : books_)
            if (lower(e.book->name()) == lower(name))
                return true;
        return false;
    }());
    books_.push_back({++lastId_, std::make_unique<Workbook>(name, sheetName)});
    rescanDue_ = true;
    return lastId_;
}

void SpreadsheetApp::save(WorkbookId id) {
    workbook(id).save();
}

void SpreadsheetApp::saveAs(WorkbookId id, const std::string& path) {
    Workbook& wb = workbook(id);
    checkNameFree(std::filesystem::path(path).filename().string(), id);
    wb.saveAs(path);
    rescanDue_ = true; // the list shows workbook names
}

void SpreadsheetApp::close(WorkbookId id) {
    for (auto it = books_.begin(); it != books_.end(); ++it)
        if (it->id == id) {
            rescanDue_ = true;
            books_.erase(it);
            return;
        }
    throw SpreadsheetError("The workbook is no longer open");
}

std::vector<WorkbookId> SpreadsheetApp::workbookIds() const {
    std::vector<WorkbookId> ids;
    for (const auto& e : books_)
        ids.push_back(e.id);
    return ids;
}

Workbook& SpreadsheetApp::workbook(WorkbookId id) {
    auto* e = entry(id);
    if (!e)
        throw SpreadsheetError("The workbook is no longer open");
    return *e->book;
}

const Workbook& SpreadsheetApp::workbook(WorkbookId id) const {
    return const_cast<SpreadsheetApp*>(this)->workbook(id);
}

WorkbookId SpreadsheetApp::workbookByName(const std::string& name) const {
    for (const auto& e : books_)
        if (lower(e.book->name()) == lower(name))
            return e.id;
    throw SpreadsheetError("No open workbook is named " + name);
}

bool SpreadsheetApp::isOpen(WorkbookId id) const {
    return entry(id) != nullptr;
}

bool SpreadsheetApp::anyUnsaved() const {
    for (const auto& e : books_)
        if (!e.book->saved())
            return true;
    return false;
}

// ---------------------------------------------------------------- sheets

SheetHandle SpreadsheetApp::sheet(WorkbookId id, const std::string& name) const {
    if (auto h = findSheet(id, name))
        return *h;
    throw SpreadsheetError("Workbook " + workbook(id).name() + " has no sheet '" + name + "'");
}

std::optional<SheetHandle> SpreadsheetApp::findSheet(WorkbookId id, const std::string& name) const {
    Workbook& wb = const_cast<SpreadsheetApp*>(this)->workbook(id);
    if (Sheet* s = wb.findSheet(name))
        return SheetHandle{id, s->id()};
    return std::nullopt;
}

SheetHandle SpreadsheetApp::sheetAt(WorkbookId id, int index) const {
    const Workbook& wb = workbook(id);
    return {id, wb.sheet(index).id()};
}

SheetHandle SpreadsheetApp::addSheet(WorkbookId id, const std::string& name) {
    Sheet& s = workbook(id).addSheet(name);
    rescanDue_ = true;
    return {id, s.id()};
}

void SpreadsheetApp::renameSheet(const SheetHandle& h, const std::string& newName) {
    workbook(h.workbook).renameSheet(resolve(h), newName);
    rescanDue_ = true; // the output-sheet list shows sheet names
}

void SpreadsheetApp::deleteSheet(const SheetHandle& h) {
    Sheet& s = resolve(h);
    rescanDue_ = true;
    workbook(h.workbook).deleteSheet(s);
}

Sheet& SpreadsheetApp::resolve(const SheetHandle& h) {
    auto* e = entry(h.workbook);
    if (!e)
        throw SpreadsheetError("The workbook of the sheet is no longer open");
    for (int i = 0; i < e->book->sheetCount(); ++i)
        if (e->book->sheet(i).id() == h.sheet)
            return e->book->sheet(i);
    throw SpreadsheetError("The sheet no longer exists in workbook " + e->book->name());
}

const Sheet& SpreadsheetApp::resolve(const SheetHandle& h) const {
    return const_cast<SpreadsheetApp*>(this)->resolve(h);
}

bool SpreadsheetApp::isOpen(const SheetHandle& h) const {
    try {
        resolve(h);
        return true;
    } catch (const SpreadsheetError&) {
        return false;
    }
}

std::string SpreadsheetApp::sheetName(const SheetHandle& h) const {
    return resolve(h).name();
}

// ---------------------------------------------------------------- cells

void SpreadsheetApp::checkCell(int row, int col) const {
    if (row < 1 || row > kMaxRows || col < 1 || col > kMaxColumns)
        throw SpreadsheetError("Cell (" + std::to_string(row) + ", " + std::to_string(col) +
                               ") is outside the sheet");
}

CellValue SpreadsheetApp::value2(const SheetHandle& h, int row, int col) const {
    checkCell(row, col);
    return resolve(h).value(row, col);
}

CellValue SpreadsheetApp::value(const SheetHandle& h, int row, int col) const {
    checkCell(row, col);
    const Sheet& s = resolve(h);
    CellValue v = s.value(row, col);
    if (v.type == CellType::Number &&
        isDateFormat(workbook(h.workbook).styles().numberFormat(s.style(row, col))))
        v.type = CellType::Date;
    return v;
}

std::string SpreadsheetApp::text(const SheetHandle& h, int row, int col) const {
    checkCell(row, col);
    const Sheet& s = resolve(h);
    return formatValue(s.value(row, col),
                       workbook(h.workbook).styles().numberFormat(s.style(row, col)));
}

void SpreadsheetApp::setValue(const SheetHandle& h, int row, int col, const CellValue& v) {
    checkCell(row, col);
    if (v.type == CellType::Text && v.text.size() > 32767)
        throw SpreadsheetError("A cell holds at most 32767 characters");
    resolve(h).setValue(row, col, v);
    workbook(h.workbook).markChanged();
}

bool SpreadsheetApp::bold(const SheetHandle& h, int row, int col) const {
    checkCell(row, col);
    return workbook(h.workbook).styles().isBold(resolve(h).style(row, col));
}

void SpreadsheetApp::applyStyle(const SheetHandle& h, const CellRange& r,
                                std::uint32_t (*change)(Styles&, std::uint32_t, const std::string&),
                                const std::string& arg) {
    checkCell(r.first.row, r.first.col);
    checkCell(r.last.row, r.last.col);
    Sheet& s = resolve(h);
    Workbook& wb = workbook(h.workbook);
    for (int row = r.first.row; row <= r.last.row; ++row)
        for (int col = r.first.col; col <= r.last.col; ++col)
            s.setStyle(row, col, change(wb.styles(), s.style(row, col), arg));
    wb.markChanged();
}

void SpreadsheetApp::setBold(const SheetHandle& h, int row, int col, bool bold) {
    applyStyle(
        h, {{row, col}, {row, col}},
        [](Styles& st, std::uint32_t xf, const std::string& a) {
            return st.withBold(xf, a == "1");
        },
        bold ? "1" : "0");
}

std::string SpreadsheetApp::numberFormat(const SheetHandle& h, int row, int col) const {
    checkCell(row, col);
    return workbook(h.workbook).styles().numberFormat(resolve(h).style(row, col));
}

void SpreadsheetApp::setNumberFormat(const SheetHandle& h, const CellRange& r,
                                     const std::string& code) {
    if (code.empty())
        throw SpreadsheetError("An empty number format");
    applyStyle(
        h, r,
        [](Styles& st, std::uint32_t xf, const std::string& a) {
            return st.withNumberFormat(xf, a);
        },
        code);
}

void SpreadsheetApp::setBorders(const SheetHandle& h, const CellRange& r) {
    applyStyle(
        h, r,
        [](Styles& st, std::uint32_t xf, const std::string&) { return st.withAllBorders(xf); }, {});
}

void SpreadsheetApp::setWrap(const SheetHandle& h, const CellRange& r) {
    applyStyle(
        h, r, [](Styles& st, std::uint32_t xf, const std::string&) { return st.withWrap(xf); }, {});
}

void SpreadsheetApp::merge(const SheetHandle& h, const CellRange& r) {
    checkCell(r.first.row, r.first.col);
    checkCell(r.last.row, r.last.col);
    resolve(h).merge(r);
    workbook(h.workbook).markChanged();
}

void SpreadsheetApp::setColumnWidth(const SheetHandle& h, int col, double width) {
    checkCell(1, col);
    if (!(width >= 0 && width <= 255))
        throw SpreadsheetError("A column width lies between 0 and 255 characters");
    resolve(h).setColumnWidth(col, width);
    workbook(h.workbook).markChanged();
}

void SpreadsheetApp::setColumnNumberFormat(const SheetHandle& h, int col, const std::string& code) {
    checkCell(1, col);
    if (code.empty())
        throw SpreadsheetError("An empty number format");
    Sheet& s = resolve(h);
    Styles& st = workbook(h.workbook).styles();
    s.setColumnStyle(col, st.withNumberFormat(s.columnStyle(col), code));
    for (const auto& [row, data] : s.rows())
        for (const Cell& c : data.cells)
            if (static_cast<int>(c.col) == col)
                s.setStyle(row, col, st.withNumberFormat(c.style, code));
    workbook(h.workbook).markChanged();
}

NamedCell SpreadsheetApp::namedCell(const SheetHandle& h, const std::string& name) {
    Sheet& from = resolve(h);
    NameTarget t = workbook(h.workbook).resolveName(name, &from);
    return {SheetHandle{h.workbook, t.sheet->id()}, t.range.first.row, t.range.first.col};
}

// ---------------------------------------------------------------- find

std::optional<CellPos> SpreadsheetApp::find(const SheetHandle& h, const CellRange& range,
                                            const CellValue& what, FindDirection dir,
                                            std::optional<CellPos> after) const {
    checkCell(range.first.row, range.first.col);
    checkCell(range.last.row, range.last.col);
    const Sheet& s = resolve(h);
    const Styles& st = workbook(h.workbook).styles();
    const std::string wantText = lower(formatValue(what, "General"));
    auto matches = [&](const Cell* c) {
        if (what.isEmpty())
            return c == nullptr || c->type == CellType::Empty;
        if (!c || c->type == CellType::Empty)
            return false;
        if (what.isNumber() && c->type == CellType::Number && c->number == what.number)
            return true;
        // Values are compared as the cell shows them.
        CellValue v;
        v.type = c->type;
        v.number = c->number;
        v.text = c->str();
        return lower(formatValue(v, st.numberFormat(c->style))) == wantText;
    };
    // Positions in reading order (by rows) as one index; the search starts next to `after`.
    const long long w = range.cols();
    const long long total = static_cast<long long>(range.rows()) * w;
    auto indexOf = [&](CellPos p) {
        return static_cast<long long>(p.row - range.first.row) * w + (p.col - range.first.col);
    };
    auto posOf = [&](long long i) {
        return CellPos{range.first.row + static_cast<int>(i / w),
                       range.first.col + static_cast<int>(i % w)};
    };
    long long start = 0;
    if (after && range.contains(after->row, after->col))
        start = indexOf(*after);
    else if (dir == FindDirection::Previous)
        start = 0; // going back from the first cell wraps to the last

    if (!what.isEmpty()) {
        // Only stored cells can match: visit them in order, both sides of the start.
        std::vector<long long> hits;
        auto rowIt = s.rows().lower_bound(range.first.row);
        for (; rowIt != s.rows().end() && rowIt->first <= range.last.row; ++rowIt)
            for (const Cell& c : rowIt->second.cells) {
                const int col = static_cast<int>(c.col);
                if (col < range.first.col || col > range.last.col)
                    continue;
                if (matches(&c))
                    hits.push_back(indexOf({rowIt->first, col}));
            }
        if (hits.empty())
            return std::nullopt;
        if (dir == FindDirection::Next) {
            auto it = std::upper_bound(hits.begin(), hits.end(), start);
            return posOf(it != hits.end() ? *it : hits.front());
        }
        auto it = std::lower_bound(hits.begin(), hits.end(), start);
        return posOf(it != hits.begin() ? *(it - 1) : hits.back());
    }
    // An empty value: walk the positions; used cells are few compared with the sheet.
    for (long long k = 1; k <= total; ++k) {
        long long i = dir == FindDirection::Next ? (start + k) % total
                                                 : ((start - k) % total + total) % total;
        const CellPos p = posOf(i);
        if (matches(s.find(p.row, p.col)))
            return p;
    }
    return std::nullopt;
}

int SpreadsheetApp::endUp(const SheetHandle& h, int row, int col) const {
    checkCell(row, col);
    const Sheet& s = resolve(h);
    auto filled = [&](int r) {
        const Cell* c = s.find(r, col);
        return c && c->type != CellType::Empty;
    };
    if (row == 1)
        return 1;
    if (filled(row) && filled(row - 1)) {
        int r = row - 1;
        while (r > 1 && filled(r - 1))
            --r;
        return r;
    }
    // The first filled cell above; the stored rows are visited, not every row number.
    const auto& rows = s.rows();
    auto it = rows.lower_bound(row);
    while (it != rows.begin()) {
        --it;
        if (filled(it->first))
            return it->first;
    }
    return 1;
}

// ---------------------------------------------------------------- blocks and paste

Block SpreadsheetApp::readBlock(const SheetHandle& h, const CellRange& r) const {
    checkCell(r.first.row, r.first.col);
    checkCell(r.last.row, r.last.col);
    const Sheet& s = resolve(h);
    const Styles& st = workbook(h.workbook).styles();
    Block b(r.rows(), r.cols());
    for (auto it = s.rows().lower_bound(r.first.row);
         it != s.rows().end() && it->first <= r.last.row; ++it)
        for (const Cell& c : it->second.cells) {
            const int col = static_cast<int>(c.col);
            if (col < r.first.col || col > r.last.col || c.type == CellType::Empty)
                continue;
            CellValue& v = b.at(it->first - r.first.row, col - r.first.col);
            v.type = c.type;
            v.number = c.number;
            v.text = c.str();
            if (c.type == CellType::Number && c.style != 0 &&
                isDateFormat(st.numberFormat(c.style)))
                v.type = CellType::Date;
        }
    return b;
}

void SpreadsheetApp::writeBlock(const SheetHandle& h, CellPos topLeft, const Block& b) {
    if (b.rows <= 0 || b.cols <= 0)
        return;
    checkCell(topLeft.row, topLeft.col);
    checkCell(topLeft.row + b.rows - 1, topLeft.col + b.cols - 1);
    if (b.values.size() != static_cast<size_t>(b.rows) * static_cast<size_t>(b.cols))
        throw SpreadsheetError("The block holds " + std::to_string(b.values.size()) +
                               " values, not " + std::to_string(b.rows) + " x " +
                               std::to_string(b.cols));
    Sheet& s = resolve(h);
    for (int r = 0; r < b.rows; ++r)
        for (int c = 0; c < b.cols; ++c)
            s.setValue(topLeft.row + r, topLeft.col + c, b.at(r, c));
    workbook(h.workbook).markChanged();
}

void SpreadsheetApp::pasteText(const SheetHandle& h, int row, int col, const std::string& text,
                               char decimalSeparator) {
    checkCell(row, col);
    Sheet& s = resolve(h);
    int r = row;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        const bool last = eol == std::string::npos;
        std::string line = text.substr(pos, last ? std::string::npos : eol - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        pos = last ? text.size() : eol + 1;
        checkCell(r, col);
        int c = col;
        size_t f = 0;
        for (;;) {
            const size_t tab = line.find('\t', f);
            const std::string field =
                line.substr(f, tab == std::string::npos ? std::string::npos : tab - f);
            // A tab that ends the line leaves the cell after it alone.
            if (!(tab == std::string::npos && field.empty() && f > 0)) {
                checkCell(r, c);
                s.setValue(r, c, parseInput(field, decimalSeparator));
            }
            if (tab == std::string::npos)
                break;
            f = tab + 1;
            ++c;
        }
        ++r;
    }
    workbook(h.workbook).markChanged();
}

void SpreadsheetApp::runMacro(const std::string& ref, const SheetHandle& h) {
    const auto bang = ref.rfind('!');
    const std::string book = bang == std::string::npos ? std::string() : ref.substr(0, bang);
    const std::string macro = bang == std::string::npos ? ref : ref.substr(bang + 1);
    if (!book.empty())
        workbookByName(book); // the workbook must be open, as for the spreadsheet
    if (macro == "FormatListu")
        formatResultSheet(*this, h);
    else if (macro == "VybarviMatici")
        colourCountMatrix(*this, h);
    else
        throw SpreadsheetError("The macro '" + ref + "' does not exist");
}

// ---------------------------------------------------------------- output sheet list

std::vector<std::string> outputSheetEntries(const SpreadsheetApp& app,
                                            const std::vector<std::string>& exclude) {
    std::vector<std::string> out;
    for (WorkbookId id : app.workbookIds()) {
        const Workbook& wb = app.workbook(id);
        bool skip = lower(wb.name()) == "personal.xls";
        for (const auto& e : exclude)
            skip = skip || lower(e) == lower(wb.name());
        if (skip)
            continue;
        for (int i = 0; i < wb.sheetCount(); ++i)
            out.push_back("[" + wb.name() + "]" + wb.sheet(i).name());
    }
    return out;
}

SheetHandle sheetOfEntry(const SpreadsheetApp& app, const std::string& entry) {
    const auto close = entry.find(']');
    if (entry.empty() || entry.front() != '[' || close == std::string::npos)
        throw SpreadsheetError("'" + entry + "' names no sheet");
    const WorkbookId id = app.workbookByName(entry.substr(1, close - 1));
    return app.sheet(id, entry.substr(close + 1));
}

} // namespace mv

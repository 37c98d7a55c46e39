#include "evaluation/TestLog.h"

#include "core/SignalTable.h"
#include "evaluation/workbook/NumberFormat.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace mv {

namespace {

constexpr const char* kCommError = "Error by Excel communication";
constexpr const char* kPersonal = "personal.xls";
constexpr const char* kFullEvaluationIdent = "EN14363_BauCurve";
constexpr int kHeaderRow = 10;
constexpr size_t kMaxTestFiles = 200;

char lowerAscii(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), lowerAscii);
    return s;
}

bool sameTextNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

void error(std::vector<EvalLine>& lines, std::string text) {
    lines.push_back({LineLevel::Error, std::move(text)});
}

void info(std::vector<EvalLine>& lines, std::string text) {
    lines.push_back({LineLevel::Info, std::move(text)});
}

// The Log is searched often (every selection of a bulk run), and a campaign's Log has
// tens of thousands of rows: the searches read the sheet's stored cells directly and go
// backwards over the rows that exist, never over every row number.
class LogView {
public:
    LogView(const SpreadsheetApp& app, const SheetHandle& h)
        : sheet_(app.resolve(h)), styles_(app.workbook(h.workbook).styles()) {}

    CellValue value(int row, int col) const {
        if (col < 1 || row < 1)
            return {};
        return sheet_.value(row, col);
    }
    // What the cell shows: the text a whole-cell search and the user compare.
    std::string text(int row, int col) const {
        if (col < 1 || row < 1)
            return {};
        return formatValue(sheet_.value(row, col), styles_.numberFormat(sheet_.style(row, col)));
    }
    // The last row of first..last whose filled cell in `col` satisfies `match(cell, row)`,
    // or 0. One pass over the stored rows, each cell reached within its row.
    template <class Match>
    int lastRow(int col, int first, int last, Match match) const {
        if (col < 1)
            return 0;
        const auto& rows = sheet_.rows();
        const auto ucol = static_cast<std::uint32_t>(col);
        auto it = rows.upper_bound(last);
        while (it != rows.begin()) {
            --it;
            if (it->first < first)
                break;
            const auto& cells = it->second.cells;
            const auto c =
                std::lower_bound(cells.begin(), cells.end(), ucol,
                                 [](const Cell& x, std::uint32_t v) { return x.col < v; });
            if (c != cells.end() && c->col == ucol && c->type != CellType::Empty &&
                match(*c, it->first))
                return it->first;
        }
        return 0;
    }

private:
    const Sheet& sheet_;
    const Styles& styles_;
};

// The Test ID cell holds the number, or a text that reads as it.
bool holdsId(const Cell& c, int id, const std::string& idText) {
    if (c.type == CellType::Number)
        return c.number == static_cast<double>(id);
    return c.type == CellType::Text && c.str() == idText;
}

bool holdsId(const Sheet& s, int row, int col, int id, const std::string& idText) {
    const Cell* c = row >= 1 && col >= 1 ? s.find(row, col) : nullptr;
    return c && holdsId(*c, id, idText);
}

// Column D of the last "Save off" row: a whole number, also when typed as text.
std::optional<int> integerOf(const CellValue& v) {
    double x = 0;
    if (v.isNumber()) {
        x = v.number;
    } else if (v.type == CellType::Text) {
        const CellValue parsed = parseInput(v.text);
        if (parsed.type != CellType::Number)
            return std::nullopt;
        x = parsed.number;
    } else {
        return std::nullopt;
    }
    if (!std::isfinite(x) || x != std::floor(x) || x < -2147483648.0 || x > 2147483647.0)
        return std::nullopt;
    return static_cast<int>(x);
}

// The column of a header in row 10, A..lastCol, or 0.
int headerColumn(const SpreadsheetApp& app, const SheetHandle& h, const char* header, int lastCol) {
    const auto p = app.find(h, {{kHeaderRow, 1}, {kHeaderRow, lastCol}}, CellValue::str(header),
                            FindDirection::Next);
    return p ? p->col : 0;
}

std::string workbookFullName(const Workbook& wb) {
    const std::string folder = wb.folder();
    return folder.empty() ? wb.name() : folder + "/" + wb.name();
}

// Reads one Log sheet: headers, the highest Test ID, the level captions. A sheet that
// lacks a header or a "Save off" row keeps the columns found so far and gives nothing
// else. Throws SpreadsheetError when the highest Test ID is not a whole number.
void readLog(SpreadsheetApp& app, SpreadsheetState& st, WorkbookId wbId, const SheetHandle& h,
             RescanResult& res) {
    if (int c = headerColumn(app, h, "Date", 12))
        st.DateCol = c;
    if (int c = headerColumn(app, h, "Time", 12))
        st.TimeCol = c;
    if (int c = headerColumn(app, h, "Test ID", 12))
        st.TestIDCol = c;
    if (int c = headerColumn(app, h, "Category", 12))
        st.CategoryCol = c;
    if (int c = headerColumn(app, h, "Track", 13))
        st.TrackCol = c;
    if (!st.DateCol || !st.TimeCol || !st.TestIDCol || !st.CategoryCol || !st.TrackCol)
        return;
    const LogView log(app, h);
    const int saveOff =
        log.lastRow(st.CategoryCol, kLogFirstRow, kLogLastRow, [&](const Cell& c, int) {
            return c.type == CellType::Text && sameTextNoCase(c.str(), "Save off");
        });
    if (saveOff == 0)
        return;
    const CellValue d = log.value(saveOff, 4);
    const auto maxId = integerOf(d);
    if (!maxId)
        throw SpreadsheetError("The Test ID in D" + std::to_string(saveOff) + " of the Log ('" +
                               formatValue(d, "General") + "') is not a whole number");
    if (*maxId != st.MaxTestId) {
        st.MaxTestId = *maxId;
        res.newMaxTestId = *maxId;
    }
    const std::string iniName = app.text(h, 2, 2);
    const auto ini = app.findSheet(wbId, iniName);
    if (!ini) {
        error(res.lines, "Ini worksheet '" + iniName + "' not found !");
        return;
    }
    for (int i = 0; i < kTestLevels; ++i)
        st.LevelCaptions[static_cast<size_t>(i)] =
            formatValue(app.value2(*ini, 2 + i, 1), "General");
}

// A sheet "PARAM" with a filled named cell "Ident" makes its workbook the EvaLog.
void readEvaLog(SpreadsheetApp& app, SpreadsheetState& st, WorkbookId wbId, const SheetHandle& h) {
    NamedCell ident;
    try {
        ident = app.namedCell(h, "Ident");
    } catch (const SpreadsheetError&) {
        return; // a PARAM sheet of some other workbook
    }
    try {
        const CellValue v = app.value2(ident.sheet, ident.row, ident.column);
        if (v.isEmpty())
            return;
        st.ParamSheet = h;
        st.EvaLogSheet = app.sheet(wbId, "EvaLog");
        st.EvaLogName = workbookFullName(app.workbook(wbId));
    } catch (const SpreadsheetError&) {
        st.ParamSheet = {};
        st.EvaLogSheet = {};
        st.EvaLogName.clear();
    }
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "*" and "?" as the file dialogs know them; without regard to case, as on the system
// the Logs were written on.
bool wildcardMatch(const std::string& name, const std::string& mask) {
    size_t n = 0, m = 0, star = std::string::npos, mark = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || lowerAscii(mask[m]) == lowerAscii(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            star = m++;
            mark = n;
        } else if (star != std::string::npos) {
            m = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

// The time of a Time cell as hh:mm:ss: a number is a day fraction (rounded to the
// second), a text is taken as written.
std::string timeText(const LogView& log, int row, int col) {
    const CellValue v = log.value(row, col);
    if (!v.isNumber())
        return log.text(row, col);
    if (!std::isfinite(v.number))
        return {};
    const double frac = v.number - std::floor(v.number);
    const long long secs = std::llround(frac * 86400.0) % 86400;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", secs / 3600, secs / 60 % 60, secs % 60);
    return buf;
}

// The first track-information workbook "<prefix>*.xlsx" of the folder, by name.
std::string findTrackInfo(const std::string& folder, const std::string& prefix) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return {};
    std::string best;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        std::error_code fec;
        if (!it->is_regular_file(fec))
            continue;
        const std::string name = it->path().filename().string();
        if (wildcardMatch(name, prefix + "*.xlsx") && (best.empty() || name < best))
            best = name;
    }
    return best;
}

bool canEnter(const std::string& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return false;
    fs::directory_iterator it(dir, ec);
    return !ec;
}

} // namespace

RescanResult ExcelTopicsUpdate(SpreadsheetApp& app, SpreadsheetState& st) {
    RescanResult res;
    if (st.LogSheet.isSet() && !app.isOpen(st.LogSheet)) {
        st.LogSheet = {};
        st.LogName.clear();
        st.MaxTestId = 0;
        res.logLost = true;
    }
    st.ParamSheet = {};
    st.EvaLogSheet = {};
    st.Ident.clear();
    st.FullEvaluation = false;
    std::string logName, evaLogName;
    try {
        for (WorkbookId id : app.workbookIds()) {
            const Workbook& wb = app.workbook(id);
            if (lower(wb.name()) == kPersonal)
                continue;
            for (int i = 0; i < wb.sheetCount(); ++i) {
                const SheetHandle h = app.sheetAt(id, i);
                const std::string name = app.sheetName(h);
                if (name == "Log") {
                    const CellValue a2 = app.value2(h, 2, 1);
                    if (a2.type == CellType::Text && a2.text == "Ini sheet") {
                        logName = workbookFullName(wb);
                        st.LogSheet = h;
                        readLog(app, st, id, h, res);
                    }
                } else if (name == "PARAM") {
                    readEvaLog(app, st, id, h);
                }
            }
        }
        if (st.LogSheet.isSet()) {
            if (logName.empty())
                logName = workbookFullName(app.workbook(st.LogSheet.workbook));
            if (st.LogName.empty())
                info(res.lines, "Log name: " + logName);
            st.LogName = logName;
        } else {
            st.LogName.clear();
        }
        if (st.evaLogFound()) {
            evaLogName = st.EvaLogName;
            info(res.lines, "EvaLog name: " + evaLogName);
        } else {
            st.EvaLogName.clear();
        }
        if (st.bulkReady()) {
            const NamedCell ident = app.namedCell(st.ParamSheet, "Ident");
            st.Ident = formatValue(app.value2(ident.sheet, ident.row, ident.column), "General");
            st.FullEvaluation = st.Ident == kFullEvaluationIdent;
            info(res.lines, "EvaLog processing type:  " + st.Ident);
        }
        std::vector<std::string> exclude;
        if (!st.LogName.empty())
            exclude.push_back(fileNameOf(st.LogName));
        if (!st.EvaLogName.empty())
            exclude.push_back(fileNameOf(st.EvaLogName));
        res.outputSheets = outputSheetEntries(app, exclude);
        std::sort(res.outputSheets.begin(), res.outputSheets.end());
    } catch (const Error& e) {
        error(res.lines, std::string(kCommError) + ": " + e.what());
        res.outputSheets = {kCommError};
    }
    st.UpdateTopics = false;
    app.setRescanDue(false);
    return res;
}

std::string logFolder(const SpreadsheetApp& app, const SpreadsheetState& st) {
    if (!st.LogSheet.isSet() || !app.isOpen(st.LogSheet))
        return {};
    return app.workbook(st.LogSheet.workbook).folder();
}

TestSelection SelectTestId(const SpreadsheetApp& app, const SpreadsheetState& st, int id,
                           const std::string& trackSubdir) {
    TestSelection sel;
    sel.id = id;
    const std::string idText = std::to_string(id);
    if (!st.LogSheet.isSet() || !app.isOpen(st.LogSheet)) {
        error(sel.messages, "Can't found Excel Log sheet");
        return sel;
    }
    const std::string folder = logFolder(app, st);
    sel.testPath = folder;
    const LogView log(app, st.LogSheet);
    const Sheet& sheet = app.resolve(st.LogSheet);
    const std::string noSaveOff = "Can not found: \"Save Off\" for Test ID: " + idText;

    // The test's rows: the last one carrying the ID, then up to its "Save off" row. A Log
    // without the Test ID or Category column has no such row.
    int row = 0;
    if (st.TestIDCol > 0 && st.CategoryCol > 0)
        row = log.lastRow(st.TestIDCol, kLogFirstRow, kLogLastRow,
                          [&](const Cell& c, int) { return holdsId(c, id, idText); });
    bool saveOff = false;
    if (row > 0) {
        for (;; --row) {
            if (!holdsId(sheet, row, st.TestIDCol, id, idText)) {
                error(sel.messages, noSaveOff);
                return sel; // the Log folder, nothing of another test
            }
            if (log.text(row, st.CategoryCol) == "Save off")
                break;
        }
        saveOff = true;
    } else {
        // No row of the ID at all: nothing to evaluate, but the folder is still looked at.
        error(sel.messages, noSaveOff);
    }

    if (saveOff) {
        sel.date = log.text(row, st.DateCol);
        sel.time = st.TimeCol > 0 ? timeText(log, row, st.TimeCol) : std::string();
        const int markCol = st.CategoryCol + 1;
        const CellValue header = log.value(kHeaderRow, markCol);
        if (header.type == CellType::Text && header.text == "Mark") {
            const CellValue mark = log.value(row, markCol);
            // A zero or negative period gives no rate: the same message as a text.
            if (mark.isNumber() && mark.number > 0 && std::isfinite(1000000.0 / mark.number))
                sel.fProcess = 1000000.0 / mark.number;
            else
                error(sel.messages, "Can not found Sampl f [Hz]");
        }
        if (st.TrackCol > 0) {
            std::string track = log.text(row, st.TrackCol);
            track = track.substr(0, track.find('_'));
            if (track.size() >= 5 && std::isdigit(static_cast<unsigned char>(track[4])))
                sel.trackInfo = findTrackInfo(folder + "/" + trackSubdir, track.substr(0, 5));
        }
        for (int level = 0; level < kTestLevels; ++level) {
            std::string t = log.text(row, st.CategoryCol + 2 + level);
            if (t.empty())
                continue;
            sel.testPath += "/" + t;
            sel.levels[static_cast<size_t>(level)] = std::move(t);
        }
    }
    sel.testPath += "/" + idText + "/";

    if (canEnter(sel.testPath)) {
        info(sel.messages, "Current directory: " + sel.testPath);
        sel.valid = saveOff;
    } else {
        error(sel.messages, "Can't set current directory: " + sel.testPath);
        error(sel.messages,
              "Test ID " + idText + " - Can't set current directory:  " + sel.testPath);
        sel.testPath = folder;
        sel.valid = false;
    }
    return sel;
}

std::string testFileMask(int loadFormatIndex) {
    const std::string filter = loadFormatFilter(loadFormatIndex);
    const auto bar = filter.find('|');
    std::string mask = bar == std::string::npos ? std::string("*.*") : filter.substr(bar + 1);
    const auto next = mask.find('|');
    if (next != std::string::npos)
        mask.resize(next);
    if (mask.size() > 20)
        mask.resize(20);
    return mask;
}

std::vector<std::string> TestFiles(const std::string& dir, const std::string& mask,
                                   std::vector<EvalLine>& lines) {
    std::vector<std::string> names;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        error(lines, "Adresář zadané zkoušky nebyl nalezen");
        return names;
    }
    fs::directory_iterator it(dir, ec);
    for (; !ec && it != fs::directory_iterator() && names.size() < kMaxTestFiles;
         it.increment(ec)) {
        std::error_code fec;
        // Plain files only: no folders, links to folders or hidden files.
        if (!it->is_regular_file(fec))
            continue;
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.' || !wildcardMatch(name, mask))
            continue;
        names.push_back(name);
    }
    if (ec && names.empty()) {
        error(lines, "Adresář zadané zkoušky nebyl nalezen");
        return {};
    }
    std::sort(names.begin(), names.end());
    if (names.empty()) {
        error(lines, "No " + mask + " type signal found in directory: " + dir);
        return names;
    }
    const std::string base = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    for (auto& n : names)
        n = base + n;
    return names;
}

} // namespace mv

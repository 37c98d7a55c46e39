// mvtervik-cli workbook dump | set: the workbook engine from the command line.
#include <filesystem>
#include <optional>
#include <ostream>

#include "app/cli/CliCommands.h"
#include "core/Json.h"
#include "evaluation/workbook/NumberFormat.h"
#include "evaluation/workbook/SpreadsheetApp.h"

namespace mv::cli {

namespace {
const char* const kUsage =
    "usage: workbook dump FILE.xlsx [--sheet S] [--range A1:C10] [--json]\n"
    "       workbook set FILE.xlsx SHEET!A1 VALUE [--bold]\n";

int usage(std::ostream& err, const std::string& why) {
    err << "mvtervik-cli workbook: " << why << "\n" << kUsage;
    return 2;
}

void jsonValue(JsonWriter& j, const CellValue& v) {
    switch (v.type) {
    case CellType::Number:
    case CellType::Date: j.value(v.number); break;
    case CellType::Bool: j.value(v.number != 0); break;
    case CellType::Text:
    case CellType::Error: j.value(v.text); break;
    case CellType::Empty: j.null(); break;
    }
}

int dump(const Args& args, std::ostream& out, std::ostream& err) {
    std::string file, sheetName;
    std::optional<CellRange> range;
    bool json = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--sheet" && i + 1 < args.size()) {
            sheetName = args[++i];
        } else if (args[i] == "--range" && i + 1 < args.size()) {
            range = parseRange(args[++i]);
            if (!range)
                return usage(err, "'" + args[i] + "' is no range");
        } else if (file.empty() && args[i].rfind("--", 0) != 0) {
            file = args[i];
        } else {
            return usage(err, "unexpected argument '" + args[i] + "'");
        }
    }
    if (file.empty())
        return usage(err, "no file given");
    SpreadsheetApp app;
    const WorkbookId id = app.open(file);
    Workbook& wb = app.workbook(id);
    std::vector<SheetHandle> sheets;
    if (!sheetName.empty())
        sheets.push_back(app.sheet(id, sheetName));
    else
        for (int i = 0; i < wb.sheetCount(); ++i)
            sheets.push_back(app.sheetAt(id, i));

    JsonWriter j;
    j.beginObject().key("sheets").beginObject();
    for (const SheetHandle& h : sheets) {
        const Sheet& s = app.resolve(h);
        if (json)
            j.key(s.name()).beginObject();
        else
            out << "[" << s.name() << "]\n";
        for (const auto& [row, data] : s.rows())
            for (const Cell& c : data.cells) {
                const int col = static_cast<int>(c.col);
                if (range && !range->contains(row, col))
                    continue;
                const bool bold = wb.styles().isBold(c.style);
                if (c.type == CellType::Empty && !bold)
                    continue;
                const CellValue v = s.value(row, col);
                if (json) {
                    j.key(cellName(row, col)).beginObject().key("value");
                    jsonValue(j, v);
                    j.key("bold").value(bold).endObject();
                } else {
                    out << cellName(row, col) << "\t" << formatValue(v, "General")
                        << (bold ? "\tbold" : "") << "\n";
                }
            }
        if (json)
            j.endObject();
    }
    j.endObject().key("names").beginObject();
    for (const auto& n : wb.names()) {
        // A name of one sheet's scope is listed as Sheet!Name, as the spreadsheet shows it.
        const std::string scope = wb.nameScopeText(n);
        const std::string key = scope.empty() ? n.name : quoteSheetName(scope) + "!" + n.name;
        if (json)
            j.key(key).value(n.formula);
        else
            out << "name " << key << " = " << n.formula << "\n";
    }
    j.endObject().endObject();
    if (json)
        out << j.str() << "\n";
    return 0;
}

int set(const Args& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> pos;
    bool bold = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--bold")
            bold = true;
        else
            pos.push_back(args[i]);
    }
    if (pos.size() != 3)
        return usage(err, "set takes FILE, SHEET!CELL and VALUE");
    auto ref = parseSheetReference(pos[1]);
    if (!ref || ref->sheet.empty() || ref->range.first != ref->range.last)
        return usage(err, "'" + pos[1] + "' names no single cell of a sheet");
    SpreadsheetApp app;
    const bool exists = std::filesystem::exists(pos[0]);
    const WorkbookId id = exists ? app.open(pos[0]) : app.newWorkbook(ref->sheet);
    const SheetHandle h = app.sheet(id, ref->sheet);
    const CellPos at = ref->range.first;
    app.setValue(h, at.row, at.col, parseInput(pos[2]));
    if (bold)
        app.setBold(h, at.row, at.col, true);
    if (exists)
        app.save(id);
    else
        app.saveAs(id, pos[0]);
    out << app.sheetName(h) << "!" << cellName(at.row, at.col) << " := "
        << app.text(h, at.row, at.col) << (bold ? " (bold)" : "") << "\n";
    return 0;
}
} // namespace

int cmdWorkbook(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.empty())
        return usage(err, "no action given");
    if (args[0] == "dump")
        return dump(args, out, err);
    if (args[0] == "set")
        return set(args, out, err);
    return usage(err, "unknown action '" + args[0] + "'");
}

} // namespace mv::cli

// Our .xlsx files against independent tools: openpyxl and LibreOffice Calc read what
// we write, and we read what they write.
#include <charconv>
#include <cstring>
#include <map>
#include <sstream>

#include "evaluation/workbook/SpreadsheetApp.h"
#include "support/TestSupport.h"

namespace mv {
namespace {

using test::TempDir;

// One cell as openpyxl reports it: kind (n, s, b, d, none), payload, bold, number format.
struct PyCell {
    std::string kind, payload;
    bool bold = false;
    std::string format;
};
struct PyBook {
    std::map<std::string, PyCell> cells; // "Sheet!A1"
    std::vector<std::string> merged;     // "Sheet!A1:B2"
    std::map<std::string, std::string> names; // "Name" or "Name@sheetIndex" -> reference
};

const char* const kDumpScript = R"PY(
import sys, json, datetime, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
for ws in wb.worksheets:
    for row in ws.iter_rows():
        for c in row:
            v = c.value
            if v is None and not c.font.b:
                continue
            if v is None: kind, p = 'none', ''
            elif isinstance(v, bool): kind, p = 'b', str(v)
            elif isinstance(v, (int, float)): kind, p = 'n', repr(float(v))
            elif isinstance(v, (datetime.datetime, datetime.date, datetime.time)): kind, p = 'd', v.isoformat()
            else: kind, p = 's', json.dumps(v, ensure_ascii=False)
            print('cell', ws.title + '!' + c.coordinate, kind, p, int(bool(c.font.b)), c.number_format, sep='\t')
    for m in ws.merged_cells.ranges:
        print('merged', ws.title + '!' + str(m), sep='\t')
for dn in wb.defined_names.definedName:
    key = dn.name if dn.localSheetId is None else dn.name + '@' + str(dn.localSheetId)
    print('name', key, dn.attr_text, sep='\t')
)PY";

PyBook readWithOpenpyxl(const TempDir& dir, const std::string& file) {
    test::writeFile(dir / "dump.py", kDumpScript);
    auto res = test::runCommand(std::string(test::debianPython()) + " '" + (dir / "dump.py").string() +
                                "' '" + file + "' 2>&1");
    EXPECT_EQ(res.exitCode, 0) << res.out;
    PyBook book;
    std::istringstream in(res.out);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ls(line);
        std::string part;
        while (std::getline(ls, part, '\t'))
            f.push_back(part);
        if (f.size() >= 6 && f[0] == "cell")
            book.cells[f[1]] = {f[2], f[3], f[4] == "1", f[5]};
        else if (f.size() >= 2 && f[0] == "merged")
            book.merged.push_back(f[1]);
        else if (f.size() >= 3 && f[0] == "name")
            book.names[f[1]] = f[2];
    }
    return book;
}

double asDouble(const std::string& s) {
    double d = 0;
    std::from_chars(s.data(), s.data() + s.size(), d);
    return d;
}

// The workbook every direction starts from: what the Log and result sheets hold.
void fillOurs(SpreadsheetApp& app, WorkbookId id) {
    const SheetHandle log = app.sheetAt(id, 0);
    app.setValue(log, 2, 1, CellValue::str("Ini sheet"));
    app.setValue(log, 2, 2, CellValue::str("Žluťoučký kůň"));
    const char* headers[] = {"Date", "Time", "Test ID", "Category"};
    for (int c = 0; c < 4; ++c) {
        app.setValue(log, 10, c + 1, CellValue::str(headers[c]));
        app.setBold(log, 10, c + 1, true);
    }
    app.setValue(log, 11, 1, CellValue::num(45429));
    app.setNumberFormat(log, {{11, 1}, {11, 1}}, "d/m/yyyy");
    app.setValue(log, 11, 2, CellValue::num(0.1));
    app.setValue(log, 11, 3, CellValue::num(1.0 / 3.0));
    app.setValue(log, 11, 4, CellValue::str("Save off"));
    app.setValue(log, 12, 2, CellValue::num(2.5));
    app.setNumberFormat(log, {{12, 2}, {12, 2}}, "0.000");
    app.setValue(log, 12, 3, CellValue::num(-1.2345678901234567e-7));
    app.setValue(log, 12, 4, CellValue::boolean(true));
    app.merge(log, {{2, 4}, {8, 4}});
    app.setBorders(log, {{2, 4}, {8, 4}});
    Workbook& wb = app.workbook(id);
    wb.setName("Ident", wb.sheet(0), {{2, 2}, {2, 2}});
    const SheetHandle cal = app.addSheet(id, "CalibrWS");
    wb.setName("NB", app.resolve(cal), {{2, 2}, {2, 2}}, &app.resolve(cal));
    app.setValue(cal, 2, 2, CellValue::num(8));
}

TEST(WorkbookInterop, OpenpyxlReadsOursAndWeReadOpenpyxl) {
    MV_REQUIRE_TOOL(test::debianPython());
    TempDir dir;
    SpreadsheetApp app;
    const WorkbookId id = app.newWorkbook("Log");
    fillOurs(app, id);
    const std::string ours = (dir / "ours.xlsx").string();
    app.saveAs(id, ours);

    PyBook py = readWithOpenpyxl(dir, ours);
    EXPECT_EQ(py.cells["Log!A2"].payload, "\"Ini sheet\"");
    EXPECT_EQ(py.cells["Log!B2"].payload, "\"Žluťoučký kůň\"");
    for (const char* h : {"Log!A10", "Log!B10", "Log!C10", "Log!D10"})
        EXPECT_TRUE(py.cells[h].bold) << h;
    EXPECT_FALSE(py.cells["Log!B11"].bold);
    EXPECT_EQ(py.cells["Log!A11"].kind, "d");
    EXPECT_EQ(py.cells["Log!A11"].payload, "2024-05-17T00:00:00");
    EXPECT_EQ(py.cells["Log!A11"].format, "d/m/yyyy");
    EXPECT_EQ(asDouble(py.cells["Log!B11"].payload), 0.1);
    EXPECT_EQ(asDouble(py.cells["Log!C11"].payload), 1.0 / 3.0);
    EXPECT_EQ(asDouble(py.cells["Log!C12"].payload), -1.2345678901234567e-7);
    EXPECT_EQ(py.cells["Log!B12"].format, "0.000");
    EXPECT_EQ(py.cells["Log!D12"].kind, "b");
    EXPECT_EQ(py.merged, std::vector<std::string>{"Log!D2:D8"});
    EXPECT_EQ(py.names["Ident"], "Log!$B$2");
    EXPECT_EQ(py.names["NB@1"], "CalibrWS!$B$2");
    EXPECT_EQ(asDouble(py.cells["CalibrWS!B2"].payload), 8);

    // The other way: a Log written by openpyxl.
    test::writeFile(dir / "make.py", R"PY(
import sys, datetime, openpyxl
from openpyxl.styles import Font
from openpyxl.workbook.defined_name import DefinedName
wb = openpyxl.Workbook()
ws = wb.active
ws.title = 'Log'
ws['A2'] = 'Ini sheet'
ws['B2'] = 'Ini'
for i, h in enumerate(['Date', 'Time', 'Test ID', 'Category']):
    c = ws.cell(row=10, column=i + 1, value=h)
    c.font = Font(bold=True)
ws['A11'] = datetime.datetime(2024, 5, 17)
ws['A11'].number_format = 'd.m.yyyy'
ws['B11'] = 0.1
ws['C11'] = 57
ws['D11'] = 'Save off'
ws['E11'] = 'Řeřicha'
ws['F11'] = 1 / 3
ws['B12'] = 2.5
ws['B12'].number_format = '0.000'
ws.merge_cells('D2:G8')
ini = wb.create_sheet('Ini')
ini['A2'] = 'Level 1'
wb.defined_names.append(DefinedName('Ident', attr_text='Log!$C$11'))
wb.defined_names.append(DefinedName('Cap', localSheetId=1, attr_text='Ini!$A$2'))
wb.save(sys.argv[1])
)PY");
    const std::string theirs = (dir / "theirs.xlsx").string();
    auto res = test::runCommand(std::string(test::debianPython()) + " '" + (dir / "make.py").string() +
                                "' '" + theirs + "' 2>&1");
    ASSERT_EQ(res.exitCode, 0) << res.out;
    SpreadsheetApp other;
    const WorkbookId t = other.open(theirs);
    const SheetHandle log = other.sheet(t, "Log");
    EXPECT_EQ(other.value2(log, 2, 1), CellValue::str("Ini sheet"));
    EXPECT_TRUE(other.bold(log, 10, 3));
    EXPECT_FALSE(other.bold(log, 11, 3));
    EXPECT_EQ(other.value(log, 11, 1).type, CellType::Date);
    EXPECT_EQ(other.value2(log, 11, 1), CellValue::num(45429));
    EXPECT_EQ(other.text(log, 11, 1), "17.5.2024");
    EXPECT_EQ(other.value2(log, 11, 2), CellValue::num(0.1));
    EXPECT_EQ(other.value2(log, 11, 3), CellValue::num(57));
    EXPECT_EQ(other.value2(log, 11, 5), CellValue::str("Řeřicha"));
    EXPECT_EQ(other.value2(log, 11, 6), CellValue::num(1.0 / 3.0));
    EXPECT_EQ(other.text(log, 12, 2), "2.500");
    EXPECT_EQ(rangeName(other.resolve(log).merges().at(0)), "D2:G8");
    const NamedCell ident = other.namedCell(log, "Ident");
    EXPECT_EQ(other.value2(ident.sheet, ident.row, ident.column), CellValue::num(57));
    const SheetHandle ini = other.sheet(t, "Ini");
    const NamedCell cap = other.namedCell(ini, "Cap");
    EXPECT_EQ(other.value2(cap.sheet, cap.row, cap.column), CellValue::str("Level 1"));
    EXPECT_THROW(other.namedCell(log, "Cap"), SpreadsheetError); // scoped to Ini
}

TEST(WorkbookInterop, LibreOfficeReadsOursAndWeReadLibreOffice) {
    const char* office = test::haveTool("soffice") ? "soffice" : "libreoffice";
    MV_REQUIRE_TOOL(office);
    MV_REQUIRE_TOOL(test::debianPython());
    TempDir dir;
    SpreadsheetApp app;
    const WorkbookId id = app.newWorkbook("Log");
    fillOurs(app, id);
    const std::string ours = (dir / "ours.xlsx").string();
    app.saveAs(id, ours);
    const std::string lo = std::string(office) + " -env:UserInstallation=file://" + (dir / "profile").string() +
                           " --headless --norestore ";
    auto res = test::runCommand(lo + "--convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir '" +
                                (dir / "csv").string() + "' '" + ours + "' 2>&1");
    ASSERT_EQ(res.exitCode, 0) << res.out;
    const std::string csv = test::readFile(dir / "csv" / "ours.csv");
    EXPECT_NE(csv.find("Ini sheet,Žluťoučký kůň"), std::string::npos) << csv;
    EXPECT_NE(csv.find("Date,Time,Test ID,Category"), std::string::npos) << csv;
    EXPECT_NE(csv.find("17/5/2024,0.1,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",2.500,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("Save off"), std::string::npos) << csv;

    // A workbook LibreOffice wrote (from our own, so it carries every feature we use).
    res = test::runCommand(lo + "--convert-to xlsx --outdir '" + (dir / "lo").string() + "' '" + ours + "' 2>&1");
    ASSERT_EQ(res.exitCode, 0) << res.out;
    SpreadsheetApp other;
    const WorkbookId t = other.open((dir / "lo" / "ours.xlsx").string());
    const SheetHandle log = other.sheet(t, "Log");
    EXPECT_EQ(other.value2(log, 2, 2), CellValue::str("Žluťoučký kůň"));
    EXPECT_TRUE(other.bold(log, 10, 1));
    EXPECT_FALSE(other.bold(log, 11, 1));
    EXPECT_EQ(other.value(log, 11, 1).type, CellType::Date);
    EXPECT_EQ(other.value2(log, 11, 1), CellValue::num(45429));
    EXPECT_EQ(other.value2(log, 11, 2), CellValue::num(0.1));
    // LibreOffice 7.4 itself writes numbers with 15 significant digits.
    EXPECT_NEAR_REL(other.value2(log, 11, 3).number, 1.0 / 3.0, 1e-14);
    EXPECT_NEAR_REL(other.value2(log, 12, 3).number, -1.2345678901234567e-7, 1e-14);
    EXPECT_EQ(other.text(log, 12, 2), "2.500");
    EXPECT_EQ(other.value2(log, 12, 4), CellValue::boolean(true));
    EXPECT_EQ(rangeName(other.resolve(log).merges().at(0)), "D2:D8");
    const NamedCell ident = other.namedCell(log, "Ident");
    EXPECT_EQ(other.value2(ident.sheet, ident.row, ident.column), CellValue::str("Žluťoučký kůň"));
    const SheetHandle cal = other.sheet(t, "CalibrWS");
    const NamedCell nb = other.namedCell(cal, "NB");
    EXPECT_EQ(other.value2(nb.sheet, nb.row, nb.column), CellValue::num(8));
}

} // namespace
} // namespace mv

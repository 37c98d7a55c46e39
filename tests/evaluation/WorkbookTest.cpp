// The workbook engine on its own: what a save writes comes back on open, damaged
// packages fail with a clear text, and a failed save never harms the file on disk.
#include "evaluation/workbook/NumberFormat.h"
#include "evaluation/workbook/SpreadsheetApp.h"
#include "evaluation/workbook/ZipIo.h"
#include "support/TestSupport.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <sys/resource.h>
#include <tuple>

namespace mv {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

long peakRssKb() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// A package written by hand, part by part.
void writePackage(const fs::path& path, const std::map<std::string, std::string>& parts) {
    std::vector<std::pair<std::string, const std::string*>> order;
    for (const auto& [n, d] : parts)
        order.emplace_back(n, &d);
    detail::writeZip(path.string(), order);
}

const char* const kTypes =
    R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(</Types>)";
const char* const kRootRels =
    R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";
const char* const kWbRels =
    R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="/xl/sharedStrings.xml"/>)"
    R"(</Relationships>)";

std::map<std::string, std::string> minimalParts(const std::string& sheetXml,
                                                const std::string& definedNames = "") {
    return {
        {"[Content_Types].xml", kTypes},
        {"_rels/.rels", kRootRels},
        {"xl/_rels/workbook.xml.rels", kWbRels},
        {"xl/workbook.xml",
         R"(<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
         R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
         R"(<sheets><sheet name="Data" sheetId="1" r:id="rId1"/></sheets>)" +
             definedNames + "</workbook>"},
        {"xl/sharedStrings.xml",
         R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
         R"(<si><t>plain</t></si><si><r><t>ri</t></r><r><rPr><b/></rPr><t xml:space="preserve">ch </t></r>)"
         R"(<rPh sb="0" eb="1"><t>PHONETIC</t></rPh></si><si><t>a &amp; b &#x10D;</t></si></sst>)"},
        {"xl/worksheets/sheet1.xml", sheetXml}};
}

TEST(WorkbookRoundTrip, ValuesFormatsAndNamesComeBackAfterSave) {
    TempDir dir;
    SpreadsheetApp app;
    const WorkbookId id = app.newWorkbook("PARAM");
    const SheetHandle s = app.sheetAt(id, 0);
    const double numbers[] = {
        0.1,  1.0 / 3.0, -2.5e-300, 5e-324, 1.7976931348623157e308, 123456789012345678.0,
        M_PI, -0.0,      1e21,      65535};
    for (int i = 0; i < 10; ++i)
        app.setValue(s, i + 1, 1, CellValue::num(numbers[i]));
    const std::string texts[] = {"Žluťoučký kůň", "  spaces  ", "<&>\"'",
                                 "two\nlines",    "cr\r\nlf",   "_x0041_ literal",
                                 "tab\there",     "",           "Save off"};
    for (int i = 0; i < 9; ++i)
        app.setValue(s, i + 1, 2, CellValue::str(texts[i]));
    app.setValue(s, 1, 3, CellValue::boolean(true));
    app.setValue(s, 2, 3, CellValue::boolean(false));
    app.setValue(s, 3, 3, CellValue::error("#N/A"));
    app.setBold(s, 1, 2, true);
    app.setBold(s, 5, 7, true); // bold on an empty cell is kept
    app.setNumberFormat(s, {{1, 4}, {3, 4}}, "0.000");
    app.setValue(s, 1, 4, CellValue::num(2.5));
    app.setNumberFormat(s, {{4, 4}, {4, 4}}, "d/m/yyyy");
    app.setValue(s, 4, 4, CellValue::num(45000.25));
    app.merge(s, {{2, 6}, {8, 6}});
    app.setBorders(s, {{2, 6}, {8, 6}});
    app.setColumnWidth(s, 2, 25.5);
    app.setValue(s, 2, 8, CellValue::num(1));
    app.setColumnNumberFormat(s, 8, "0.0"); // the cell there and those written later
    app.setValue(s, 3, 8, CellValue::num(2));
    app.resolve(s).setFormula(6, 3, {"A1*2", ""}, CellValue::num(0.2));
    Workbook& wb = app.workbook(id);
    wb.setName("Ident", wb.sheet(0), {{2, 2}, {2, 2}});
    Sheet& second = wb.addSheet("EvaLog");
    wb.setName("Local", second, {{3, 4}, {5, 6}}, &second);
    second.setValue(1, 1, CellValue::str("Ident"));

    const fs::path file = dir / "round.xlsx";
    app.saveAs(id, file.string());
    EXPECT_TRUE(wb.saved());
    EXPECT_EQ(wb.name(), "round.xlsx");

    auto back = Workbook::open(file.string());
    ASSERT_EQ(back->sheetCount(), 2);
    const Sheet& b = back->sheet(0);
    EXPECT_EQ(b.name(), "PARAM");
    for (int i = 0; i < 10; ++i) {
        const CellValue v = b.value(i + 1, 1);
        ASSERT_EQ(v.type, CellType::Number) << i;
        EXPECT_EQ(std::memcmp(&v.number, &numbers[i], sizeof(double)), 0)
            << "row " << i + 1 << ": " << v.number;
    }
    for (int i = 0; i < 9; ++i) {
        if (texts[i].empty())
            EXPECT_TRUE(b.value(i + 1, 2).isEmpty() || b.value(i + 1, 2).text.empty());
        else
            EXPECT_EQ(b.value(i + 1, 2), CellValue::str(texts[i])) << i;
    }
    EXPECT_EQ(b.value(1, 3), CellValue::boolean(true));
    EXPECT_EQ(b.value(2, 3), CellValue::boolean(false));
    EXPECT_EQ(b.value(3, 3), CellValue::error("#N/A"));
    EXPECT_TRUE(back->styles().isBold(b.style(1, 2)));
    EXPECT_FALSE(back->styles().isBold(b.style(2, 2)));
    EXPECT_TRUE(back->styles().isBold(b.style(5, 7)));
    EXPECT_EQ(back->styles().numberFormat(b.style(1, 4)), "0.000");
    EXPECT_EQ(back->styles().numberFormat(b.style(3, 4)), "0.000");
    EXPECT_EQ(back->styles().numberFormat(b.style(4, 4)), "d/m/yyyy");
    EXPECT_TRUE(back->styles().hasAllBorders(b.style(5, 6)));
    ASSERT_EQ(b.merges().size(), 1u);
    EXPECT_EQ(rangeName(b.merges()[0]), "F2:F8");
    EXPECT_DOUBLE_EQ(b.columnWidth(2), 25.5);
    EXPECT_EQ(back->styles().numberFormat(b.style(2, 8)), "0.0");
    EXPECT_EQ(back->styles().numberFormat(b.style(3, 8)), "0.0");
    back->sheet(0).setValue(9, 8, CellValue::num(3));
    EXPECT_EQ(back->styles().numberFormat(b.style(9, 8)), "0.0");
    ASSERT_NE(b.formula(6, 3), nullptr);
    EXPECT_EQ(b.formula(6, 3)->text, "A1*2");
    EXPECT_EQ(b.value(6, 3), CellValue::num(0.2));

    NameTarget ident = back->resolveName("ident");
    EXPECT_EQ(ident.sheet->name(), "PARAM");
    EXPECT_EQ(rangeName(ident.range), "B2");
    EXPECT_THROW_MSG(back->resolveName("Local"), SpreadsheetError, "has no name 'Local'");
    NameTarget local = back->resolveName("Local", &back->sheet(1));
    EXPECT_EQ(rangeName(local.range), "D3:F5");

    // What comes through Value: a date is marked as such, Value2 keeps the number.
    SpreadsheetApp app2;
    const WorkbookId id2 = app2.open(file.string());
    const SheetHandle p = app2.sheet(id2, "param");
    EXPECT_EQ(app2.value(p, 4, 4).type, CellType::Date);
    EXPECT_EQ(app2.value2(p, 4, 4).type, CellType::Number);
    EXPECT_EQ(app2.text(p, 4, 4), "15/3/2023");
    EXPECT_EQ(app2.text(p, 1, 4), "2.500");
}

TEST(WorkbookRead, HandWrittenPackageWithInlineSharedAndRichStrings) {
    TempDir dir;
    const std::string sheet =
        R"(<?xml version="1.0"?><x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
        R"(<x:sheetPr><x:tabColor rgb="FF00FF00"/><x:note><![CDATA[<x:sheetData>]]></x:note></x:sheetPr>)"
        R"(<x:sheetViews><x:sheetData workbookViewId="0"/></x:sheetViews><x:sheetData>)"
        R"(<x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v></x:c><x:c r="B1" t="s"><x:v>1</x:v></x:c>)"
        R"(<x:c r="C1" t="s"><x:v>2</x:v></x:c></x:row>)"
        R"(<x:row r="3" ht="30" customHeight="1"><x:c t="inlineStr"><x:is><x:t>inline č</x:t></x:is></x:c>)"
        R"(<x:c t="b"><x:v>1</x:v></x:c><x:c s="99"><x:v> 1.5E3 </x:v></x:c>)"
        R"(<x:c t="str"><x:f>"a"&amp;"b"</x:f><x:v>ab</x:v></x:c><x:c t="e"><x:v>#DIV/0!</x:v></x:c></x:row>)"
        R"(<x:row><x:c r="D4"/></x:row>)"
        R"(</x:sheetData><x:pageMargins left="1" right="1" top="1" bottom="1" header="0" footer="0"/></x:worksheet>)";
    const fs::path file = dir / "hand.xlsx";
    writePackage(
        file, minimalParts(sheet,
                           R"(<definedNames><definedName name="Ident">Data!$A$3</definedName>)"
                           R"(<definedName name="Broken">#REF!$A$1</definedName></definedNames>)"));
    auto wb = Workbook::open(file.string());
    const Sheet& s = wb->sheet(0);
    EXPECT_EQ(s.value(1, 1), CellValue::str("plain"));
    EXPECT_EQ(s.value(1, 2), CellValue::str("rich ")); // without the phonetic run
    EXPECT_EQ(s.value(1, 3), CellValue::str("a & b \xC4\x8D"));
    EXPECT_EQ(s.value(3, 1), CellValue::str("inline \xC4\x8D"));
    EXPECT_EQ(s.value(3, 2), CellValue::boolean(true));
    EXPECT_EQ(s.value(3, 3), CellValue::num(1500));
    EXPECT_EQ(s.style(3, 3), 0u); // a format index that does not exist reads as the default
    EXPECT_EQ(s.value(3, 4), CellValue::str("ab"));
    EXPECT_EQ(s.formula(3, 4)->text, "\"a\"&\"b\"");
    EXPECT_EQ(s.value(3, 5), CellValue::error("#DIV/0!"));
    EXPECT_EQ(s.cellCount(), 8u); // D4 holds nothing and is not kept
    EXPECT_EQ(rangeName(wb->resolveName("Ident").range), "A3");
    EXPECT_THROW_MSG(wb->resolveName("Broken"), SpreadsheetError, "points nowhere");

    // Saved again: the sheet parts we do not model stay, the row height too.
    wb->sheet(0).setValue(10, 1, CellValue::num(7));
    wb->sheet(0).merge({{12, 1}, {13, 2}});
    wb->sheet(0).setColumnWidth(3, 20);
    wb->saveAs((dir / "again.xlsx").string());
    auto parts = detail::readZip((dir / "again.xlsx").string());
    const std::string& xml = parts.at("xl/worksheets/sheet1.xml");
    EXPECT_NE(xml.find("tabColor"), std::string::npos);
    EXPECT_NE(xml.find("pageMargins"), std::string::npos);
    EXPECT_NE(xml.find("customHeight=\"1\""), std::string::npos);
    EXPECT_NE(xml.find("<x:mergeCell ref=\"A12:B13\""),
              std::string::npos); // in the document's namespace
    EXPECT_NE(xml.find("<x:col min=\"3\""), std::string::npos);
    // The cells are written without a prefix, so they take the main namespace as default.
    EXPECT_NE(
        xml.find(
            R"(<sheetData xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"),
        std::string::npos);
    EXPECT_NE(xml.find("<![CDATA[<x:sheetData>]]>"), std::string::npos);
    auto again = Workbook::open((dir / "again.xlsx").string());
    EXPECT_EQ(again->sheet(0).value(3, 1), CellValue::str("inline \xC4\x8D"));
    EXPECT_EQ(again->sheet(0).value(10, 1), CellValue::num(7));
    EXPECT_EQ(again->sheet(0).merges().size(), 1u);
    EXPECT_EQ(again->sheet(0).columnWidth(3), 20);
}

// A hand-made package may keep a sheet under the name the styles or the strings usually
// take; the save must give those another name rather than overwrite the sheet.
TEST(WorkbookSave, SheetUnderTheUsualNameOfAnotherPart) {
    TempDir dir;
    for (const std::string name : {"styles.xml", "sharedStrings.xml"}) {
        SCOPED_TRACE(name);
        auto parts = minimalParts(
            R"(<worksheet><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>kept</t></is>)"
            R"(</c></row></sheetData></worksheet>)");
        parts.erase("xl/sharedStrings.xml");
        parts["xl/" + name] = parts.at("xl/worksheets/sheet1.xml");
        parts.erase("xl/worksheets/sheet1.xml");
        auto& rels = parts["xl/_rels/workbook.xml.rels"];
        rels.replace(rels.find("worksheets/sheet1.xml"), 21, name);
        const auto sst = rels.find("<Relationship Id=\"rId2\"");
        rels.erase(sst, rels.find("/>", sst) + 2 - sst);
        const fs::path file = dir / "in.xlsx", again = dir / "again.xlsx";
        writePackage(file, parts);
        auto wb = Workbook::open(file.string());
        wb->sheet(0).setValue(2, 1, CellValue::str("added"));
        wb->saveAs(again.string());
        auto back = Workbook::open(again.string());
        EXPECT_EQ(back->sheet(0).value(1, 1), CellValue::str("kept"));
        EXPECT_EQ(back->sheet(0).value(2, 1), CellValue::str("added"));
    }
}

TEST(WorkbookRead, DamagedFilesFailWithFileAndProblem) {
    TempDir dir;
    const auto ok = minimalParts(R"(<worksheet><sheetData/></worksheet>)");
    // The good package with one change made to its parts.
    const auto edited = [&](std::function<void(std::map<std::string, std::string>&)> edit) {
        return [&ok, edit](const fs::path& p) {
            auto parts = ok;
            edit(parts);
            writePackage(p, parts);
        };
    };
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> make;
        const char* fragment;
    };
    const std::vector<Case> cases = {
        {"text file", [](const fs::path& p) { test::writeFile(p, "just text, no zip"); },
         "not a zip"},
        {"missing workbook part", edited([](auto& parts) { parts.erase("xl/workbook.xml"); }),
         "no workbook part"},
        {"missing sheet part", edited([](auto& parts) { parts.erase("xl/worksheets/sheet1.xml"); }),
         "worksheet of sheet 'Data'"},
        {"malformed workbook XML", edited([](auto& parts) {
             parts["xl/workbook.xml"] = "<workbook><sheets><sheet name=\"Data\"";
         }),
         "malformed XML in xl/workbook.xml"},
        {"malformed sheet XML",
         [&](const fs::path& p) {
             writePackage(
                 p, minimalParts("<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></row>"));
         },
         "malformed XML in xl/worksheets/sheet1.xml"},
        {"number that is not one",
         [&](const fs::path& p) {
             writePackage(p, minimalParts("<worksheet><sheetData><row><c "
                                          "r=\"B2\"><v>1,5</v></c></row></sheetData></worksheet>"));
         },
         "cell B2 holds '1,5'"},
        {"shared string out of range",
         [&](const fs::path& p) {
             writePackage(p, minimalParts("<worksheet><sheetData><row><c r=\"A1\" "
                                          "t=\"s\"><v>9</v></c></row></sheetData></worksheet>"));
         },
         "shared string index '9'"},
        {"name of a sheet that does not exist",
         [&](const fs::path& p) {
             writePackage(p,
                          minimalParts("<worksheet><sheetData/></worksheet>",
                                       "<definedNames><definedName name=\"X\" "
                                       "localSheetId=\"4\">Data!A1</definedName></definedNames>"));
         },
         "sheet number 4"},
        {"cells outside the worksheet element",
         [&](const fs::path& p) {
             writePackage(
                 p, minimalParts("<sheetData><row><c r=\"A1\"><v>1</v></c></row></sheetData>"));
         },
         "no <sheetData> in its <worksheet>"},
        {"content types of another kind",
         edited([](auto& parts) { parts["[Content_Types].xml"] = kRootRels; }),
         "[Content_Types].xml holds no <Types>"},
        {"workbook relationships of another kind",
         edited([](auto& parts) { parts["xl/_rels/workbook.xml.rels"] = kTypes; }),
         "workbook.xml.rels holds no <Relationships>"},
        {"namespace prefix that is not a name", edited([](auto& parts) {
             auto& wb = parts["xl/workbook.xml"];
             wb.replace(wb.find("xmlns:r="), 8, "xmlns:2r=");
         }),
         "invalid name \"xmlns:2r\""},
        {"relationship id used twice", edited([](auto& parts) {
             auto& rels = parts["xl/_rels/workbook.xml.rels"];
             rels.insert(rels.find("</Relationships>"),
                         R"(<Relationship Id="rId1" Type="x" Target="x.xml"/>)");
         }),
         "relationship id 'rId1' twice"},
        {"part claiming 2 GB",
         [&](const fs::path& p) {
             writePackage(p, ok);
             std::string z = test::readFile(p);
             // The uncompressed size in the local and the central header of the sheet.
             const std::string name = "xl/worksheets/sheet1.xml";
             for (const auto& [sig, sizeAt, nameAt] :
                  {std::tuple{"PK\x03\x04", 22, 30}, std::tuple{"PK\x01\x02", 24, 46}})
                 for (auto at = z.find(sig); at != std::string::npos; at = z.find(sig, at + 1))
                     if (z.compare(at + nameAt, name.size(), name) == 0)
                         std::memcpy(&z[at + sizeAt], "\x00\x00\xff\x7f", 4);
             test::writeFile(p, z);
         },
         "damaged"},
        {"missing file", [](const fs::path&) {}, "no such file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = dir / (std::string(c.what) + ".xlsx");
        c.make(file);
        SpreadsheetApp app;
        const long peakBefore = peakRssKb();
        EXPECT_THROW_MSG(app.open(file.string()), SpreadsheetError, c.fragment);
        EXPECT_LT(peakRssKb() - peakBefore, 256 * 1024); // nothing sized by a header's claim
        EXPECT_THROW_MSG(app.open(file.string()), SpreadsheetError, file.string());
        EXPECT_EQ(app.workbookCount(), 0);
    }
}

// Damaged bytes anywhere in the sheet, the strings or the workbook part: every open
// either succeeds or throws SpreadsheetError; nothing crashes or reads out of bounds
// (run under the address sanitizer to see the latter).
TEST(WorkbookRead, MutatedPartsNeverCrash) {
    TempDir dir;
    const std::string sheet =
        R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><cols>)"
        R"(<col min="1" max="2" width="12" customWidth="1"/></cols><sheetData><row r="1" spans="1:3">)"
        R"(<c r="A1" t="s"><v>1</v></c><c r="B1" s="0"><v>2.5</v></c><c r="C1" t="inlineStr">)"
        R"(<is><t>x&amp;y</t></is></c></row><row r="2"><c r="A2"><f>A1*2</f><v>5</v></c>)"
        R"(<c r="B2" t="b"><v>1</v></c></row></sheetData><mergeCells count="1">)"
        R"(<mergeCell ref="A3:B4"/></mergeCells></worksheet>)";
    const auto base = minimalParts(
        sheet, R"(<definedNames><definedName name="N">Data!$A$1</definedName></definedNames>)");
    const char* const targets[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml",
                                   "xl/workbook.xml"};
    std::mt19937 rng(12345);
    const char alphabet[] = "<>/=\"' &;:!#x0123456789AZaz\n";
    int opened = 0;
    for (int i = 0; i < 600; ++i) {
        auto parts = base;
        std::string& part = parts[targets[i % 3]];
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < edits; ++k) {
            const size_t at = rng() % part.size();
            switch (rng() % 3) {
            case 0:
                part[at] = alphabet[rng() % (sizeof alphabet - 1)];
                break;
            case 1:
                part.erase(at, 1 + rng() % 8);
                break;
            default:
                part.resize(at);
                break;
            }
            if (part.empty())
                part = "<";
        }
        const fs::path file = dir / "mutated.xlsx";
        writePackage(file, parts);
        std::unique_ptr<Workbook> wb;
        try {
            wb = Workbook::open(file.string());
        } catch (const SpreadsheetError&) {
            continue;
        }
        ++opened;
        try {
            wb->resolveName("N");
        } catch (const SpreadsheetError&) {
        }
        // What we could read, we must be able to write and read again.
        EXPECT_NO_THROW(wb->saveAs((dir / "resaved.xlsx").string())) << part;
        EXPECT_NO_THROW(Workbook::open((dir / "resaved.xlsx").string())) << part;
    }
    EXPECT_GT(opened, 0);
}

TEST(WorkbookSave, FailureLeavesTheFileOnDiskAndTheWorkbookOpen) {
    TempDir dir;
    SpreadsheetApp app;
    const WorkbookId id = app.newWorkbook("Log");
    const SheetHandle s = app.sheetAt(id, 0);
    app.setValue(s, 1, 1, CellValue::str("first"));
    const fs::path file = dir / "log.xlsx";
    app.saveAs(id, file.string());
    const std::string before = test::readFile(file);

    app.setValue(s, 1, 1, CellValue::str("second"));
    // A directory stands where the file must go: the rename fails after the write.
    fs::create_directory(dir / "blocked.xlsx");
    fs::create_directory(dir / "blocked.xlsx" / "inside");
    EXPECT_THROW_MSG(app.saveAs(id, (dir / "blocked.xlsx").string()), SpreadsheetError,
                     "unchanged");
    EXPECT_THROW_MSG(app.saveAs(id, (dir / "no" / "such" / "dir.xlsx").string()), SpreadsheetError,
                     "Cannot save");
    EXPECT_THROW_MSG(app.saveAs(id, (dir / "log.txt").string()), SpreadsheetError, ".xlsx");
    EXPECT_EQ(test::readFile(file), before);
    EXPECT_FALSE(app.workbook(id).saved());
    EXPECT_EQ(app.workbook(id).name(), "log.xlsx");
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".saving-"), std::string::npos) << e.path();

    app.save(id);
    EXPECT_EQ(Workbook::open(file.string())->sheet(0).value(1, 1), CellValue::str("second"));
}

TEST(WorkbookSheets, AddRenameDeleteKeepNamesConsistent) {
    TempDir dir;
    Workbook wb("Book1", "Log");
    Sheet& cal = wb.addSheet("Calibr WS");
    wb.setName("Start", cal, {{1, 1}, {1, 1}});
    wb.setName("Gone", wb.sheet(0), {{1, 1}, {1, 1}}, &cal);
    EXPECT_EQ(wb.names()[0].formula, "'Calibr WS'!$A$1");
    wb.renameSheet(cal, "CalibrWS");
    EXPECT_EQ(wb.names()[0].formula, "CalibrWS!$A$1");
    EXPECT_EQ(wb.findSheet("calibrws"), &cal);
    EXPECT_THROW_MSG(wb.addSheet("LOG"), SpreadsheetError, "already has a sheet");
    EXPECT_THROW_MSG(wb.addSheet("a/b"), SpreadsheetError, "cannot name a sheet");
    EXPECT_THROW_MSG(wb.addSheet(std::string(32, 'x')), SpreadsheetError, "31 characters");
    wb.addSheet("Third");
    wb.deleteSheet(cal);
    EXPECT_EQ(wb.sheetCount(), 2);
    ASSERT_EQ(wb.names().size(), 1u); // the sheet's own name went with it
    EXPECT_THROW_MSG(wb.resolveName("Start"), SpreadsheetError, "points nowhere");
    wb.saveAs((dir / "sheets.xlsx").string());
    auto back = Workbook::open((dir / "sheets.xlsx").string());
    ASSERT_EQ(back->sheetCount(), 2);
    EXPECT_EQ(back->sheet(1).name(), "Third");
    back->deleteSheet(back->sheet(1));
    EXPECT_THROW_MSG(back->deleteSheet(back->sheet(0)), SpreadsheetError, "at least one sheet");
}

TEST(SpreadsheetOps, FindWholeCellForwardBackwardAndEmpty) {
    SpreadsheetApp app;
    const SheetHandle s = app.sheetAt(app.newWorkbook("Log"), 0);
    // Category column C: rows 11.. with two "Save off" rows; Test ID column D.
    const char* cat[] = {"Start", "Save off", "Note", "Save off x", "save OFF", "End"};
    for (int i = 0; i < 6; ++i) {
        app.setValue(s, 11 + i, 3, CellValue::str(cat[i]));
        app.setValue(s, 11 + i, 4, i == 3 ? CellValue::str("57") : CellValue::num(50 + i));
    }
    const CellRange col{{11, 3}, {65535, 3}};
    const CellValue saveOff = CellValue::str("Save off");
    EXPECT_EQ(app.find(s, col, saveOff, FindDirection::Previous)->row, 15); // the last one
    EXPECT_EQ(app.find(s, col, saveOff, FindDirection::Next)->row, 12);
    EXPECT_EQ(app.find(s, col, saveOff, FindDirection::Next, CellPos{12, 3})->row, 15);
    EXPECT_EQ(app.find(s, col, saveOff, FindDirection::Previous, CellPos{15, 3})->row, 12);
    EXPECT_FALSE(app.find(s, col, CellValue::str("Save"), FindDirection::Next));
    // A number finds the number and the text that reads the same.
    const CellRange ids{{11, 4}, {65535, 4}};
    EXPECT_EQ(app.find(s, ids, CellValue::num(57), FindDirection::Previous)->row, 14);
    EXPECT_EQ(app.find(s, ids, CellValue::num(55), FindDirection::Previous)->row, 16);
    // The first empty cell after A10 (A11 downwards, A10 last).
    const CellRange a{{10, 1}, {65536, 1}};
    EXPECT_EQ(app.find(s, a, CellValue::empty(), FindDirection::Next)->row, 11);
    for (int r = 10; r <= 20; ++r)
        app.setValue(s, r, 1, CellValue::num(r));
    EXPECT_EQ(app.find(s, a, CellValue::empty(), FindDirection::Next)->row, 21);
    // A10 is found last when everything below is full.
    EXPECT_EQ(app.find(s, {{10, 1}, {20, 1}}, CellValue::empty(), FindDirection::Next),
              std::nullopt);
    app.setValue(s, 10, 1, CellValue::empty());
    EXPECT_EQ(app.find(s, {{10, 1}, {20, 1}}, CellValue::empty(), FindDirection::Next)->row, 10);
}

TEST(SpreadsheetOps, EndUpwardsGivesTheNextFreeRow) {
    SpreadsheetApp app;
    const SheetHandle s = app.sheetAt(app.newWorkbook("Out"), 0);
    EXPECT_EQ(app.nextFreeRow(s, 2001, 1), 2); // empty column: End lands on row 1
    for (int r : {1, 2, 3, 7, 8})
        app.setValue(s, r, 1, CellValue::num(r));
    struct Case {
        int from, expected;
    } cases[] = {{2008, 9}, {8, 8}, {7, 4}, {5, 4}, {3, 2}, {1, 2}};
    for (const auto& c : cases)
        EXPECT_EQ(app.nextFreeRow(s, c.from, 1), c.expected) << "from row " << c.from;
}

TEST(SpreadsheetOps, BlocksPasteNamedCellsAndMacros) {
    SpreadsheetApp app;
    const WorkbookId id = app.newWorkbook("CalibrWS");
    const SheetHandle s = app.sheetAt(id, 0);
    // A device block: 362 x 117 numbers, written and read back in one piece.
    Block b(362, 117);
    size_t filled = 0;
    for (int r = 0; r < 362; ++r)
        for (int c = 0; c < 117; ++c) {
            const bool empty = (r + c) % 5 == 0;
            b.at(r, c) = empty ? CellValue::empty() : CellValue::num(r * 1000.0 + c + 0.125);
            filled += empty ? 0 : 1;
        }
    app.writeBlock(s, {363, 1}, b);
    const Block back = app.readBlock(s, {{363, 1}, {724, 117}});
    EXPECT_EQ(back.values, b.values);
    EXPECT_EQ(app.resolve(s).cellCount(), filled); // empty values take no memory
    EXPECT_THROW_MSG(app.writeBlock(s, {1048300, 1}, b), SpreadsheetError, "outside the sheet");

    app.pasteText(s, 4, 2, "1\t2\t3\t\r\n4\t\t6\t\r\n");
    EXPECT_EQ(app.value2(s, 4, 4), CellValue::num(3));
    EXPECT_TRUE(app.value2(s, 5, 3).isEmpty());
    EXPECT_EQ(app.value2(s, 5, 4), CellValue::num(6));
    EXPECT_TRUE(app.value2(s, 6, 2).isEmpty());
    app.pasteText(s, 1, 1, "T1\tT2 text");
    EXPECT_EQ(app.value2(s, 1, 2), CellValue::str("T2 text"));

    Workbook& wb = app.workbook(id);
    wb.setName("PocetAmpli", app.resolve(s), {{2, 3}, {2, 3}});
    const NamedCell n = app.namedCell(s, "PocetAmpli");
    EXPECT_EQ(n.row, 2);
    EXPECT_EQ(n.column, 3);
    const NamedCell o = n.offset(3, -1);
    EXPECT_EQ(o.row, 5);
    EXPECT_EQ(o.column, 2);
    EXPECT_THROW_MSG(app.namedCell(s, "Missing"), SpreadsheetError, "has no name 'Missing'");

    const SheetHandle res = app.addSheet(id, "Speed");
    app.runMacro(wb.name() + "!FormatListu", res);
    EXPECT_TRUE(app.bold(res, 1, 1));
    app.pasteText(res, 4, 2, "0\t1\t8\t\r\n0\t4\t0\t\r\n");
    app.runMacro(wb.name() + "!VybarviMatici", res);
    EXPECT_EQ(wb.styles().fillColor(app.resolve(res).style(4, 4)), 0xBD0026); // the maximum
    EXPECT_EQ(wb.styles().fillColor(app.resolve(res).style(5, 3)), 0xFEB24C); // half the maximum
    EXPECT_EQ(wb.styles().fillColor(app.resolve(res).style(4, 2)), -1);
    EXPECT_THROW_MSG(app.runMacro(wb.name() + "!Nothing", res), SpreadsheetError, "does not exist");
    EXPECT_THROW_MSG(app.runMacro("Other.xlsx!FormatListu", res), SpreadsheetError, "Other.xlsx");
}

TEST(SpreadsheetOps, RescanFlagHandlesAndOutputEntries) {
    TempDir dir;
    SpreadsheetApp app;
    EXPECT_TRUE(app.rescanDue()); // a rescan is due at start
    app.setRescanDue(false);
    const WorkbookId log = app.newWorkbook("Log");
    EXPECT_TRUE(app.rescanDue());
    app.saveAs(log, (dir / "Log.xlsx").string());
    const WorkbookId out = app.newWorkbook("Results");
    const SheetHandle r = app.sheetAt(out, 0);
    app.setRescanDue(false);
    const SheetHandle extra = app.addSheet(out, "Extra");
    EXPECT_TRUE(app.rescanDue());
    app.setRescanDue(false);
    app.setValue(r, 1, 1, CellValue::num(1)); // a cell change is no event
    EXPECT_FALSE(app.rescanDue());
    EXPECT_EQ(outputSheetEntries(app, {"log.xlsx"}),
              (std::vector<std::string>{"[Book2]Results", "[Book2]Extra"}));
    EXPECT_EQ(sheetOfEntry(app, "[Book2]Extra"), extra);
    app.deleteSheet(extra);
    EXPECT_TRUE(app.rescanDue());
    EXPECT_THROW_MSG(app.value2(extra, 1, 1), SpreadsheetError, "no longer exists");
    EXPECT_THROW_MSG(sheetOfEntry(app, "[Book2]Extra"), SpreadsheetError, "no sheet 'Extra'");

    // The same file again is the same workbook, unsaved changes and all.
    app.setValue(app.sheetAt(log, 0), 2, 2, CellValue::str("edited"));
    EXPECT_EQ(app.open((dir / "Log.xlsx").string()), log);
    EXPECT_EQ(app.value2(app.sheetAt(log, 0), 2, 2), CellValue::str("edited"));
    fs::create_directory(dir / "other");
    fs::copy_file(dir / "Log.xlsx", dir / "other" / "Log.xlsx");
    EXPECT_THROW_MSG(app.open((dir / "other" / "Log.xlsx").string()), SpreadsheetError,
                     "already open");
    EXPECT_THROW_MSG(app.saveAs(out, (dir / "other" / "LOG.xlsx").string()), SpreadsheetError,
                     "already open");
    app.setRescanDue(false);
    app.close(out);
    EXPECT_TRUE(app.rescanDue());
    EXPECT_THROW_MSG(app.value2(r, 1, 1), SpreadsheetError, "no longer open");
}

TEST(NumberFormats, TextsAsTheSheetShowsThem) {
    struct Case {
        CellValue v;
        const char* code;
        const char* text;
    } cases[] = {
        {CellValue::num(1.0 / 3.0), "General", "0.333333333333333"},
        {CellValue::num(1e20), "General", "1E+20"},
        {CellValue::num(-12.5), "0", "-13"},
        {CellValue::num(2.5), "0.000", "2.500"},
        {CellValue::num(1234567.891), "#,##0.00", "1,234,567.89"},
        {CellValue::num(0.256), "0.0%", "25.6%"},
        {CellValue::num(45000.75), "yyyy-mm-dd hh:mm:ss", "2023-03-15 18:00:00"},
        {CellValue::num(61), "d.m.yyyy", "1.3.1900"},
        {CellValue::num(0.5), "h:mm", "12:00"},
        {CellValue::num(-3), "0.0;(0.0)", "(3.0)"},
        {CellValue::boolean(true), "General", "TRUE"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatValue(c.v, c.code), c.text) << c.code;
    EXPECT_EQ(parseInput(" 1,5 ", ','), CellValue::num(1.5));
    EXPECT_EQ(parseInput("1e-3"), CellValue::num(0.001));
    EXPECT_EQ(parseInput("12 kN"), CellValue::str("12 kN"));
    EXPECT_TRUE(parseInput("  ").isEmpty());
}

} // namespace
} // namespace mv

// The workbook engine opening a package, as a workbook edited by hand or written by
// another program may be. An input starting "PK" is the .xlsx file itself. Any other
// input is the package's parts as text, each after a line "==> PATH", which this
// harness zips first, so that mutations reach the XML instead of breaking the zip;
// text before the first such line is the first sheet of a minimal workbook.
//
// What must hold: a package is opened or refused with a SpreadsheetError, nothing
// else; an opened one saves, and the saved file opens again with the same sheets and
// the same cell values.
#include "FuzzSupport.h"
#include "evaluation/workbook/SpreadsheetError.h"
#include "evaluation/workbook/Workbook.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <zip.h>

using namespace mv;

namespace {

const std::map<std::string, std::string>& skeleton() {
    static const std::map<std::string, std::string> parts = {
        {"[Content_Types].xml",
         R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/></Types>)"},
        {"_rels/.rels",
         R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
        {"xl/workbook.xml",
         R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)"},
    };
    return parts;
}

// The parts of a text input, path -> content.
std::map<std::string, std::string> partsOf(std::string_view in) {
    std::map<std::string, std::string> parts;
    constexpr std::string_view mark = "==> ";
    std::size_t at = in.substr(0, 4) == mark ? 0 : in.find("\n==> ");
    const std::string_view lead = in.substr(0, at == std::string_view::npos ? in.size() : at);
    if (at != 0) {
        parts = skeleton();
        parts["xl/worksheets/sheet1.xml"] = std::string(lead);
    }
    while (at != std::string_view::npos) {
        const std::size_t start = at == 0 ? 4 : at + 5;
        const std::size_t eol = in.find('\n', start);
        const std::string path(
            in.substr(start, eol == std::string_view::npos ? in.npos : eol - start));
        const std::size_t body = eol == std::string_view::npos ? in.size() : eol + 1;
        at = in.find("\n==> ", body);
        parts[path] =
            std::string(in.substr(body, at == std::string_view::npos ? in.npos : at - body));
    }
    return parts;
}

bool zipParts(const std::string& path, const std::map<std::string, std::string>& parts) {
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        return false;
    for (const auto& [name, content] : parts) {
        zip_source_t* src = zip_source_buffer(z, content.data(), content.size(), 0);
        if (!src)
            continue;
        const zip_int64_t idx =
            zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (idx < 0) {
            zip_source_free(src);
            continue;
        }
        zip_set_file_compression(z, static_cast<zip_uint64_t>(idx), ZIP_CM_STORE, 0);
    }
    return zip_close(z) == 0;
}

bool sameNumber(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

void checkSameCells(const Sheet& a, const Sheet& b) {
    MV_FUZZ_CHECK(a.name() == b.name());
    MV_FUZZ_CHECK(a.cellCount() == b.cellCount());
    for (const auto& [r, row] : a.rows())
        for (const Cell& c : row.cells) {
            const CellValue va = a.value(r, int(c.col));
            const CellValue vb = b.value(r, int(c.col));
            if (std::getenv("MV_FUZZ_DEBUG") && !(va == vb))
                std::fprintf(stderr, "%s row %d col %u: %d '%s' %g -> %d '%s' %g\n",
                             a.name().c_str(), r, c.col, int(va.type), va.text.c_str(), va.number,
                             int(vb.type), vb.text.c_str(), vb.number);
            MV_FUZZ_CHECK(va.type == vb.type);
            MV_FUZZ_CHECK(va.text == vb.text);
            MV_FUZZ_CHECK(sameNumber(va.number, vb.number));
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string file;
    if (input.substr(0, 2) == "PK")
        file = fuzz::writeScratch("in.xlsx", input);
    else {
        file = (fuzz::scratchDir() / "in.xlsx").string();
        if (!zipParts(file, partsOf(input)))
            return 0;
    }
    std::unique_ptr<Workbook> wb;
    try {
        wb = Workbook::open(file);
    } catch (const SpreadsheetError& e) {
        MV_FUZZ_CHECK(*e.what() != '\0');
        return 0;
    }
    MV_FUZZ_CHECK(wb && wb->sheetCount() > 0);
    const std::string copy = (fuzz::scratchDir() / "copy.xlsx").string();
    // A workbook that opens must save: the reader refuses what the writer could not keep.
    wb->saveAs(copy);
    const std::unique_ptr<Workbook> back = Workbook::open(copy);
    MV_FUZZ_CHECK(back->sheetCount() == wb->sheetCount());
    for (int i = 0; i < wb->sheetCount(); ++i)
        checkSameCells(wb->sheet(i), back->sheet(i));
    return 0;
}

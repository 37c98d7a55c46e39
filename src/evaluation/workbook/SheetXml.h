#pragma once
// The cells of a worksheet part and the shared-string table, read and written by a
// streaming scanner: a sheet of a million cells would need many times its size as a
// DOM, so only the small remainder of the sheet goes through pugixml.
#include "evaluation/workbook/Sheet.h"

#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mv::detail {

// Splits a worksheet part into its <sheetData> element and the rest; the rest gets
// an empty <sheetData/> in its place. Throws PackageError when there is none.
struct SplitSheet {
    std::string_view sheetData; // the element's content, without its own tags
    std::string shell;
};
SplitSheet splitSheetXml(std::string_view xml, const std::string& part);

// Reads the rows and cells of <sheetData> content into the sheet. Styles beyond
// `styleCount` fall back to the default format. Throws PackageError.
void readSheetData(std::string_view content, Sheet& sheet, const std::vector<std::string>& sst,
                   std::size_t styleCount, const std::string& part);

std::vector<std::string> readSharedStrings(std::string_view xml, const std::string& part);

// Collects the texts of all sheets while they are written.
class SharedStringTable {
public:
    // Adds a use of the text; the first use gives it the next index.
    std::uint32_t index(const std::string& text);
    // The index of a text already added.
    std::uint32_t lookup(const std::string& text) const { return map_.at(text); }
    std::string xml() const;
    std::size_t size() const { return order_.size(); }

private:
    std::unordered_map<std::string_view, std::uint32_t> map_;
    std::vector<const std::string*> order_;
    std::size_t uses_ = 0;
};

// Adds every text cell of the sheet to the table (before any sheet is written).
void collectSharedStrings(const Sheet& sheet, SharedStringTable& sst);

// Writes the <sheetData> element of a sheet piece by piece, so a large sheet never
// stands in memory as one text. The sheet must not change while it runs.
class SheetDataWriter {
public:
    // `openTag` starts the element, so that it can set the namespace of the cells.
    SheetDataWriter(const Sheet& sheet, const SharedStringTable& sst,
                    std::string openTag = "<sheetData>");
    // Appends at least `minBytes` (unless the end comes first); false once all is written.
    bool next(std::string& out, std::size_t minBytes);

private:
    void appendRow(std::string& out, int rowNum, const Row& row);
    const Sheet& sheet_;
    const SharedStringTable& sst_;
    std::map<int, Row>::const_iterator it_;
    std::string openTag_;
    bool started_ = false;
    bool finished_ = false;
};

// Shortest text that reads back to the same double.
void appendNumber(std::string& out, double v);
void appendInt(std::string& out, long long v);

} // namespace mv::detail

#pragma once
// The cells of a worksheet part and the shared-string table, read and written by a
// streaming scanner: a sheet of a million cells would need many times its size as a
// DOM, so only the small remainder of the sheet goes through pugixml.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "evaluation/workbook/Sheet.h"

namespace mv::detail {

// Splits a worksheet part into its <sheetData> element and the rest; the rest gets
// an empty <sheetData/> in its place. Throws std::runtime_error when there is none.
struct SplitSheet {
    std::string_view sheetData; // the element's content, without its own tags
    std::string shell;
};
SplitSheet splitSheetXml(std::string_view xml, const std::string& part);

// Reads the rows and cells of <sheetData> content into the sheet. Styles beyond
// `styleCount` fall back to the default format. Throws std::runtime_error.
void readSheetData(std::string_view content, Sheet& sheet, const std::vector<std::string>& sst,
                   std::size_t styleCount, const std::string& part);

std::vector<std::string> readSharedStrings(std::string_view xml, const std::string& part);

// Collects the texts of all sheets while they are written.
class SharedStringTable {
public:
    std::uint32_t index(const std::string& text);
    std::string xml() const;
    std::size_t size() const { return order_.size(); }

private:
    std::unordered_map<std::string_view, std::uint32_t> map_;
    std::vector<const std::string*> order_;
    std::size_t uses_ = 0;
};

// Appends the <sheetData> element of the sheet.
void appendSheetData(std::string& out, const Sheet& sheet, SharedStringTable& sst);

// Shortest text that reads back to the same double.
void appendNumber(std::string& out, double v);
void appendInt(std::string& out, long long v);

} // namespace mv::detail

#pragma once
// The parts of the package around the modelled data (private to the engine).
#include <map>
#include <pugixml.hpp>
#include <string>

#include "evaluation/workbook/Workbook.h"

namespace mv {

namespace rel {
inline constexpr const char* kOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr const char* kWorksheet =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr const char* kStyles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr const char* kSharedStrings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
inline constexpr const char* kCalcChain =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain";
} // namespace rel

struct Workbook::Package {
    // Parts we keep as bytes and write back as read.
    std::map<std::string, std::string> parts;
    std::string workbookPart = "xl/workbook.xml";
    pugi::xml_document workbookXml;
    pugi::xml_document workbookRels;
    pugi::xml_document contentTypes;
    // Per sheet id: its relationship id and the attributes of its <sheet> entry
    // other than name, sheetId and r:id (state="hidden", ...).
    std::map<std::uint64_t, std::string> sheetRelId;
    std::map<std::uint64_t, std::map<std::string, std::string>> sheetAttrs;

    std::string relsPartOf(const std::string& part) const {
        const auto slash = part.rfind('/');
        const std::string dir = slash == std::string::npos ? "" : part.substr(0, slash + 1);
        const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
        return dir + "_rels/" + file + ".rels";
    }
    std::string workbookDir() const {
        const auto slash = workbookPart.rfind('/');
        return slash == std::string::npos ? "" : workbookPart.substr(0, slash + 1);
    }
};

namespace detail {
// "worksheets/sheet1.xml" relative to "xl/" -> "xl/worksheets/sheet1.xml"; "/xl/a.xml" -> "xl/a.xml".
std::string resolvePartName(const std::string& baseDir, const std::string& target);
} // namespace detail

} // namespace mv

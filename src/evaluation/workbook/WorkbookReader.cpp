// Opening an .xlsx package: the zip, the relationships, the workbook part, the
// styles, the shared strings and every worksheet.
#include "evaluation/workbook/SheetXml.h"
#include "evaluation/workbook/SpreadsheetError.h"
#include "evaluation/workbook/Workbook.h"
#include "evaluation/workbook/WorkbookPackage.h"
#include "evaluation/workbook/XmlUtil.h"
#include "evaluation/workbook/ZipIo.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>

namespace mv {

using detail::child;

namespace detail {
std::string resolvePartName(const std::string& baseDir, const std::string& target) {
    std::string joined =
        !target.empty() && target.front() == '/' ? target.substr(1) : baseDir + target;
    std::vector<std::string> segs;
    size_t i = 0;
    while (i <= joined.size()) {
        auto slash = joined.find('/', i);
        if (slash == std::string::npos)
            slash = joined.size();
        std::string seg = joined.substr(i, slash - i);
        if (seg == "..") {
            if (!segs.empty())
                segs.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segs.push_back(seg);
        }
        i = slash + 1;
    }
    std::string out;
    for (const auto& s : segs)
        out += (out.empty() ? "" : "/") + s;
    return out;
}
} // namespace detail

namespace {
// The relationship attribute "r:id" whatever prefix the document gave it.
std::string relIdOf(pugi::xml_node n) {
    for (auto a = n.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view name = a.name();
        if (name.size() > 3 && name.substr(name.size() - 3) == ":id")
            return a.value();
    }
    return {};
}

std::string takePart(std::map<std::string, std::string>& parts, const std::string& name,
                     const char* what) {
    auto it = parts.find(name);
    if (it == parts.end())
        throw PackageError(std::string("the package has no ") + what + " (" + name + ")");
    std::string data = std::move(it->second);
    parts.erase(it);
    return data;
}

// The target part of the first relationship of a type, or empty.
std::string targetOfType(pugi::xml_node rels, const char* type, const std::string& baseDir) {
    for (auto r = child(rels, "Relationship"); r; r = detail::nextNamed(r, "Relationship"))
        if (std::string_view(r.attribute("Type").value()) == type &&
            std::string_view(r.attribute("TargetMode").value()) != "External")
            return detail::resolvePartName(baseDir, r.attribute("Target").value());
    return {};
}
} // namespace

struct WorkbookReader {
    static void read(Workbook& wb, std::map<std::string, std::string> parts);
};

void WorkbookReader::read(Workbook& wb, std::map<std::string, std::string> parts) {
    auto& pkg = *wb.pkg_;
    detail::parseXml(pkg.contentTypes, takePart(parts, "[Content_Types].xml", "content types"),
                     "[Content_Types].xml");
    // The save adds to these two lists; a package without them could be opened but not saved.
    if (!child(pkg.contentTypes, "Types"))
        throw PackageError("[Content_Types].xml holds no <Types>");
    {
        pugi::xml_document rootRels;
        auto it = parts.find("_rels/.rels");
        if (it == parts.end())
            throw PackageError("the package has no relationships (_rels/.rels)");
        detail::parseXml(rootRels, it->second, "_rels/.rels");
        const auto target =
            targetOfType(child(rootRels, "Relationships"), rel::kOfficeDocument, "");
        if (!target.empty())
            pkg.workbookPart = target;
    }
    detail::parseXml(pkg.workbookXml, takePart(parts, pkg.workbookPart, "workbook part"),
                     pkg.workbookPart);
    const std::string relsName = pkg.relsPartOf(pkg.workbookPart);
    detail::parseXml(pkg.workbookRels, takePart(parts, relsName, "workbook relationships"),
                     relsName);
    auto rels = child(pkg.workbookRels, "Relationships");
    if (!rels)
        throw PackageError(relsName + " holds no <Relationships>");
    const std::string dir = pkg.workbookDir();
    {
        // An id names one relationship: with two, a sheet's id would point to another
        // sheet's part once saved.
        std::set<std::string_view> ids;
        for (auto r = child(rels, "Relationship"); r; r = detail::nextNamed(r, "Relationship"))
            if (!ids.insert(r.attribute("Id").value()).second)
                throw PackageError(relsName + " uses the relationship id '" +
                                   r.attribute("Id").value() + "' twice");
    }

    // The calculation chain lists formula cells; it goes stale as soon as cells change,
    // and the spreadsheet rebuilds it when it is missing.
    for (auto r = child(rels, "Relationship"); r;) {
        auto next = detail::nextNamed(r, "Relationship");
        if (std::string_view(r.attribute("Type").value()) == rel::kCalcChain) {
            parts.erase(detail::resolvePartName(dir, r.attribute("Target").value()));
            rels.remove_child(r);
        }
        r = next;
    }

    const std::string stylesPart = targetOfType(rels, rel::kStyles, dir);
    if (!stylesPart.empty() && parts.count(stylesPart))
        wb.styles_.load(takePart(parts, stylesPart, "styles"));

    std::vector<std::string> sst;
    const std::string sstPart = targetOfType(rels, rel::kSharedStrings, dir);
    if (!sstPart.empty() && parts.count(sstPart))
        sst = detail::readSharedStrings(takePart(parts, sstPart, "shared strings"), sstPart);

    auto root = child(pkg.workbookXml, "workbook");
    if (!root)
        throw PackageError(pkg.workbookPart + " holds no <workbook>");
    auto sheetsNode = child(root, "sheets");
    std::vector<Sheet*> byIndex;
    for (auto s = child(sheetsNode, "sheet"); s; s = detail::nextNamed(s, "sheet")) {
        const std::string name = s.attribute("name").value();
        const std::string rid = relIdOf(s);
        std::string target, type;
        for (auto r = child(rels, "Relationship"); r; r = detail::nextNamed(r, "Relationship"))
            if (rid == r.attribute("Id").value()) {
                target = detail::resolvePartName(dir, r.attribute("Target").value());
                type = r.attribute("Type").value();
            }
        if (target.empty())
            throw PackageError("sheet '" + name + "' has no relationship '" + rid + "'");
        if (type != rel::kWorksheet)
            throw PackageError("sheet '" + name +
                               "' is not a worksheet (chart sheets are not supported)");
        if (name.empty() || wb.findSheet(name))
            throw PackageError("sheet name '" + name + "' is empty or used twice");
        std::string xml = takePart(parts, target, ("worksheet of sheet '" + name + "'").c_str());
        auto sheet = std::make_unique<Sheet>(name, wb.nextSheetId());
        sheet->partName = target;
        {
            auto split = detail::splitSheetXml(xml, target);
            detail::readSheetData(split.sheetData, *sheet, sst, wb.styles_.formatCount(), target);
            sheet->shellXml = std::move(split.shell);
        }
        xml.clear();
        xml.shrink_to_fit();
        // Merges and column widths are modelled; the writer puts them back.
        pugi::xml_document shell;
        detail::parseXml(shell, sheet->shellXml, target);
        auto ws = child(shell, "worksheet");
        // The writer puts the cells back in this place; a sheet without it could not be saved.
        if (!child(ws, "sheetData"))
            throw PackageError("the worksheet " + target +
                               " holds no <sheetData> in its <worksheet> element");
        if (auto cols = child(ws, "cols")) {
            for (auto c = child(cols, "col"); c; c = detail::nextNamed(c, "col")) {
                ColumnInfo ci;
                ci.min = std::clamp(c.attribute("min").as_int(1), 1, kMaxColumns);
                ci.max = std::clamp(c.attribute("max").as_int(ci.min), ci.min, kMaxColumns);
                ci.width = c.attribute("width").as_double(0.0);
                ci.style = c.attribute("style").as_uint(0);
                if (ci.style >= wb.styles_.formatCount())
                    ci.style = 0;
                for (auto a = c.first_attribute(); a; a = a.next_attribute()) {
                    const std::string_view an = a.name();
                    if (an == "min" || an == "max" || an == "width" || an == "customWidth" ||
                        an == "style")
                        continue;
                    std::string v;
                    detail::appendEscaped(v, a.value());
                    ci.attrs += " " + std::string(an) + "=\"" + v + "\"";
                }
                sheet->columns().push_back(ci);
            }
            ws.remove_child(cols);
        }
        if (auto merges = child(ws, "mergeCells")) {
            for (auto m = child(merges, "mergeCell"); m; m = detail::nextNamed(m, "mergeCell"))
                if (auto r = parseRange(m.attribute("ref").value()))
                    sheet->merges().push_back(*r);
            ws.remove_child(merges);
        }
        if (auto dim = child(ws, "dimension"))
            ws.remove_child(dim);
        sheet->shellXml = detail::writeXml(shell);
        pkg.sheetRelId[sheet->id()] = rid;
        auto& attrs = pkg.sheetAttrs[sheet->id()];
        for (auto a = s.first_attribute(); a; a = a.next_attribute()) {
            const std::string an = a.name();
            if (an != "name" && an != "sheetId" && an.find(":id") == std::string::npos)
                attrs[an] = a.value();
        }
        byIndex.push_back(sheet.get());
        wb.sheets_.push_back(std::move(sheet));
    }
    if (wb.sheets_.empty())
        throw PackageError("the workbook has no worksheet");

    if (auto names = child(root, "definedNames")) {
        for (auto n = child(names, "definedName"); n; n = detail::nextNamed(n, "definedName")) {
            DefinedName d;
            d.name = n.attribute("name").value();
            d.formula = n.text().get();
            if (auto local = n.attribute("localSheetId")) {
                const int idx = local.as_int(-1);
                if (idx < 0 || idx >= static_cast<int>(byIndex.size()))
                    throw PackageError("defined name '" + d.name + "' belongs to sheet number " +
                                       std::to_string(idx) + ", which does not exist");
                d.scopeSheet = byIndex[static_cast<size_t>(idx)]->id();
            }
            for (auto a = n.first_attribute(); a; a = a.next_attribute()) {
                const std::string_view an = a.name();
                if (an == "name" || an == "localSheetId")
                    continue;
                d.attrs.emplace_back(std::string(an), a.value());
            }
            wb.names_.push_back(std::move(d));
        }
    }
    pkg.parts = std::move(parts);
}

std::unique_ptr<Workbook> Workbook::open(const std::string& path) {
    std::unique_ptr<Workbook> wb(new Workbook());
    try {
        if (!std::filesystem::is_regular_file(path))
            throw PackageError("no such file");
        WorkbookReader::read(*wb, detail::readZip(path));
    } catch (const PackageError& e) {
        throw SpreadsheetError("Cannot open workbook " + path + ": " + e.what());
    } catch (const SpreadsheetError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw SpreadsheetError("Cannot open workbook " + path + ": not enough memory");
    } catch (const std::exception& e) {
        throw SpreadsheetError("Cannot open workbook " + path + ": " + e.what());
    }
    wb->path_ = std::filesystem::absolute(path).lexically_normal().string();
    wb->name_ = std::filesystem::path(path).filename().string();
    wb->saved_ = true;
    return wb;
}

} // namespace mv

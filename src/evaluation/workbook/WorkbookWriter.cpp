// Saving a workbook: every sheet and the modelled parts are written fresh, the rest
// of the package as it was read; the zip goes to a temporary file that replaces the
// target only when it is complete.
#include "evaluation/workbook/SheetXml.h"
#include "evaluation/workbook/SpreadsheetError.h"
#include "evaluation/workbook/Workbook.h"
#include "evaluation/workbook/WorkbookPackage.h"
#include "evaluation/workbook/XmlUtil.h"
#include "evaluation/workbook/ZipIo.h"

#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>

namespace mv {

using detail::child;

namespace {
const char* const kCtWorkbook =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
const char* const kCtWorksheet =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
const char* const kCtStyles =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
const char* const kCtSharedStrings =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";

const char* const kNewSheetShell =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<sheetViews><sheetView workbookViewId="0"/></sheetViews>)"
    R"(<sheetFormatPr defaultRowHeight="15"/><sheetData/>)"
    R"(<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/>)"
    R"(</worksheet>)";

// Inserts a new child `name` before the first existing child named in `later`.
pugi::xml_node insertOrdered(pugi::xml_node parent, const char* name,
                             std::initializer_list<const char*> later) {
    for (auto c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element)
            continue;
        const auto local = detail::localName(c.name());
        for (const char* l : later)
            if (local == l)
                return parent.insert_child_before(name, c);
    }
    return parent.append_child(name);
}

std::string formatWidth(double w) {
    std::string s;
    detail::appendNumber(s, w);
    return s;
}

void ensureOverride(pugi::xml_node types, const std::string& part, const char* contentType) {
    const std::string partName = "/" + part;
    for (auto o = child(types, "Override"); o; o = detail::nextNamed(o, "Override"))
        if (partName == o.attribute("PartName").value())
            return; // keep what the package said (a macro-enabled workbook stays one)
    auto o = types.append_child("Override");
    o.append_attribute("PartName").set_value(partName.c_str());
    o.append_attribute("ContentType").set_value(contentType);
}

void ensureDefault(pugi::xml_node types, const char* ext, const char* contentType) {
    for (auto d = child(types, "Default"); d; d = detail::nextNamed(d, "Default"))
        if (std::string_view(d.attribute("Extension").value()) == ext)
            return;
    auto d = types.prepend_child("Default");
    d.append_attribute("Extension").set_value(ext);
    d.append_attribute("ContentType").set_value(contentType);
}
} // namespace

// A worksheet part as it is written: the small shell around the cells, and the cells
// produced piece by piece while the zip is written.
struct SheetPart {
    std::string prefix;
    std::string suffix;
    std::unique_ptr<detail::SheetDataWriter> data;
    int stage = 0;
    bool produce(std::string& out) {
        switch (stage) {
        case 0:
            out += prefix;
            stage = 1;
            return true;
        case 1:
            if (data->next(out, 1 << 18))
                return true;
            stage = 2;
            [[fallthrough]];
        case 2:
            out += suffix;
            stage = 3;
            return true;
        default:
            return false;
        }
    }
};

struct WorkbookWriter {
    static std::unique_ptr<SheetPart> sheetXml(const Sheet& s,
                                               const detail::SharedStringTable& sst);
    static std::string relationTo(Workbook::Package& pkg, const char* type,
                                  const std::string& part);
};

std::string WorkbookWriter::relationTo(Workbook::Package& pkg, const char* type,
                                       const std::string& part) {
    auto rels = child(pkg.workbookRels, "Relationships");
    const std::string dir = pkg.workbookDir();
    std::set<std::string> ids;
    for (auto r = child(rels, "Relationship"); r; r = detail::nextNamed(r, "Relationship")) {
        if (std::string_view(r.attribute("Type").value()) == type &&
            detail::resolvePartName(dir, r.attribute("Target").value()) == part)
            return r.attribute("Id").value();
        ids.insert(r.attribute("Id").value());
    }
    std::string id;
    for (int k = 1; id.empty() || ids.count(id); ++k)
        id = "rId" + std::to_string(k);
    auto r = rels.append_child("Relationship");
    r.append_attribute("Id").set_value(id.c_str());
    r.append_attribute("Type").set_value(type);
    const std::string target = part.rfind(dir, 0) == 0 ? part.substr(dir.size()) : "/" + part;
    r.append_attribute("Target").set_value(target.c_str());
    return id;
}

std::unique_ptr<SheetPart> WorkbookWriter::sheetXml(const Sheet& s,
                                                    const detail::SharedStringTable& sst) {
    pugi::xml_document shell;
    detail::parseXml(shell, s.shellXml.empty() ? std::string(kNewSheetShell) : s.shellXml,
                     s.partName);
    auto ws = child(shell, "worksheet");
    auto data = child(ws, "sheetData");
    if (!ws || !data || data.first_child()) // the reader leaves the cells' place empty
        throw PackageError("the sheet '" + s.name() + "' lost its layout");
    // Elements we add carry the prefix the document gives its own (x:worksheet -> x:).
    const std::string wsName = ws.name();
    const std::string pfx =
        wsName.substr(0, wsName.find(':') == std::string::npos ? 0 : wsName.find(':') + 1);
    auto dim = insertOrdered(ws, (pfx + "dimension").c_str(),
                             {"sheetViews", "sheetFormatPr", "cols", "sheetData"});
    dim.append_attribute("ref").set_value(rangeName(s.usedRange()).c_str());
    if (!s.columns().empty()) {
        auto cols = ws.insert_child_before((pfx + "cols").c_str(), data);
        for (const auto& c : s.columns()) {
            std::string xml = "<" + pfx + "col min=\"" + std::to_string(c.min) + "\" max=\"" +
                              std::to_string(c.max) + "\"";
            if (c.width > 0)
                xml += " width=\"" + formatWidth(c.width) + "\" customWidth=\"1\"";
            if (c.style != 0)
                xml += " style=\"" + std::to_string(c.style) + "\"";
            xml += c.attrs + "/>";
            cols.append_buffer(xml.data(), xml.size());
        }
    }
    if (!s.merges().empty()) {
        auto merges = insertOrdered(ws, (pfx + "mergeCells").c_str(),
                                    {"phoneticPr",
                                     "conditionalFormatting",
                                     "dataValidations",
                                     "hyperlinks",
                                     "printOptions",
                                     "pageMargins",
                                     "pageSetup",
                                     "headerFooter",
                                     "rowBreaks",
                                     "colBreaks",
                                     "customProperties",
                                     "cellWatches",
                                     "ignoredErrors",
                                     "smartTags",
                                     "drawing",
                                     "legacyDrawing",
                                     "legacyDrawingHF",
                                     "picture",
                                     "oleObjects",
                                     "controls",
                                     "webPublishItems",
                                     "tableParts",
                                     "extLst"});
        merges.append_attribute("count").set_value(static_cast<unsigned>(s.merges().size()));
        for (const auto& m : s.merges())
            merges.append_child((pfx + "mergeCell").c_str())
                .append_attribute("ref")
                .set_value(rangeName(m).c_str());
    }
    // The cells go where the empty <sheetData/> stands. It is found by a name nothing else
    // in the written text holds: "<sheetData" may also stand inside a CDATA section.
    std::string text, marker;
    for (int k = 0;; ++k) {
        if (k == 100)
            throw PackageError("the sheet '" + s.name() + "' lost its layout");
        marker = "<mvtervik-cells-" + std::to_string(k);
        data.set_name(marker.c_str() + 1);
        text = detail::writeXml(shell);
        const auto first = text.find(marker);
        if (first != std::string::npos && text.find(marker, first + 1) == std::string::npos)
            break;
    }
    const auto at = text.find(marker);
    const auto end = text.find('>', at);
    auto part = std::make_unique<SheetPart>();
    part->prefix = text.substr(0, at);
    part->suffix = text.substr(end + 1);
    // A document that names the main namespace by a prefix gets it as the default of the
    // cells, which are written without one.
    std::string open = "<sheetData>";
    const std::string uri =
        pfx.empty() ? "" : ws.attribute(("xmlns:" + pfx.substr(0, pfx.size() - 1)).c_str()).value();
    if (!uri.empty()) {
        std::string esc;
        detail::appendEscaped(esc, uri.c_str());
        open = "<sheetData xmlns=\"" + esc + "\">";
    }
    part->data = std::make_unique<detail::SheetDataWriter>(s, sst, std::move(open));
    return part;
}

void Workbook::write(const std::string& target) {
    auto& pkg = *pkg_;
    auto types = child(pkg.contentTypes, "Types");
    auto rels = child(pkg.workbookRels, "Relationships");
    auto root = child(pkg.workbookXml, "workbook");
    if (!types || !rels || !root)
        throw PackageError("the package lost its structure");
    const std::string dir = pkg.workbookDir();

    // Sheets: new ones get a free part name.
    std::set<std::string> used;
    for (const auto& [n, d] : pkg.parts)
        used.insert(n);
    for (const auto& s : sheets_)
        used.insert(s->partName);
    std::vector<std::pair<std::string, std::string>> written; // part -> bytes
    std::vector<std::pair<std::string, std::unique_ptr<SheetPart>>> sheetParts;
    detail::SharedStringTable sst;
    for (const auto& s : sheets_)
        detail::collectSharedStrings(*s, sst);
    for (auto& s : sheets_) {
        if (s->partName.empty()) {
            for (int k = 1; s->partName.empty(); ++k) {
                const std::string cand = dir + "worksheets/sheet" + std::to_string(k) + ".xml";
                if (!used.count(cand))
                    s->partName = cand;
            }
            used.insert(s->partName);
        }
        pkg.sheetRelId[s->id()] = WorkbookWriter::relationTo(pkg, rel::kWorksheet, s->partName);
        sheetParts.emplace_back(s->partName, WorkbookWriter::sheetXml(*s, sst));
        ensureOverride(types, s->partName, kCtWorksheet);
    }
    // Styles and strings take their usual names unless a sheet or a kept part has one:
    // a hand-made package may keep a sheet in "styles.xml".
    auto freePart = [&](const std::string& stem) {
        std::string name = dir + stem + ".xml";
        for (int k = 2; used.count(name); ++k)
            name = dir + stem + std::to_string(k) + ".xml";
        used.insert(name);
        return name;
    };
    const std::string stylesPart = freePart("styles");
    const std::string sstPart = freePart("sharedStrings");
    for (auto r = child(rels, "Relationship"); r;) {
        auto next = detail::nextNamed(r, "Relationship");
        const std::string_view type = r.attribute("Type").value();
        if (type == rel::kStyles || type == rel::kSharedStrings)
            rels.remove_child(r);
        r = next;
    }
    WorkbookWriter::relationTo(pkg, rel::kStyles, stylesPart);
    written.emplace_back(stylesPart, styles_.save());
    ensureOverride(types, stylesPart, kCtStyles);
    if (sst.size() > 0) {
        WorkbookWriter::relationTo(pkg, rel::kSharedStrings, sstPart);
        written.emplace_back(sstPart, sst.xml());
        ensureOverride(types, sstPart, kCtSharedStrings);
    }

    // The workbook part: the sheet list and the defined names from the model.
    auto sheetsNode = child(root, "sheets");
    if (!sheetsNode)
        sheetsNode = insertOrdered(
            root, "sheets",
            {"functionGroups", "externalReferences", "definedNames", "calcPr", "extLst"});
    std::string relPrefix = "r";
    for (auto a = root.first_attribute(); a; a = a.next_attribute())
        if (std::string_view(a.value()) ==
                "http://schemas.openxmlformats.org/officeDocument/2006/relationships" &&
            std::string_view(a.name()).rfind("xmlns:", 0) == 0)
            relPrefix = std::string(a.name()).substr(6);
    if (relPrefix == "r" && !root.attribute("xmlns:r"))
        root.append_attribute("xmlns:r").set_value(
            "http://schemas.openxmlformats.org/officeDocument/2006/relationships");
    int maxSheetId = 0;
    for (auto s = child(sheetsNode, "sheet"); s; s = detail::nextNamed(s, "sheet"))
        maxSheetId = std::max(maxSheetId, s.attribute("sheetId").as_int(0));
    std::map<std::string, int> idByRel;
    for (auto s = child(sheetsNode, "sheet"); s; s = detail::nextNamed(s, "sheet"))
        for (auto a = s.first_attribute(); a; a = a.next_attribute())
            if (std::string_view(a.name()).find(":id") != std::string_view::npos)
                idByRel[a.value()] = s.attribute("sheetId").as_int(0);
    while (auto c = sheetsNode.first_child())
        sheetsNode.remove_child(c);
    for (const auto& s : sheets_) {
        auto n = sheetsNode.append_child("sheet");
        n.append_attribute("name").set_value(s->name().c_str());
        const std::string& rid = pkg.sheetRelId[s->id()];
        int sid = idByRel.count(rid) ? idByRel[rid] : ++maxSheetId;
        n.append_attribute("sheetId").set_value(sid);
        for (const auto& [k, v] : pkg.sheetAttrs[s->id()])
            n.append_attribute(k.c_str()).set_value(v.c_str());
        n.append_attribute((relPrefix + ":id").c_str()).set_value(rid.c_str());
    }
    if (auto old = child(root, "definedNames"))
        root.remove_child(old);
    if (!names_.empty()) {
        auto dn = insertOrdered(root, "definedNames",
                                {"calcPr", "oleSize", "customWorkbookViews", "pivotCaches",
                                 "smartTagPr", "smartTagTypes", "webPublishing", "fileRecoveryPr",
                                 "webPublishObjects", "extLst"});
        for (const auto& d : names_) {
            auto n = dn.append_child("definedName");
            n.append_attribute("name").set_value(d.name.c_str());
            if (d.scopeSheet != 0) {
                for (size_t i = 0; i < sheets_.size(); ++i)
                    if (sheets_[i]->id() == d.scopeSheet)
                        n.append_attribute("localSheetId").set_value(static_cast<unsigned>(i));
            }
            for (const auto& [k, v] : d.attrs)
                n.append_attribute(k.c_str()).set_value(v.c_str());
            n.text().set(d.formula.c_str());
        }
    }
    // The active tab must name an existing sheet.
    if (auto views = child(root, "bookViews"))
        for (auto v = child(views, "workbookView"); v; v = detail::nextNamed(v, "workbookView"))
            if (auto tab = v.attribute("activeTab"); tab && tab.as_int(0) >= sheetCount())
                tab.set_value(0);

    ensureDefault(types, "xml", "application/xml");
    ensureDefault(types, "rels", "application/vnd.openxmlformats-package.relationships+xml");
    ensureOverride(types, pkg.workbookPart, kCtWorkbook);
    written.emplace_back(pkg.workbookPart, detail::writeXml(pkg.workbookXml));
    written.emplace_back(pkg.relsPartOf(pkg.workbookPart), detail::writeXml(pkg.workbookRels));

    // Content types of parts that are gone (a deleted sheet, the calculation chain).
    std::set<std::string> present;
    for (const auto& [n, d] : written)
        present.insert(n);
    for (const auto& [n, d] : sheetParts)
        present.insert(n);
    for (const auto& [n, d] : pkg.parts)
        present.insert(n);
    for (auto o = child(types, "Override"); o;) {
        auto next = detail::nextNamed(o, "Override");
        std::string part = o.attribute("PartName").value();
        if (!part.empty() && part.front() == '/')
            part.erase(0, 1);
        if (!present.count(part))
            types.remove_child(o);
        o = next;
    }
    const std::string typesXml = detail::writeXml(pkg.contentTypes);

    std::vector<detail::ZipEntry> order;
    order.push_back({"[Content_Types].xml", &typesXml, {}});
    for (const auto& [n, d] : pkg.parts)
        if (n != "[Content_Types].xml")
            order.push_back({n, &d, {}});
    for (const auto& [n, d] : written)
        order.push_back({n, &d, {}});
    for (auto& [n, part] : sheetParts)
        order.push_back(
            {n, nullptr, [p = part.get()](std::string& out) { return p->produce(out); }});

    namespace fs = std::filesystem;
    const fs::path targetPath(target);
    std::random_device rd;
    fs::path tmp;
    do {
        tmp = targetPath;
        tmp += ".saving-" + std::to_string(rd() % 1000000);
    } while (fs::exists(tmp));
    try {
        detail::writeZip(tmp.string(), std::move(order));
        fs::rename(tmp, targetPath);
    } catch (...) {
        std::error_code ec;
        fs::remove(tmp, ec);
        throw;
    }
}

} // namespace mv

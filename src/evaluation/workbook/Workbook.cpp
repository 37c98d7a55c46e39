#include "evaluation/workbook/Workbook.h"

#include "evaluation/workbook/WorkbookPackage.h"
#include "evaluation/workbook/XmlUtil.h"

#include <algorithm>
#include <filesystem>

namespace mv {

namespace {
const char* const kNewContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/></Types>)";
const char* const kNewRootRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";
const char* const kNewWorkbook =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<bookViews><workbookView activeTab="0"/></bookViews><sheets/></workbook>)";
const char* const kNewWorkbookRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"/>)";

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

size_t utf8Length(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty())
        return;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}
} // namespace

Workbook::Workbook() : pkg_(std::make_unique<Package>()) {}

Workbook::Workbook(std::string name, const std::string& sheetName) : Workbook() {
    name_ = std::move(name);
    detail::parseXml(pkg_->contentTypes, kNewContentTypes, "[Content_Types].xml");
    detail::parseXml(pkg_->workbookXml, kNewWorkbook, "xl/workbook.xml");
    detail::parseXml(pkg_->workbookRels, kNewWorkbookRels, "xl/_rels/workbook.xml.rels");
    pkg_->parts["_rels/.rels"] = kNewRootRels;
    checkNewSheetName(sheetName, nullptr);
    sheets_.push_back(std::make_unique<Sheet>(sheetName, nextSheetId()));
    saved_ = false;
}

Workbook::~Workbook() = default;

std::string Workbook::folder() const {
    if (path_.empty())
        return {};
    return std::filesystem::path(path_).parent_path().string();
}

Sheet& Workbook::sheet(int index) {
    if (index < 0 || index >= sheetCount())
        throw SpreadsheetError("Workbook " + name_ + " has no sheet number " +
                               std::to_string(index + 1));
    return *sheets_[static_cast<size_t>(index)];
}

const Sheet& Workbook::sheet(int index) const {
    return const_cast<Workbook*>(this)->sheet(index);
}

Sheet* Workbook::findSheet(const std::string& name) {
    const std::string key = lower(name);
    for (auto& s : sheets_)
        if (lower(s->name()) == key)
            return s.get();
    return nullptr;
}

int Workbook::sheetIndex(const Sheet& s) const {
    for (size_t i = 0; i < sheets_.size(); ++i)
        if (sheets_[i].get() == &s)
            return static_cast<int>(i);
    return -1;
}

void Workbook::checkNewSheetName(const std::string& name, const Sheet* except) const {
    const auto bad = [&](const std::string& why) {
        throw SpreadsheetError("'" + name + "' cannot name a sheet: " + why);
    };
    if (name.empty())
        bad("the name is empty");
    if (utf8Length(name) > 31)
        bad("a sheet name has at most 31 characters");
    if (name.find_first_of(":\\/?*[]") != std::string::npos)
        bad("it holds one of : \\ / ? * [ ]");
    if (name.front() == '\'' || name.back() == '\'')
        bad("it begins or ends with an apostrophe");
    if (lower(name) == "history")
        bad("the name is reserved");
    for (const auto& s : sheets_)
        if (s.get() != except && lower(s->name()) == lower(name))
            bad("workbook " + name_ + " already has a sheet of that name");
}

Sheet& Workbook::addSheet(const std::string& name) {
    checkNewSheetName(name, nullptr);
    sheets_.push_back(std::make_unique<Sheet>(name, nextSheetId()));
    saved_ = false;
    return *sheets_.back();
}

void Workbook::renameSheet(Sheet& s, const std::string& newName) {
    if (newName == s.name())
        return;
    checkNewSheetName(newName, &s);
    const std::string oldRef = quoteSheetName(s.name()) + "!";
    const std::string oldQuoted = "'" + s.name() + "'!";
    const std::string newRef = quoteSheetName(newName) + "!";
    for (auto& n : names_) {
        replaceAll(n.formula, oldQuoted, newRef);
        if (oldRef != oldQuoted)
            replaceAll(n.formula, oldRef, newRef);
    }
    s.name_ = newName;
    saved_ = false;
}

void Workbook::deleteSheet(Sheet& s) {
    const int idx = sheetIndex(s);
    if (idx < 0)
        throw SpreadsheetError("The sheet does not belong to workbook " + name_);
    if (sheetCount() == 1)
        throw SpreadsheetError("A workbook must keep at least one sheet; '" + s.name() +
                               "' is the last sheet of " + name_);
    // Names of the sheet go with it; names elsewhere that point into it become #REF!,
    // as the spreadsheet does.
    const std::string ref = quoteSheetName(s.name()) + "!";
    const std::string quoted = "'" + s.name() + "'!";
    names_.erase(std::remove_if(names_.begin(), names_.end(),
                                [&](const DefinedName& n) { return n.scopeSheet == s.id(); }),
                 names_.end());
    for (auto& n : names_) {
        replaceAll(n.formula, quoted, "#REF!");
        replaceAll(n.formula, ref, "#REF!");
    }
    auto& pkg = *pkg_;
    if (!s.partName.empty()) {
        pkg.parts.erase(pkg.relsPartOf(s.partName));
        auto rels = detail::child(pkg.workbookRels, "Relationships");
        const std::string rid = pkg.sheetRelId[s.id()];
        for (auto r = detail::child(rels, "Relationship"); r;
             r = detail::nextNamed(r, "Relationship"))
            if (rid == r.attribute("Id").value()) {
                rels.remove_child(r);
                break;
            }
    }
    pkg.sheetRelId.erase(s.id());
    pkg.sheetAttrs.erase(s.id());
    sheets_.erase(sheets_.begin() + idx);
    saved_ = false;
}

void Workbook::setName(const std::string& name, const Sheet& sheet, const CellRange& range,
                       const Sheet* scope) {
    if (name.empty() || parseCellName(name) || name.find_first_of(" !'\"") != std::string::npos)
        throw SpreadsheetError("'" + name + "' cannot be a defined name");
    std::string formula =
        quoteSheetName(sheet.name()) + "!" + absoluteCellName(range.first.row, range.first.col);
    if (range.first != range.last)
        formula += ":" + absoluteCellName(range.last.row, range.last.col);
    const std::uint64_t scopeId = scope ? scope->id() : 0;
    for (auto& n : names_)
        if (lower(n.name) == lower(name) && n.scopeSheet == scopeId) {
            n.formula = formula;
            saved_ = false;
            return;
        }
    names_.push_back({name, scopeId, formula, {}});
    saved_ = false;
}

NameTarget Workbook::resolveName(const std::string& name, const Sheet* from) {
    const DefinedName* found = nullptr;
    const std::string key = lower(name);
    for (const auto& n : names_)
        if (lower(n.name) == key && from && n.scopeSheet == from->id())
            found = &n;
    for (const auto& n : names_)
        if (!found && lower(n.name) == key && n.scopeSheet == 0)
            found = &n;
    if (!found)
        throw SpreadsheetError("Workbook " + name_ + " has no name '" + name + "'");
    auto ref = parseSheetReference(found->formula);
    Sheet* target = nullptr;
    if (ref) {
        if (ref->sheet.empty() && found->scopeSheet != 0) {
            for (auto& s : sheets_)
                if (s->id() == found->scopeSheet)
                    target = s.get();
        } else {
            target = findSheet(ref->sheet);
        }
    }
    if (!target)
        throw SpreadsheetError("Workbook " + name_ + ": the name '" + name + "' points nowhere (" +
                               found->formula + ")");
    return {target, ref->range};
}

std::string Workbook::nameScopeText(const DefinedName& n) const {
    for (const auto& s : sheets_)
        if (s->id() == n.scopeSheet)
            return s->name();
    return {};
}

void Workbook::save() {
    if (path_.empty())
        throw SpreadsheetError("Workbook " + name_ + " has no file yet: use Save As");
    saveAs(path_);
}

void Workbook::saveAs(const std::string& path) {
    namespace fs = std::filesystem;
    const std::string ext = lower(fs::path(path).extension().string());
    if (ext != ".xlsx" && ext != ".xlsm")
        throw SpreadsheetError("Cannot save workbook " + name_ + " as " + path +
                               ": the file name must end in .xlsx");
    try {
        write(path);
    } catch (const PackageError& e) {
        throw SpreadsheetError("Cannot save workbook " + name_ + " as " + path + ": " + e.what() +
                               " (the file on disk is unchanged)");
    } catch (const SpreadsheetError&) {
        throw;
    } catch (const std::exception& e) {
        throw SpreadsheetError("Cannot save workbook " + name_ + " as " + path + ": " + e.what() +
                               " (the file on disk is unchanged)");
    }
    path_ = fs::absolute(path).lexically_normal().string();
    name_ = fs::path(path).filename().string();
    saved_ = true;
}

} // namespace mv

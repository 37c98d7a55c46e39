#pragma once
// One .xlsx workbook in memory: its sheets, cell formats and defined names, plus
// every part of the package we do not model, which is written back unchanged.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "evaluation/workbook/Sheet.h"
#include "evaluation/workbook/SpreadsheetError.h"
#include "evaluation/workbook/Styles.h"

namespace pugi {
class xml_document;
}

namespace mv {

struct DefinedName {
    std::string name;
    std::uint64_t scopeSheet = 0; // sheet id for a sheet-scoped name, 0 for the workbook
    std::string formula;          // "Sheet1!$A$1" as stored, without '='
    // Other attributes (hidden, comment, ...), kept as read.
    std::vector<std::pair<std::string, std::string>> attrs;
};

// Where a defined name points.
struct NameTarget {
    Sheet* sheet = nullptr;
    CellRange range;
};

class Workbook {
public:
    // A new workbook with one empty sheet, not yet saved; `name` is what the list shows
    // ("Book1"), the file name is given by saveAs.
    Workbook(std::string name, const std::string& sheetName);
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // Opens an .xlsx file. Throws SpreadsheetError naming the file and the problem.
    static std::unique_ptr<Workbook> open(const std::string& path);
    // Writes to a temporary file beside the target and renames it over the target, so
    // a failure leaves the previous file as it was. Throws SpreadsheetError.
    void save();
    void saveAs(const std::string& path);

    // The file name ("Log.xlsx"), the folder ("/home/u/tests") and both together.
    const std::string& name() const { return name_; }
    std::string folder() const;
    const std::string& fullName() const { return path_; }
    bool hasFile() const { return !path_.empty(); }
    bool saved() const { return saved_; }
    void markChanged() { saved_ = false; }

    int sheetCount() const { return static_cast<int>(sheets_.size()); }
    Sheet& sheet(int index); // 0-based
    const Sheet& sheet(int index) const;
    // Case-insensitive, as sheet names are; nullptr when none.
    Sheet* findSheet(const std::string& name);
    int sheetIndex(const Sheet& s) const;
    Sheet& addSheet(const std::string& name); // after the last sheet
    void renameSheet(Sheet& s, const std::string& newName);
    void deleteSheet(Sheet& s);
    // Throws SpreadsheetError when the text cannot name a new sheet of this workbook.
    void checkNewSheetName(const std::string& name, const Sheet* except) const;

    Styles& styles() { return styles_; }
    const Styles& styles() const { return styles_; }

    const std::vector<DefinedName>& names() const { return names_; }
    // Adds or replaces a defined name that points at one range of a sheet.
    void setName(const std::string& name, const Sheet& sheet, const CellRange& range,
                 const Sheet* scope = nullptr);
    // The name seen from `from`: a name of that sheet's scope first, then the
    // workbook's. Throws SpreadsheetError when it is missing or points nowhere.
    NameTarget resolveName(const std::string& name, const Sheet* from = nullptr);
    // "Sheet1!$A$1" of a name, for listing.
    std::string nameScopeText(const DefinedName& n) const;

    // Used by the reader and writer.
    struct Package;
    Package& package() { return *pkg_; }

private:
    Workbook();
    void write(const std::string& target);
    std::uint64_t nextSheetId() { return ++lastSheetId_; }

    std::string name_;
    std::string path_;
    bool saved_ = true;
    std::vector<std::unique_ptr<Sheet>> sheets_;
    Styles styles_;
    std::vector<DefinedName> names_;
    std::uint64_t lastSheetId_ = 0;
    std::unique_ptr<Package> pkg_;

    friend struct WorkbookReader;
    friend struct WorkbookWriter;
};

} // namespace mv

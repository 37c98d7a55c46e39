#include "evaluation/Fragment.h"

#include "core/Json.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

namespace mv {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRecordFormat = "mvtervik-bulk-record";
constexpr const char* kSliceFormat = "mvtervik-bulk-slice";
constexpr int kVersion = 1;

const char* levelText(LineLevel l) {
    switch (l) {
    case LineLevel::Warning:
        return "warning";
    case LineLevel::Error:
        return "error";
    case LineLevel::Info:
        break;
    }
    return "info";
}

const char* outcomeText(IdOutcome o) {
    switch (o) {
    case IdOutcome::Processed:
        return "processed";
    case IdOutcome::Skipped:
        return "skipped";
    case IdOutcome::Failed:
        break;
    }
    return "failed";
}

// A number that survives the round trip exactly, infinities and NaN included.
void writeNumber(JsonWriter& w, double v) {
    if (std::isnan(v))
        w.value("nan");
    else if (std::isinf(v))
        w.value(v > 0 ? "inf" : "-inf");
    else
        w.value(v);
}

void writeLayout(JsonWriter& w, const EvaLogLayout& layout) {
    w.beginObject().key("ident").value(layout.ident).key("computed").beginArray();
    for (const std::string& n : layout.computed)
        w.value(n);
    w.endArray().key("zoneSheets").beginArray();
    for (const std::string& n : layout.zoneSheets)
        w.value(n);
    w.endArray().endObject();
}

void writeCell(JsonWriter& w, const CellValue& c) {
    switch (c.type) {
    case CellType::Empty:
        w.null();
        return;
    case CellType::Number:
        w.beginObject().key("n");
        writeNumber(w, c.number);
        break;
    case CellType::Date:
        w.beginObject().key("d");
        writeNumber(w, c.number);
        break;
    case CellType::Bool:
        w.beginObject().key("b").value(c.number != 0.0);
        break;
    case CellType::Text:
        w.beginObject().key("s").value(c.text);
        break;
    case CellType::Error:
        w.beginObject().key("e").value(c.text);
        break;
    }
    w.endObject();
}

// Reading: every accessor throws Damaged with what is wrong.
struct Damaged {
    std::string why;
};

const JsonValue& member(const JsonValue& o, const char* key) {
    const JsonValue* v = o.find(key);
    if (!v)
        throw Damaged{std::string("no \"") + key + "\""};
    return *v;
}

std::string textOf(const JsonValue& v, const char* what) {
    if (!v.isString())
        throw Damaged{std::string(what) + " is not a text"};
    return v.text;
}

double numberOf(const JsonValue& v, const char* what) {
    if (v.isNumber())
        return v.number;
    if (v.isString()) {
        if (v.text == "nan")
            return std::numeric_limits<double>::quiet_NaN();
        if (v.text == "inf")
            return std::numeric_limits<double>::infinity();
        if (v.text == "-inf")
            return -std::numeric_limits<double>::infinity();
    }
    throw Damaged{std::string(what) + " is not a number"};
}

int intOf(const JsonValue& v, const char* what, int lo, int hi) {
    if (!v.isNumber() || v.number != std::floor(v.number) || v.number < lo || v.number > hi)
        throw Damaged{std::string(what) + " is not a whole number in " + std::to_string(lo) + ".." +
                      std::to_string(hi)};
    return static_cast<int>(v.number);
}

bool boolOf(const JsonValue& v, const char* what) {
    if (v.type != JsonValue::Type::Bool)
        throw Damaged{std::string(what) + " is not true or false"};
    return v.boolean;
}

const JsonValue& arrayOf(const JsonValue& v, const char* what) {
    if (!v.isArray())
        throw Damaged{std::string(what) + " is not a list"};
    return v;
}

std::vector<std::string> texts(const JsonValue& v, const char* what) {
    std::vector<std::string> out;
    for (const JsonValue& t : arrayOf(v, what).items)
        out.push_back(textOf(t, what));
    return out;
}

LineLevel levelOf(const JsonValue& v) {
    const std::string t = textOf(v, "level");
    if (t == "info")
        return LineLevel::Info;
    if (t == "warning")
        return LineLevel::Warning;
    if (t == "error")
        return LineLevel::Error;
    throw Damaged{"unknown level \"" + t + "\""};
}

EvaLogLayout layoutOf(const JsonValue& v) {
    if (!v.isObject())
        throw Damaged{"layout is not an object"};
    EvaLogLayout l;
    l.ident = textOf(member(v, "ident"), "layout ident");
    l.computed = texts(member(v, "computed"), "layout computed");
    l.zoneSheets = texts(member(v, "zoneSheets"), "layout zoneSheets");
    return l;
}

CellValue cellOf(const JsonValue& v) {
    if (v.isNull())
        return {};
    if (!v.isObject() || v.members.size() != 1)
        throw Damaged{"a cell is neither null nor a one-member object"};
    const auto& [k, x] = v.members.front();
    if (k == "n")
        return CellValue::num(numberOf(x, "cell"));
    if (k == "d")
        return {CellType::Date, numberOf(x, "cell"), {}};
    if (k == "b")
        return CellValue::boolean(boolOf(x, "cell"));
    if (k == "s")
        return CellValue::str(textOf(x, "cell"));
    if (k == "e")
        return CellValue::error(textOf(x, "cell"));
    throw Damaged{"unknown cell kind \"" + k + "\""};
}

RecordOp opOf(const JsonValue& v) {
    if (!v.isObject())
        throw Damaged{"an op is not an object"};
    RecordOp op;
    const std::string kind = textOf(member(v, "op"), "op");
    if (kind == "pane" || kind == "log") {
        op.kind = kind == "pane" ? RecordOp::Kind::Pane : RecordOp::Kind::LogLine;
        op.level = levelOf(member(v, "level"));
        op.text = textOf(member(v, "text"), "text");
    } else if (kind == "zone") {
        op.kind = RecordOp::Kind::ZoneRow;
        op.zone = intOf(member(v, "zone"), "zone", 1, kZoneSheetCount);
        op.transition = boolOf(member(v, "transition"), "transition");
        for (const JsonValue& c : arrayOf(member(v, "cells"), "cells").items)
            op.cells.push_back(cellOf(c));
    } else if (kind == "count") {
        op.kind = RecordOp::Kind::Count;
        op.column = intOf(member(v, "column"), "column", 1, kMaxColumns);
        op.value = numberOf(member(v, "value"), "value");
    } else {
        throw Damaged{"unknown op \"" + kind + "\""};
    }
    return op;
}

std::optional<std::string> readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    if (!f)
        return std::nullopt;
    std::ostringstream s;
    s << f.rdbuf();
    if (f.bad())
        return std::nullopt;
    return s.str();
}

// Writes `text` beside `p` and renames it over `p`: a reader sees all of it or nothing.
bool writeWhole(const fs::path& p, const std::string& text, std::string* why) {
    const fs::path part = p.string() + ".part";
    {
        std::ofstream f(part, std::ios::binary | std::ios::trunc);
        f << text;
        f.flush();
        if (!f) {
            if (why)
                *why = "can not write " + part.string();
            std::error_code ec;
            fs::remove(part, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(part, p, ec);
    if (ec) {
        if (why)
            *why = "can not rename " + part.string() + ": " + ec.message();
        fs::remove(part, ec);
        return false;
    }
    return true;
}

std::string sliceFileName(int from, int to) {
    return "slice-" + std::to_string(from) + "-" + std::to_string(to) + ".json";
}

} // namespace

std::string IdRuns(std::vector<int> ids) {
    std::sort(ids.begin(), ids.end());
    std::string out;
    for (std::size_t i = 0; i < ids.size();) {
        std::size_t j = i;
        while (j + 1 < ids.size() && ids[j + 1] == ids[j] + 1)
            ++j;
        if (!out.empty())
            out += ", ";
        out += std::to_string(ids[i]);
        if (j > i)
            out += "-" + std::to_string(ids[j]);
        i = j + 1;
    }
    return out;
}

namespace {

// The slices and records a folder holds, by the numbers in their names.
struct FolderContents {
    std::vector<std::pair<int, int>> slices;
    std::vector<int> records;
};

bool parseInt(const std::string& s, int& out) {
    if (s.empty() || s.size() > 10 || s.find_first_not_of("-0123456789") != std::string::npos)
        return false;
    try {
        std::size_t used = 0;
        const long long v = std::stoll(s, &used);
        if (used != s.size() || v < std::numeric_limits<int>::min() ||
            v > std::numeric_limits<int>::max())
            return false;
        out = static_cast<int>(v);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

FolderContents scanFolder(const std::string& dir) {
    FolderContents c;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 5 || name.substr(name.size() - 5) != ".json")
            continue;
        const std::string stem = name.substr(0, name.size() - 5);
        int a = 0, b = 0;
        if (stem.rfind("record-", 0) == 0 && parseInt(stem.substr(7), a)) {
            c.records.push_back(a);
        } else if (stem.rfind("slice-", 0) == 0) {
            // "slice-A-B" where A may itself be negative: split at the last '-' that
            // follows a digit.
            const std::string rest = stem.substr(6);
            for (std::size_t k = rest.size(); k-- > 1;) {
                if (rest[k] == '-' && std::isdigit(static_cast<unsigned char>(rest[k - 1]))) {
                    if (parseInt(rest.substr(0, k), a) && parseInt(rest.substr(k + 1), b))
                        c.slices.emplace_back(a, b);
                    break;
                }
            }
        }
    }
    return c;
}

std::string joinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names)
        out += (out.empty() ? "" : ", ") + n;
    return out.empty() ? "(none)" : out;
}

// Writes each record into the folder as it comes.
class FragmentWriter final : public RecordSink {
public:
    FragmentWriter(std::string dir, EvaLogLayout layout, Log& pane, std::vector<int>& unwritten)
        : dir_(std::move(dir)), layout_(std::move(layout)), pane_(pane), unwritten_(unwritten) {}
    void commit(const IdRecord& rec) override {
        std::string why;
        if (!writeWhole(fs::path(dir_) / RecordFileName(rec.id), RecordToJson(rec, layout_),
                        &why)) {
            pane_.warn("ID " + std::to_string(rec.id) + " Can not write its record: " + why);
            unwritten_.push_back(rec.id);
        }
    }
    void pane(LineLevel level, const std::string& text) override {
        pane_.add(text, level != LineLevel::Info);
    }

private:
    std::string dir_;
    EvaLogLayout layout_;
    Log& pane_;
    std::vector<int>& unwritten_;
};

} // namespace

EvaLogLayout LayoutOf(const EvaPlan& plan, const SpreadsheetApp& app, const SpreadsheetState& st) {
    EvaLogLayout l;
    l.ident = plan.Ident;
    for (const CompSigEntry& e : plan.computed)
        l.computed.push_back(e.Name);
    for (int z = 1; z <= kZoneSheetCount; ++z) {
        const std::string name = "Zone" + std::to_string(z);
        if (app.findSheet(st.EvaLogSheet.workbook, name))
            l.zoneSheets.push_back(name);
    }
    return l;
}

std::optional<EvaLogLayout> ReadEvaLogLayout(SpreadsheetApp& app, const SpreadsheetState& st,
                                             std::vector<EvalLine>& lines) {
    if (!st.evaLogFound()) {
        lines.push_back({LineLevel::Error, "EvaLog workbook not found"});
        return std::nullopt;
    }
    EvaPlan plan;
    try {
        const NamedCell ident = app.namedCell(st.ParamSheet, "Ident");
        plan.Ident = cellText(app.value2(ident.sheet, ident.row, ident.column));
        if (!readSignalTables(app, st.ParamSheet, plan, lines))
            return std::nullopt;
    } catch (const std::exception& e) {
        lines.push_back({LineLevel::Error, std::string("Can not read the EvaLog: ") + e.what()});
        return std::nullopt;
    }
    return LayoutOf(plan, app, st);
}

std::string LayoutDifference(const EvaLogLayout& here, const EvaLogLayout& there) {
    if (here.ident != there.ident)
        return "Ident \"" + here.ident + "\" / \"" + there.ident + "\"";
    if (here.computed != there.computed)
        return "computed signals " + joinNames(here.computed) + " / " + joinNames(there.computed);
    if (here.zoneSheets != there.zoneSheets)
        return "zone sheets " + joinNames(here.zoneSheets) + " / " + joinNames(there.zoneSheets);
    return {};
}

std::string RecordFileName(int id) {
    return "record-" + std::to_string(id) + ".json";
}

std::string RecordToJson(const IdRecord& rec, const EvaLogLayout& layout) {
    JsonWriter w;
    w.beginObject().key("format").value(kRecordFormat).key("version").value(kVersion);
    w.key("layout");
    writeLayout(w, layout);
    w.key("id").value(rec.id).key("testPath").value(rec.testPath);
    w.key("outcome").value(outcomeText(rec.outcome));
    w.key("ops").beginArray();
    for (const RecordOp& op : rec.ops) {
        w.beginObject();
        switch (op.kind) {
        case RecordOp::Kind::Pane:
        case RecordOp::Kind::LogLine:
            w.key("op").value(op.kind == RecordOp::Kind::Pane ? "pane" : "log");
            w.key("level").value(levelText(op.level)).key("text").value(op.text);
            break;
        case RecordOp::Kind::ZoneRow:
            w.key("op").value("zone").key("zone").value(op.zone);
            w.key("transition").value(op.transition).key("cells").beginArray();
            for (const CellValue& c : op.cells)
                writeCell(w, c);
            w.endArray();
            break;
        case RecordOp::Kind::Count:
            w.key("op").value("count").key("column").value(op.column).key("value");
            writeNumber(w, op.value);
            break;
        }
        w.endObject();
    }
    w.endArray().key("files").beginArray();
    for (const std::string& f : rec.files)
        w.value(f);
    w.endArray().endObject();
    return w.str() + "\n";
}

std::optional<FragmentRecord> RecordFromJson(std::string_view text, std::string* why) {
    std::string parseWhy;
    const std::optional<JsonValue> doc = parseJson(text, &parseWhy);
    if (!doc) {
        if (why)
            *why = "not JSON: " + parseWhy;
        return std::nullopt;
    }
    try {
        if (!doc->isObject() || !doc->find("format") ||
            textOf(member(*doc, "format"), "format") != kRecordFormat)
            throw Damaged{std::string("not a \"") + kRecordFormat + "\" document"};
        if (intOf(member(*doc, "version"), "version", 0, std::numeric_limits<int>::max()) !=
            kVersion)
            throw Damaged{"version " + std::to_string(member(*doc, "version").number) +
                          " is not known"};
        FragmentRecord fr;
        fr.layout = layoutOf(member(*doc, "layout"));
        IdRecord& r = fr.record;
        r.id = intOf(member(*doc, "id"), "id", std::numeric_limits<int>::min(),
                     std::numeric_limits<int>::max());
        r.testPath = textOf(member(*doc, "testPath"), "testPath");
        const std::string outcome = textOf(member(*doc, "outcome"), "outcome");
        if (outcome == "processed")
            r.outcome = IdOutcome::Processed;
        else if (outcome == "skipped")
            r.outcome = IdOutcome::Skipped;
        else if (outcome == "failed")
            r.outcome = IdOutcome::Failed;
        else
            throw Damaged{"unknown outcome \"" + outcome + "\""};
        for (const JsonValue& op : arrayOf(member(*doc, "ops"), "ops").items)
            r.ops.push_back(opOf(op));
        r.files = texts(member(*doc, "files"), "files");
        return fr;
    } catch (const Damaged& d) {
        if (why)
            *why = d.why;
        return std::nullopt;
    }
}

FragmentRun RunBulkToFragments(SpreadsheetApp& app, SpreadsheetState& st, int from, int to,
                               const BulkOptions& opt, const ReaderTable& readers,
                               const std::string& dir, Log& pane, Progress& progress) {
    FragmentRun out;
    const SinkFactory fragments = [&](const EvaPlan& plan,
                                      std::vector<EvalLine>& lines) -> std::unique_ptr<RecordSink> {
        const auto fail = [&](const std::string& why) -> std::unique_ptr<RecordSink> {
            lines.push_back({LineLevel::Error, "Can not write fragments into " + dir + ": " + why});
            return nullptr;
        };
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (!fs::is_directory(dir, ec))
            return fail("not a folder");
        const EvaLogLayout layout = LayoutOf(plan, app, st);
        for (int id = from; id <= to; ++id) {
            fs::remove(fs::path(dir) / RecordFileName(id), ec);
            if (ec)
                return fail(ec.message());
        }
        JsonWriter w;
        w.beginObject().key("format").value(kSliceFormat).key("version").value(kVersion);
        w.key("from").value(from).key("to").value(to).key("layout");
        writeLayout(w, layout);
        w.endObject();
        std::string why;
        if (!writeWhole(fs::path(dir) / sliceFileName(from, to), w.str() + "\n", &why))
            return fail(why);
        return std::make_unique<FragmentWriter>(dir, layout, pane, out.unwritten);
    };
    out.run = RunBulkInto(app, st, from, to, opt, readers, pane, progress, fragments);
    return out;
}

std::vector<int> IncompleteIds(const std::string& dir, int from, int to) {
    std::vector<int> out;
    for (int id = from; id <= to; ++id) {
        const std::optional<std::string> text = readFile(fs::path(dir) / RecordFileName(id));
        const std::optional<FragmentRecord> r =
            text ? RecordFromJson(*text, nullptr) : std::nullopt;
        if (!r || r->record.id != id)
            out.push_back(id);
    }
    return out;
}

MergeResult MergeFragments(SpreadsheetApp& app, const SpreadsheetState& st, const std::string& dir,
                           std::optional<std::pair<int, int>> range, Log& pane) {
    MergeResult res;
    const auto fail = [&](std::string text) {
        res.lines.push_back({LineLevel::Error, std::move(text)});
        return res;
    };
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return fail("Fragment folder \"" + dir + "\" not found");
    const std::optional<EvaLogLayout> layout = ReadEvaLogLayout(app, st, res.lines);
    if (!layout)
        return res;

    if (range) {
        res.from = range->first;
        res.to = range->second;
    } else {
        const FolderContents c = scanFolder(dir);
        if (c.slices.empty() && c.records.empty())
            return fail("No fragments in \"" + dir + "\"");
        bool any = false;
        const auto extend = [&](int a, int b) {
            res.from = any ? std::min(res.from, a) : a;
            res.to = any ? std::max(res.to, b) : b;
            any = true;
        };
        for (const auto& [a, b] : c.slices)
            if (a <= b)
                extend(a, b);
        for (int id : c.records)
            extend(id, id);
        if (!any)
            return fail("No fragments in \"" + dir + "\"");
    }

    // Everything is read and checked before the first cell is written.
    std::vector<IdRecord> records;
    std::map<std::string, std::vector<int>> foreignBy; // difference -> IDs
    for (int id = res.from; id <= res.to; ++id) {
        const fs::path p = fs::path(dir) / RecordFileName(id);
        if (!fs::exists(p, ec)) {
            res.missing.push_back(id);
            continue;
        }
        const std::optional<std::string> text = readFile(p);
        std::string why = "can not be read";
        std::optional<FragmentRecord> r = text ? RecordFromJson(*text, &why) : std::nullopt;
        if (r && r->record.id != id) {
            why = "holds ID " + std::to_string(r->record.id);
            r.reset();
        }
        if (!r) {
            res.damaged.push_back(id);
            res.lines.push_back({LineLevel::Error, "ID " + std::to_string(id) + " record " +
                                                       p.string() + " is damaged: " + why});
            continue;
        }
        const std::string diff = LayoutDifference(*layout, r->layout);
        if (!diff.empty()) {
            res.foreign.push_back(id);
            foreignBy[diff].push_back(id);
            continue;
        }
        records.push_back(std::move(r->record));
    }
    if (!res.missing.empty())
        res.lines.insert(res.lines.begin(),
                         {LineLevel::Error, "No record of ID " + IdRuns(res.missing) + " in " +
                                                dir + ": run their slice again (--resume)"});
    for (const auto& [diff, ids] : foreignBy)
        res.lines.push_back(
            {LineLevel::Error, "The records of ID " + IdRuns(ids) +
                                   " were written for another EvaLog layout (" + diff +
                                   ", this EvaLog / the records): they can not be merged here"});
    if (!res.lines.empty()) {
        res.lines.push_back({LineLevel::Error, "Nothing was merged"});
        return res;
    }

    std::optional<EvaLogWriter> writer;
    try {
        writer.emplace(app, st, pane);
    } catch (const std::exception& e) {
        return fail(std::string("Can not write the EvaLog: ") + e.what());
    }
    for (IdRecord& rec : records) {
        writer->commit(rec);
        res.records.push_back(std::move(rec));
    }
    writer->pane(LineLevel::Info, "END PROCESSING");
    res.merged = true;
    return res;
}

} // namespace mv

// mvtervik-cli align, curve2xls and copy-to-sheet: the "Align km" and "Curve2xls" pages
// and "Copy sign.to Excel" of the graphs, run on one test of a Log without a window.
#include "app/cli/CliEval.h"
#include "core/IniSettings.h"
#include "core/Json.h"
#include "core/TextNumbers.h"
#include "evaluation/CopyToSheet.h"
#include "evaluation/CurveProfile.h"
#include "evaluation/TestLog.h"
#include "files/Readers.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <ostream>

namespace mv::cli {

namespace {

const char* const kAlignUsage =
    "align --log LOG.xlsx --id N [--curve NAME] [--track-km NAME] [--mm-to-curve F] "
    "[--slope S] [--offset-m O] [--uf N:DIST:LABEL ...] [--forward NAME] [--backward NAME] "
    "[--signum] [--save] [--backup] [--save-format NAME] [--track-subdir DIR] "
    "[--settings FILE] [--json]";
const char* const kCurve2xlsUsage =
    "curve2xls --log LOG.xlsx --id N [--speed NAME] [--curve NAME] [--track-km NAME] "
    "[--mm-to-curve F] [--save] [--track-subdir DIR] [--settings FILE] [--json]";
const char* const kCopyUsage = "copy-to-sheet --workbook OUT.xlsx --sheet S --window T1 T2 "
                               "[--max-rows M] [--format NAME] [--settings FILE] [--json] FILE...";

double numberValue(EvalArgs& a) {
    const std::string option = a.current();
    const std::string v = a.value();
    const std::optional<double> d = parseUserNumber(v, '.');
    if (!d)
        throw UsageError(option + " takes a number, not '" + v + "'");
    return *d;
}

// The settings file again, for the groups of the two pages.
std::optional<IniSettings> pageSettings(const EvalOptions& opt) {
    if (opt.settingsFile.empty())
        return std::nullopt;
    return IniSettings::load(opt.settingsFile);
}

// The Log opened and the test selected; false (with its lines written) when the run
// cannot start.
struct SelectedTest {
    SpreadsheetApp app;
    SpreadsheetState st;
    TestSelection sel;
    std::string folder;
};

bool selectTest(const std::string& logFile, int id, const std::string& trackSubdir, StderrLog& log,
                SelectedTest& t) {
    try {
        t.app.open(logFile);
    } catch (const SpreadsheetError& e) {
        log.line({LineLevel::Error, e.what()});
        return false;
    }
    log.lines(ExcelTopicsUpdate(t.app, t.st).lines);
    t.sel = SelectTestId(t.app, t.st, id, trackSubdir);
    log.lines(t.sel.messages);
    t.folder = logFolder(t.app, t.st);
    return t.st.logFound() && t.sel.valid;
}

void writeElements(JsonWriter& j, const std::vector<TrackElement>& els) {
    j.beginArray();
    for (const auto& e : els) {
        j.beginObject().key("start").value(e.Start).key("end").value(e.End).key("kind");
        if (e.BauCurve == kTransitionMarker)
            j.value("P");
        else if (e.BauCurve == 0.0F)
            j.value("G");
        else
            j.value(std::round(1000.0 / static_cast<double>(e.BauCurve)));
        j.endObject();
    }
    j.endArray();
}

std::string kindText(const TrackElement& e) {
    if (e.BauCurve == kTransitionMarker)
        return "P";
    if (e.BauCurve == 0.0F)
        return "G";
    return formatFloatF(1000.0 / static_cast<double>(e.BauCurve), 10, 0);
}

void printElements(std::ostream& out, const std::vector<TrackElement>& els) {
    for (const auto& e : els)
        out << formatFloatF(e.Start, 10, 3) << " " << formatFloatF(e.End, 10, 3) << " "
            << kindText(e) << "\n";
}

AlignIo alignIo(const ReaderTable& readers, const EvalOptions& opt) {
    const int f = opt.settings.LoadFileFormat;
    return AlignIo{readers,
                   (f >= 0 && f < kLoadFormatCount) ? static_cast<LoadFormat>(f)
                                                    : LoadFormat::Morvanet,
                   opt.settings.dfltSampl_f, '.'};
}

} // namespace

int cmdAlign(const Args& args, std::ostream& out, std::ostream& err) {
    EvalOptions opt;
    std::string logFile;
    std::optional<int> id;
    std::optional<std::string> trackSubdir;
    AlignSettings a;
    bool save = false, backup = false;
    std::optional<int> saveFormat;
    struct UfArg {
        int n;
        std::string dist, label;
    };
    std::vector<UfArg> ufs;
    std::optional<std::string> curve, km, factor, forward, backward;
    std::optional<double> slope, offset;
    bool signum = false;
    try {
        EvalArgs p(args);
        while (p.next()) {
            if (p.common(opt))
                continue;
            if (p.is("--log"))
                logFile = p.value();
            else if (p.is("--id"))
                id = p.intValue();
            else if (p.is("--track-subdir"))
                trackSubdir = p.value();
            else if (p.is("--curve"))
                curve = p.value();
            else if (p.is("--track-km"))
                km = p.value();
            else if (p.is("--mm-to-curve"))
                factor = p.value();
            else if (p.is("--slope"))
                slope = numberValue(p);
            else if (p.is("--offset-m"))
                offset = numberValue(p);
            else if (p.is("--forward"))
                forward = p.value();
            else if (p.is("--backward"))
                backward = p.value();
            else if (p.is("--signum"))
                signum = true;
            else if (p.is("--save"))
                save = true;
            else if (p.is("--backup"))
                backup = true;
            else if (p.is("--save-format")) {
                const std::string f = p.value();
                saveFormat = saveFormatIndex(f);
                if (*saveFormat < 0)
                    throw UsageError("--save-format: unknown format '" + f + "'");
            } else if (p.is("--uf")) {
                const std::string v = p.value();
                const auto c1 = v.find(':');
                const auto c2 = c1 == std::string::npos ? c1 : v.find(':', c1 + 1);
                const auto n =
                    c1 == std::string::npos ? std::nullopt : parseWholeInt32(v.substr(0, c1));
                if (!n || *n < 1 || *n > kUfSensors || c2 == std::string::npos)
                    throw UsageError("--uf takes N:DIST:LABEL with N = 1..4, not '" + v + "'");
                ufs.push_back({*n, v.substr(c1 + 1, c2 - c1 - 1), v.substr(c2 + 1)});
            } else
                p.unexpected();
        }
        if (logFile.empty())
            throw UsageError("--log LOG.xlsx is missing");
        if (!id || *id < 1)
            throw UsageError("--id N (1 or more) is missing");
    } catch (const UsageError& e) {
        return usage(err, "align", e.what(), kAlignUsage);
    }
    if (const auto ini = pageSettings(opt))
        a = readAlignSettings(*ini);
    if (curve)
        a.curveName = *curve;
    if (km)
        a.trackKmName = *km;
    if (factor)
        a.mmToCurve = *factor;
    if (slope)
        a.slope = *slope;
    if (offset)
        a.offsetM = *offset;
    if (forward)
        a.forwardName = *forward;
    if (backward)
        a.backwardName = *backward;
    if (signum)
        a.changeSignum = true;
    for (const auto& u : ufs) {
        a.ufDist[static_cast<size_t>(u.n - 1)] = u.dist;
        a.ufLabel[static_cast<size_t>(u.n - 1)] = u.label;
    }
    const std::string subdir = trackSubdir ? *trackSubdir : opt.trackSubdir;

    StderrLog log(err);
    auto t = std::make_unique<SelectedTest>();
    if (!selectTest(logFile, *id, subdir, log, *t))
        return kExitPreparation;
    ReaderTable readers;
    files::installReaders(readers);
    auto store = std::make_unique<SignalStore>();
    AlignOpenRequest req;
    req.testPath = t->sel.testPath;
    req.trackInfoFile = t->sel.trackInfo.empty()
                            ? std::string()
                            : joinPath(joinPath(t->folder, subdir), t->sel.trackInfo);
    req.settings = a;
    AlignOpenResult r = openAlignment(*store, alignIo(readers, opt), req);
    std::vector<EvalLine> messages = r.lines;
    log.lines(r.lines);
    int saved = 0;
    bool ok = r.ok;
    if (ok && save) {
        SaveAlignedRequest sr;
        sr.testPath = t->sel.testPath;
        sr.level2 = t->sel.levels[1];
        sr.settings = a;
        sr.format = static_cast<SaveFormat>(
            saveFormat.value_or(std::clamp(opt.settings.SaveFileFormat, 0, kSaveFormatCount - 1)));
        sr.backup = backup;
        sr.header.logWorkbook = std::filesystem::path(logFile).filename().string();
        const SaveAlignedResult s = saveAligned(*store, sr, r.elements);
        log.lines(s.lines);
        messages.insert(messages.end(), s.lines.begin(), s.lines.end());
        saved = s.saved;
        ok = s.ok;
    }
    if (opt.json) {
        JsonWriter j;
        j.beginObject().key("ok").value(ok);
        j.key("trackInfo")
            .beginObject()
            .key("fromKm")
            .value(r.summary.fromKm)
            .key("toKm")
            .value(r.summary.toKm)
            .key("rows")
            .value(r.summary.rows)
            .endObject();
        j.key("elements");
        writeElements(j, r.elements);
        j.key("signals").beginArray();
        for (int k = 1; k <= kSlotCount; ++k) {
            const SignalRecord& s = (*store)[k];
            if (!s.occupied())
                continue;
            j.beginObject()
                .key("slot")
                .value(k)
                .key("name")
                .value(s.SigName.str())
                .key("samples")
                .value(s.SampleCount)
                .key("first")
                .value(static_cast<double>(s.Data[0]))
                .key("last")
                .value(static_cast<double>(s.Data[static_cast<size_t>(s.SampleCount - 1)]))
                .endObject();
        }
        j.endArray().key("saved").value(saved).key("messages");
        writeMessages(j, messages);
        j.endObject();
        out << j.str() << "\n";
    } else if (r.ok) {
        out << "Track info: " << formatFloatF(r.summary.fromKm, 10, 3) << " .. "
            << formatFloatF(r.summary.toKm, 10, 3) << " km, " << r.summary.rows << " rows\n";
        const SignalRecord& k2 = (*store)[2];
        out << k2.SigName.str() << ": " << formatFloatF(k2.Data[0], 10, 6) << " .. "
            << formatFloatF(k2.Data[static_cast<size_t>(k2.SampleCount - 1)], 10, 6) << " km\n";
        if (save)
            out << "Saved files: " << saved << "\n";
    }
    return ok ? kExitRan : kExitPreparation;
}

int cmdCurve2xls(const Args& args, std::ostream& out, std::ostream& err) {
    EvalOptions opt;
    std::string logFile;
    std::optional<int> id;
    std::optional<std::string> trackSubdir, speed, curve, km, factor;
    bool save = false;
    try {
        EvalArgs p(args);
        while (p.next()) {
            if (p.common(opt))
                continue;
            if (p.is("--log"))
                logFile = p.value();
            else if (p.is("--id"))
                id = p.intValue();
            else if (p.is("--track-subdir"))
                trackSubdir = p.value();
            else if (p.is("--speed"))
                speed = p.value();
            else if (p.is("--curve"))
                curve = p.value();
            else if (p.is("--track-km"))
                km = p.value();
            else if (p.is("--mm-to-curve"))
                factor = p.value();
            else if (p.is("--save"))
                save = true;
            else
                p.unexpected();
        }
        if (logFile.empty())
            throw UsageError("--log LOG.xlsx is missing");
        if (!id || *id < 1)
            throw UsageError("--id N (1 or more) is missing");
    } catch (const UsageError& e) {
        return usage(err, "curve2xls", e.what(), kCurve2xlsUsage);
    }
    Curve2xlsSettings c;
    if (const auto ini = pageSettings(opt))
        c = readCurve2xlsSettings(*ini);
    if (speed)
        c.speedName = *speed;
    if (curve)
        c.curveName = *curve;
    if (km)
        c.trackKmName = *km;
    if (factor)
        c.mmToCurve = *factor;
    const std::string subdir = trackSubdir ? *trackSubdir : opt.trackSubdir;

    StderrLog log(err);
    auto t = std::make_unique<SelectedTest>();
    if (!selectTest(logFile, *id, subdir, log, *t))
        return kExitPreparation;
    ReaderTable readers;
    files::installReaders(readers);
    auto store = std::make_unique<SignalStore>();
    const Curve2xlsResult r = openCurve2xls(*store, alignIo(readers, opt), t->sel.testPath, c);
    log.lines(r.lines);
    bool ok = r.ok;
    if (ok && save) {
        std::vector<EvalLine> lines;
        const std::string file = trackInfoFileName(t->folder, subdir, t->sel.levels[3], lines);
        // openCurve2xls has refused a factor that is not a number.
        const double f = parseUserNumber(c.mmToCurve, '.').value_or(1.0);
        ok = !file.empty() &&
             writeTrackInfoWorkbook({file, t->sel.testPath, f, ""}, r.elements, lines);
        log.lines(lines);
    }
    if (opt.json) {
        JsonWriter j;
        j.beginObject().key("elements");
        writeElements(j, r.elements);
        j.endObject();
        out << j.str() << "\n";
    } else {
        printElements(out, r.elements);
    }
    return ok ? kExitRan : kExitPreparation;
}

int cmdCopyToSheet(const Args& args, std::ostream& out, std::ostream& err) {
    EvalOptions opt;
    std::string book, sheet;
    std::optional<double> t1, t2;
    int maxRows = 1000;
    std::optional<int> format;
    std::vector<std::string> files;
    try {
        EvalArgs p(args);
        while (p.next()) {
            if (p.common(opt))
                continue;
            if (p.is("--workbook"))
                book = p.value();
            else if (p.is("--sheet"))
                sheet = p.value();
            else if (p.is("--window")) {
                t1 = numberValue(p);
                t2 = numberValue(p);
            } else if (p.is("--max-rows")) {
                maxRows = p.intValue();
                if (maxRows < 1 || maxRows > kCopyRowsMax)
                    throw UsageError("--max-rows takes 1 .. 1048576");
            } else if (p.is("--format")) {
                const std::string f = p.value();
                format = loadFormatIndex(f);
                if (*format < 0)
                    throw UsageError("--format: unknown format '" + f + "'");
            } else if (!p.current().empty() && p.current()[0] == '-' && p.current().size() > 1)
                p.unexpected();
            else
                files.push_back(p.current());
        }
        if (book.empty())
            throw UsageError("--workbook OUT.xlsx is missing");
        if (sheet.empty())
            throw UsageError("--sheet S is missing");
        if (!t1)
            throw UsageError("--window T1 T2 is missing");
        if (files.empty())
            throw UsageError("no signal file given");
    } catch (const UsageError& e) {
        return usage(err, "copy-to-sheet", e.what(), kCopyUsage);
    }
    StderrLog log(err);
    ReaderTable readers;
    files::installReaders(readers);
    auto store = std::make_unique<SignalStore>();
    std::vector<std::string> names;
    for (const auto& f : files)
        names.push_back(std::filesystem::absolute(f).string());
    const auto lf =
        static_cast<LoadFormat>(format.value_or(opt.settings.LoadFileFormat % kLoadFormatCount));
    const LoadContext ctx{log, opt.settings.dfltSampl_f, '.', NullProgress::instance()};
    try {
        LoadFiles(*store, readers, "", names, 1, lf, ctx);
    } catch (const Error& e) {
        log.line({LineLevel::Error, e.what()});
        return kExitPreparation;
    }
    // Every loaded signal is plotted, so every one is copied.
    for (int k = 1; k <= kSlotCount; ++k)
        (*store)[k].Plot = (*store)[k].occupied();

    SpreadsheetApp app;
    bool ok = false;
    SheetCopy plan;
    try {
        const bool exists = std::filesystem::exists(book);
        const WorkbookId wb = exists ? app.open(book) : app.newWorkbook(sheet);
        std::optional<SheetHandle> h = app.findSheet(wb, sheet);
        if (!h)
            h = app.addSheet(wb, sheet);
        const CopyRequest req{*t1, *t2, maxRows, '.'};
        plan = planSheetCopy(*store, req);
        ok = copySignalsToSheet(app, *h, *store, req, log);
        if (exists)
            app.save(wb);
        else
            app.saveAs(wb, book);
    } catch (const Error& e) {
        log.line({LineLevel::Error, e.what()});
        ok = false;
    }
    if (opt.json) {
        JsonWriter j;
        j.beginObject().key("ok").value(ok).key("timeLines").value(plan.timeLines);
        j.key("columns").beginArray();
        for (const auto& c : plan.columns)
            j.beginObject()
                .key("col")
                .value(c.col)
                .key("name")
                .value(c.name)
                .key("lines")
                .value(c.lines)
                .endObject();
        j.endArray().endObject();
        out << j.str() << "\n";
    } else {
        for (const auto& c : plan.columns)
            out << cellName(2, c.col) << " " << c.name << ": " << c.lines << " lines\n";
    }
    return ok ? kExitRan : kExitPreparation;
}

} // namespace mv::cli

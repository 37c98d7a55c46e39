// mvtervik-cli calibrate and qytl: the calibration of a measuring wheel from the stand
// runs of a test Log, and the forces of the marked wheels over a range of Test IDs, as
// the "Calibr QYTL coef" and "raw to QYTL" pages run them.
#include "app/cli/CliEval.h"
#include "core/IniSettings.h"
#include "core/Json.h"
#include "core/TextNumbers.h"
#include "evaluation/WheelsetRun.h"
#include "files/Readers.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <ostream>
#include <sstream>

namespace mv::cli {

namespace {

using namespace wheelset;

const char* const kCalibrateUsage =
    "calibrate --log LOG.xlsx --id N --device D --direction forward|backward (--q3 | --table) "
    "[--hp HZ] [--lp HZ] [--format NAME] [--wheel-name NAME] [--track-subdir DIR] "
    "[--settings FILE] [--json]";
const char* const kQytlUsage =
    "qytl --log LOG.xlsx --from A --to B --wheel DEV:NAME:ZERO:HP:LP [--wheel ...] "
    "[--qytl-lowpass HZ] [--save-fn N,N,...] [--save-div N] [--out DIR] [--track-subdir DIR] "
    "[--settings FILE] [--json]";

// The wheelset engine reports its refusals as warning lines (red in the window); here they
// are error lines. The one real warning it gives, bridge files of different lengths,
// stays a warning.
class WheelsetLog final : public Log {
public:
    explicit WheelsetLog(StderrLog& out) : out_(out) {}
    void add(std::string_view text, bool warning) override {
        LineLevel level = LineLevel::Info;
        if (warning)
            level = text.find("differ in length") != std::string_view::npos ? LineLevel::Warning
                                                                            : LineLevel::Error;
        lines.push_back({level, std::string(text)});
        out_.line(lines.back());
    }
    bool anyError() const {
        for (const auto& l : lines)
            if (l.level == LineLevel::Error)
                return true;
        return false;
    }
    std::vector<EvalLine> lines;

private:
    StderrLog& out_;
};

// The desktop's wheelset tables from the settings file (defaults without one).
DevFnSettings devFnOf(const EvalOptions& opt) {
    if (opt.settingsFile.empty())
        return {};
    const auto ini = IniSettings::load(opt.settingsFile);
    return ini ? readDevFn(*ini) : DevFnSettings{};
}

double numberValue(EvalArgs& a) {
    const std::string option = a.current();
    const std::string v = a.value();
    const auto x = parseWholeFinite(v);
    if (!x)
        throw UsageError(option + " takes a number, not '" + v + "'");
    return *x;
}

std::string nowText(const char* format) {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, format, &tm);
    return buf;
}

// Opens the Log workbook and finds its sheets; false (with the E line) when it cannot.
bool openLog(SpreadsheetApp& app, SpreadsheetState& st, const std::string& file, StderrLog& log) {
    try {
        app.open(file);
    } catch (const SpreadsheetError& e) {
        log.line({LineLevel::Error, e.what()});
        return false;
    }
    log.lines(ExcelTopicsUpdate(app, st).lines);
    if (!st.logFound()) {
        log.line({LineLevel::Error, "Can't found Excel Log sheet"});
        return false;
    }
    if (!calibrSheet(app, st)) {
        log.line({LineLevel::Error, kNoCalibrSheet});
        return false;
    }
    return true;
}

void writeStat(JsonWriter& j, const char* k, double v) {
    j.key(k);
    if (std::isfinite(v))
        j.value(v);
    else
        j.null();
}

} // namespace

int cmdCalibrate(const Args& args, std::ostream& out, std::ostream& err) {
    EvalOptions opt;
    std::string logFile, format, direction, hp = "0.05", lp = "80.0";
    std::optional<std::string> wheelName, trackSubdir;
    std::optional<int> id, device;
    bool q3 = false, table = false;
    try {
        EvalArgs a(args);
        while (a.next()) {
            if (a.common(opt))
                continue;
            if (a.is("--log"))
                logFile = a.value();
            else if (a.is("--id"))
                id = a.intValue();
            else if (a.is("--device"))
                device = a.intValue();
            else if (a.is("--direction"))
                direction = a.value();
            else if (a.is("--q3"))
                q3 = true;
            else if (a.is("--table"))
                table = true;
            else if (a.is("--hp"))
                hp = formatFloatF(numberValue(a), 15, 0);
            else if (a.is("--lp"))
                lp = formatFloatF(numberValue(a), 15, 0);
            else if (a.is("--format"))
                format = a.value();
            else if (a.is("--wheel-name"))
                wheelName = a.value();
            else if (a.is("--track-subdir"))
                trackSubdir = a.value();
            else
                a.unexpected();
        }
        if (logFile.empty())
            throw UsageError("--log LOG.xlsx is missing");
        if (!id || *id < 1)
            throw UsageError("--id N (a Test ID of 1 or more) is missing");
        if (!device || *device < 1 || *device > kDeviceCount)
            throw UsageError("--device D takes a device number 1..32");
        if (direction != "forward" && direction != "backward")
            throw UsageError("--direction takes forward or backward");
        if (q3 == table)
            throw UsageError("give one of --q3 and --table");
        if (q3 && direction != "forward")
            throw UsageError("the Q3 coefficients come from a forward run (--direction forward)");
    } catch (const UsageError& e) {
        return usage(err, "calibrate", e.what(), kCalibrateUsage);
    }
    int formatIndex = opt.settings.LoadFileFormat;
    if (!format.empty()) {
        formatIndex = loadFormatIndex(format);
        if (formatIndex < 0)
            return usage(err, "calibrate", "unknown load format '" + format + "'", kCalibrateUsage);
    }

    StderrLog stderrLog(err);
    WheelsetLog log(stderrLog);
    SpreadsheetApp app;
    SpreadsheetState st;
    if (!openLog(app, st, logFile, stderrLog))
        return kExitPreparation;
    const TestSelection sel =
        SelectTestId(app, st, *id, trackSubdir ? *trackSubdir : opt.trackSubdir);
    stderrLog.lines(sel.messages);
    if (!sel.valid) {
        stderrLog.line({LineLevel::Error, "Test ID " + std::to_string(*id) +
                                              " is not a valid test of the Log; nothing written"});
        return kExitPreparation;
    }

    const DevFnSettings devFn = devFnOf(opt);
    CalibrRequest req;
    req.device = *device;
    req.direction = direction == "forward" ? CalibrDirection::Forward : CalibrDirection::Backward;
    req.testPath = sel.testPath;
    req.highPass = hp;
    req.lowPass = lp;
    req.format = static_cast<LoadFormat>(formatIndex);
    req.wheelName =
        wheelName ? *wheelName : devFn.wheels[static_cast<size_t>(*device - 1)].WheelName;
    req.timeText = nowText("%H:%M:%S");
    req.dateText = nowText("%d.%m.%Y");

    SignalStore store;
    ReaderTable readers;
    files::installReaders(readers);
    ComputeContext ctx{store, readers, log};
    ctx.defaultFs = opt.settings.dfltSampl_f;
    auto dev = std::make_unique<TDeviceFunc>();

    // The test folder goes into the block's path row of the direction; the command reads
    // From/To and the force files from the block. Nothing reaches the file unless the
    // fit succeeds.
    const SheetHandle sheet = *calibrSheet(app, st);
    Block block = readCalibrBlock(app, sheet, req.device);
    calibr::at(block, calibr::rowPath,
               req.direction == CalibrDirection::Backward ? calibr::colBW : calibr::colFW) =
        CellValue::str(sel.testPath);
    writeCalibrBlock(app, sheet, req.device, block);
    const CalibrRunResult r =
        runCalibrCommand(app, st, *dev, q3 ? CalibrCommand::Q3 : CalibrCommand::Table, req, ctx);
    const bool ok = r.result.ok && r.result.blockChanged;
    if (ok) {
        try {
            app.save(st.LogSheet.workbook);
        } catch (const SpreadsheetError& e) {
            stderrLog.line({LineLevel::Error, e.what()});
            return kExitPreparation;
        }
        stderrLog.line({LineLevel::Info, "Device " + std::to_string(req.device) + " - " +
                                             (q3 ? "Q3 coefficients" : "QYTL table") +
                                             " written to " + logFile});
    }
    block = readCalibrBlock(app, sheet, req.device);

    if (opt.json) {
        JsonWriter j;
        j.beginObject()
            .key("ok")
            .value(ok)
            .key("device")
            .value(req.device)
            .key("direction")
            .value(direction)
            .key("testPath")
            .value(sel.testPath)
            .key("fit")
            .value(q3 ? "q3" : "table");
        if (q3) {
            j.key("groups").beginArray();
            for (size_t h = 0; ok && h < r.result.groups.size(); ++h) {
                const FitStats& s = r.result.groups[h];
                const int R = calibr::q3Row(static_cast<int>(h) + 1);
                j.beginObject()
                    .key("group")
                    .value(static_cast<int>(h) + 1)
                    .key("coef")
                    .beginArray();
                for (int i = 0; i < 4; ++i)
                    j.value(calibr::at(block, R + i, 2).number);
                j.endArray();
                writeStat(j, "s", s.s);
                writeStat(j, "r2", s.r2);
                j.key("rows").value(s.rows).key("filled").value(s.filled).endObject();
            }
            j.endArray().key("dirSign").value(calibr::at(block, calibr::rowDirSign, 2).number);
        } else {
            j.key("loads").beginArray();
            const char* names[] = {"Q", "Y", "T", "L"};
            for (size_t o = 0; ok && o < 4; ++o) {
                j.beginObject().key("load").value(names[o]);
                writeStat(j, "meanS", r.result.meanS[o]);
                writeStat(j, "maxS", r.result.maxS[o]);
                j.endObject();
            }
            j.endArray();
        }
        j.key("failed").beginArray();
        for (int f : r.result.failed)
            j.value(f);
        j.endArray().key("messages");
        writeMessages(j, log.lines);
        j.endObject();
        out << j.str() << "\n";
    } else if (ok) {
        if (q3)
            for (size_t h = 0; h < r.result.groups.size(); ++h)
                out << "Group " << h + 1 << ": s " << r.result.groups[h].s << ", R2 "
                    << r.result.groups[h].r2 << ", rows " << r.result.groups[h].filled << "\n";
        else
            for (size_t o = 0; o < 4; ++o)
                out << "QYTL"[o] << ": mean s " << r.result.meanS[o] << ", max s "
                    << r.result.maxS[o] << "\n";
    }
    return ok ? kExitRan : kExitPreparation;
}

namespace {
WheelRowSettings parseWheel(const std::string& text, int& device) {
    std::vector<std::string> parts;
    std::stringstream ss(text);
    std::string item;
    while (std::getline(ss, item, ':'))
        parts.push_back(item);
    if (!text.empty() && text.back() == ':')
        parts.emplace_back();
    if (parts.size() != 5)
        throw UsageError("--wheel takes DEV:NAME:ZERO:HP:LP, not '" + text + "'");
    const auto d = parseWholeInt32(parts[0]);
    if (!d || *d < 1 || *d > kDeviceCount)
        throw UsageError("--wheel: device '" + parts[0] + "' is not a number 1..32");
    device = *d;
    return {parts[1], parts[2], parts[3], parts[4], "1"};
}
} // namespace

int cmdQytl(const Args& args, std::ostream& out, std::ostream& err) {
    EvalOptions opt;
    std::string logFile, outDir;
    std::optional<std::string> trackSubdir, qytlLowpass, saveFn;
    std::optional<int> from, to, saveDiv;
    std::vector<std::pair<int, WheelRowSettings>> wheels;
    try {
        EvalArgs a(args);
        while (a.next()) {
            if (a.common(opt))
                continue;
            if (a.is("--log"))
                logFile = a.value();
            else if (a.is("--from"))
                from = a.intValue();
            else if (a.is("--to"))
                to = a.intValue();
            else if (a.is("--wheel")) {
                int d = 0;
                const WheelRowSettings w = parseWheel(a.value(), d);
                wheels.emplace_back(d, w);
            } else if (a.is("--qytl-lowpass"))
                qytlLowpass = formatFloatF(numberValue(a), 15, 0);
            else if (a.is("--save-fn"))
                saveFn = a.value();
            else if (a.is("--save-div"))
                saveDiv = a.intValue();
            else if (a.is("--out"))
                outDir = a.value();
            else if (a.is("--track-subdir"))
                trackSubdir = a.value();
            else
                a.unexpected();
        }
        if (logFile.empty())
            throw UsageError("--log LOG.xlsx is missing");
        if (!from || !to)
            throw UsageError("--from A and --to B are missing");
        if (*from < 1 || *to < *from)
            throw UsageError("--from and --to take Test IDs with 1 <= A <= B");
        if (saveDiv && (*saveDiv < 0 || *saveDiv > 32))
            throw UsageError("--save-div takes 0..32");
    } catch (const UsageError& e) {
        return usage(err, "qytl", e.what(), kQytlUsage);
    }

    const DevFnSettings devFn = devFnOf(opt);
    QytlRunRequest req;
    req.fromId = *from;
    req.toId = *to;
    req.save = devFn.save;
    req.qytlFilter = qytlLowpass ? *qytlLowpass : devFn.QYTL_filter;
    req.wheels = devFn.wheels;
    if (!wheels.empty()) {
        // The wheels of the command line are the ones processed.
        for (auto& w : req.wheels)
            w.Proceed.clear();
        for (const auto& [d, w] : wheels)
            req.wheels[static_cast<size_t>(d - 1)] = w;
    }
    if (saveFn) {
        req.save.fill(false);
        std::stringstream ss(*saveFn);
        std::string item;
        while (std::getline(ss, item, ',')) {
            const auto r = parseWholeInt32(item);
            if (!r || *r < 1 || *r > kFnBufCount)
                return usage(err, "qytl", "--save-fn takes rows 1..32, not '" + item + "'",
                             kQytlUsage);
            req.save[static_cast<size_t>(*r - 1)] = true;
        }
    }
    req.loadFormat = static_cast<LoadFormat>(opt.settings.LoadFileFormat);
    req.saveFormat =
        static_cast<SaveFormat>(std::clamp(opt.settings.SaveFileFormat, 0, kSaveFormatCount - 1));
    req.saveDiv = saveDiv ? *saveDiv : opt.settings.SaveDivPreset;
    req.backup = opt.settings.CreateSignalBackUp;
    req.trackSubdir = trackSubdir ? *trackSubdir : opt.trackSubdir;
    req.outDir = outDir;

    StderrLog stderrLog(err);
    WheelsetLog log(stderrLog);
    SpreadsheetApp app;
    SpreadsheetState st;
    if (!openLog(app, st, logFile, stderrLog))
        return kExitPreparation;
    SignalStore store;
    ReaderTable readers;
    files::installReaders(readers);
    ComputeContext ctx{store, readers, log};
    ctx.defaultFs = opt.settings.dfltSampl_f;
    DeviceTable devices;
    std::vector<TestSelection> selections;
    QytlRunHooks hooks;
    hooks.selected = [&](const TestSelection& s) { selections.push_back(s); };
    const QytlRunResult r = ComputeQytlRun(app, st, devices, req, ctx, hooks);

    if (opt.json) {
        JsonWriter j;
        j.beginObject().key("ids").beginArray();
        for (const TestSelection& s : selections) {
            j.beginObject()
                .key("id")
                .value(s.id)
                .key("valid")
                .value(s.valid)
                .key("testPath")
                .value(s.testPath)
                .key("wheels")
                .beginArray();
            for (const auto& w : r.wheels) {
                if (w.id != s.id)
                    continue;
                j.beginObject().key("device").value(w.device).key("ok").value(w.ok);
                j.key("outputs").beginArray();
                for (const auto& o : w.outputs)
                    j.value(o);
                j.endArray().endObject();
            }
            j.endArray().endObject();
        }
        j.endArray().key("filesWritten").value(r.filesWritten).key("messages");
        writeMessages(j, log.lines);
        j.endObject();
        out << j.str() << "\n";
    } else {
        for (const auto& w : r.wheels)
            out << "Test ID " << w.id << ", device " << w.device << ": "
                << (w.ok ? "computed" : "failed") << "\n";
        out << "Files written: " << r.filesWritten << "\n";
    }
    return r.started ? kExitRan : kExitPreparation;
}

} // namespace mv::cli

// mvtervik-cli rainflow: the "RainFlow" button of the Generator page over signal files:
// every loaded signal counts as plotted, the window is the lower graph's, the output sheet
// is the parameter sheet of a workbook that is saved afterwards.
#include "app/Workspace.h"
#include "app/cli/CliEval.h"
#include "app/cli/CliSignals.h"
#include "core/Json.h"
#include "core/TextNumbers.h"
#include "files/Readers.h"
#include "processing/RainFlowUnit.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace mv::cli {

namespace {
const char* const kUsage = "rainflow --workbook OUT.xlsx --sheet PARAMSHEET --window T1 T2 "
                           "[--format NAME] FILE... [--settings FILE] [--json]";

double timeValue(EvalArgs& a) {
    const std::string v = a.value();
    const auto t = parseWholeFinite(v);
    if (!t)
        throw UsageError("--window takes two times in seconds, not '" + v + "'");
    return *t;
}

LoadFormat formatOf(const std::string& name, const std::string& firstFile) {
    if (!name.empty()) {
        const int f = loadFormatIndex(name);
        if (f < 0)
            throw UsageError("unknown load format '" + name + "'");
        return static_cast<LoadFormat>(f);
    }
    return loadFormatFromExtension(firstFile);
}

// The lines of the loaders and of the command, in order: log lines as information or
// warnings ("Wrong parameters RaiFlow" is an error), the texts the window shows in
// message boxes as errors.
class LineLog final : public Log {
public:
    void add(std::string_view text, bool warning) override {
        const LineLevel level = text == kWrongParameters ? LineLevel::Error
                                : warning                ? LineLevel::Warning
                                                         : LineLevel::Info;
        lines.push_back({level, std::string(text)});
    }
    std::vector<EvalLine> lines;
};

void printJson(std::ostream& out, const RainflowOutcome& o, const std::vector<EvalLine>& lines) {
    JsonWriter j;
    j.beginObject().key("signals").beginArray();
    for (const auto& s : o.results) {
        j.beginObject().key("slot").value(s.slot).key("name").value(s.name);
        j.key("written").value(s.written).key("halfCycles").beginArray();
        for (const auto& [a, b] : s.halfCycles)
            j.beginArray().value(a).value(b).endArray();
        j.endArray().key("matrix").beginArray();
        for (int i = 0; i < s.counts.rows(); ++i) {
            j.beginArray();
            for (int k = 0; k < s.counts.cols(); ++k)
                j.value(static_cast<long long>(s.counts.at(i, k)));
            j.endArray();
        }
        j.endArray().endObject();
    }
    j.endArray().key("logRow").value(o.logRow).key("messages");
    writeMessages(j, lines);
    j.endObject();
    out << j.str() << "\n";
}

void printText(std::ostream& out, const RainflowOutcome& o) {
    for (const auto& s : o.results)
        out << "signal " << s.slot << " " << s.name << ": " << s.halfCycles.size()
            << " half cycle(s)" << (s.written ? "" : ", not written") << "\n";
}
} // namespace

int cmdRainflow(const Args& args, std::ostream& out, std::ostream& err) {
    EvalOptions opt;
    std::string book, sheetName, formatName;
    std::optional<std::pair<double, double>> window;
    std::vector<std::string> files;
    try {
        EvalArgs a(args);
        while (a.next()) {
            if (a.common(opt))
                continue;
            if (a.is("--workbook"))
                book = a.value();
            else if (a.is("--sheet"))
                sheetName = a.value();
            else if (a.is("--window")) {
                const double t1 = timeValue(a);
                window = {t1, timeValue(a)};
            } else if (a.is("--format"))
                formatName = a.value();
            else if (a.current().rfind("--", 0) == 0)
                a.unexpected();
            else
                files.push_back(a.current());
        }
        if (book.empty())
            throw UsageError("--workbook OUT.xlsx is missing");
        if (sheetName.empty())
            throw UsageError("--sheet PARAMSHEET is missing");
        if (!window)
            throw UsageError("--window T1 T2 is missing");
        if (files.empty())
            throw UsageError("no signal file given");
        formatOf(formatName, files[0]);
    } catch (const UsageError& e) {
        return usage(err, "rainflow", e.what(), kUsage);
    }

    StderrLog log(err);
    auto ws = std::make_unique<Workspace>();
    ws->settings = opt.settings;
    files::installReaders(ws->readers);
    WorkbookId id = 0;
    SheetHandle param;
    try {
        id = ws->spreadsheet.open(book);
        param = ws->spreadsheet.sheet(id, sheetName);
    } catch (const SpreadsheetError& e) {
        log.line({LineLevel::Error, e.what()});
        return kExitPreparation;
    }
    CaptureLog loadLog;
    int filled = 0;
    const bool loaded = loadInto(*ws, loadLog, files, 1, formatOf(formatName, files[0]), filled);
    for (const auto& l : loadLog.lines)
        log.add(l.text, l.warning);
    if (!loaded || filled == 0) {
        log.line({LineLevel::Error, "no signal was read from the files given"});
        return kExitPreparation;
    }
    for (int slot = 1; slot <= kSlotCount; ++slot)
        ws->store[slot].Plot = ws->store[slot].occupied();

    LineLog lines;
    RainflowOutcome o;
    try {
        o = RunRainflow(ws->spreadsheet, ws->store, {param, window->first, window->second}, lines);
    } catch (const Error& e) {
        // Ends the command as it would in the window: the workbook is not saved.
        lines.lines.push_back({LineLevel::Error, e.what()});
        log.lines(lines.lines);
        return kExitPreparation;
    }
    for (const auto& m : o.messages)
        lines.lines.push_back({LineLevel::Error, m});
    int code = o.ran ? kExitRan : kExitPreparation;
    if (o.ran) {
        try {
            ws->spreadsheet.save(id);
        } catch (const SpreadsheetError& e) {
            lines.lines.push_back({LineLevel::Error, e.what()});
            code = kExitPreparation;
        }
    }
    log.lines(lines.lines);
    if (opt.json)
        printJson(out, o, lines.lines);
    else
        printText(out, o);
    return code;
}

} // namespace mv::cli

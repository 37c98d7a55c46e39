// mvtervik-cli bulk: the EvaLog bulk run over a range of Test IDs, as the "Process ID"
// button does it, with the IDs computed in parallel workers and committed in ID order.
#include "app/cli/CliCommands.h"
#include "core/Json.h"
#include "core/Settings.h"
#include "core/TextNumbers.h"
#include "evaluation/Bulk.h"
#include "files/Readers.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <thread>

namespace mv::cli {

namespace {

const char* kUsage =
    "usage: mvtervik-cli bulk --log LOG.xlsx --evalog EVALOG.xlsx --from A --to B\n"
    "         [--load-format NAME] [--save-format NAME] [--dest DIR | --no-save] [--backup]\n"
    "         [--keep-names] [--track-subdir DIR] [--jobs N] [--out-evalog FILE]\n"
    "         [--settings FILE] [--json]\n"
    "  Runs Test IDs A..B of the Log through the EvaLog: opens, computes, evaluates and saves\n"
    "  each test and writes the EvaLog's log (in place, or to --out-evalog). --jobs sets the\n"
    "  number of parallel workers (default: the number of cores). Log lines go to stderr\n"
    "  as \"I text\", \"W text\" or \"E text\".\n";

// The program's INI settings file: key=value lines, each kept under its own name and
// under "section/key"; comments are skipped.
bool readSettingsFile(const std::string& path, MemorySettings& out) {
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string_view t = trimBlanks(line);
        if (t.empty() || t.front() == ';' || t.front() == '#')
            continue;
        if (t.front() == '[') {
            section = std::string(t.substr(1, t.find(']') == std::string_view::npos
                                                  ? std::string_view::npos
                                                  : t.find(']') - 1));
            continue;
        }
        const auto eq = t.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string key(trimBlanks(t.substr(0, eq)));
        const std::string value(trimBlanks(t.substr(eq + 1)));
        out.values[key] = value;
        if (!section.empty())
            out.values[section + "/" + key] = value;
    }
    return true;
}

const char* levelName(LineLevel l) {
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

char levelLetter(LineLevel l) {
    switch (l) {
    case LineLevel::Info:
        return 'I';
    case LineLevel::Warning:
        return 'W';
    case LineLevel::Error:
        return 'E';
    }
    return 'I';
}

void printLine(std::ostream& err, const EvalLine& l) {
    err << levelLetter(l.level) << ' ' << l.text << '\n';
}

const char* outcomeName(IdOutcome o) {
    switch (o) {
    case IdOutcome::Processed:
        return "processed";
    case IdOutcome::Skipped:
        return "skipped";
    case IdOutcome::Failed:
        return "failed";
    }
    return "failed";
}

bool toInt(const std::string& s, int& v) {
    const auto p = parseWholeInt32(s);
    if (!p)
        return false;
    v = *p;
    return true;
}

int usage(std::ostream& err, const std::string& why) {
    if (!why.empty())
        err << "bulk: " << why << "\n";
    err << kUsage;
    return 2;
}

} // namespace

int cmdBulk(const Args& args, std::ostream& out, std::ostream& err) {
    std::string logPath, evaPath, outEva, settingsPath, loadName, saveName, dest, trackSubdir;
    bool subdirGiven = false;
    std::optional<int> from, to, jobs;
    bool noSave = false, backup = false, keepNames = false, json = false, destGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const auto intArg = [&](std::optional<int>& v) {
            int x = 0;
            if (!hasValue || !toInt(args[i + 1], x))
                return false;
            v = x;
            ++i;
            return true;
        };
        if (a == "--log" && hasValue) {
            logPath = args[++i];
        } else if (a == "--evalog" && hasValue) {
            evaPath = args[++i];
        } else if (a == "--from") {
            if (!intArg(from))
                return usage(err, "--from wants a Test ID");
        } else if (a == "--to") {
            if (!intArg(to))
                return usage(err, "--to wants a Test ID");
        } else if (a == "--jobs") {
            if (!intArg(jobs) || *jobs < 1)
                return usage(err, "--jobs wants a number of workers of at least 1");
        } else if (a == "--load-format" && hasValue) {
            loadName = args[++i];
        } else if (a == "--save-format" && hasValue) {
            saveName = args[++i];
        } else if (a == "--dest" && hasValue) {
            dest = args[++i];
            destGiven = true;
        } else if (a == "--no-save") {
            noSave = true;
        } else if (a == "--backup") {
            backup = true;
        } else if (a == "--keep-names") {
            keepNames = true;
        } else if (a == "--track-subdir" && hasValue) {
            trackSubdir = args[++i];
            subdirGiven = true;
        } else if (a == "--out-evalog" && hasValue) {
            outEva = args[++i];
        } else if (a == "--settings" && hasValue) {
            settingsPath = args[++i];
        } else if (a == "--json") {
            json = true;
        } else {
            return usage(err, "unexpected argument '" + a + "'");
        }
    }
    if (logPath.empty() || evaPath.empty() || !from || !to)
        return usage(err, "--log, --evalog, --from and --to are required");
    if (destGiven && noSave)
        return usage(err, "--dest and --no-save exclude each other");

    MainSettings ms;
    std::string settingsSubdir;
    if (!settingsPath.empty()) {
        MemorySettings s;
        if (!readSettingsFile(settingsPath, s))
            return usage(err, "cannot read the settings file " + settingsPath);
        readMainAtCreate(s, ms);
        settingsSubdir = s.read("Align_km/TrackInfoSubdirectory").value_or("");
    }

    BulkOptions opt;
    const int li = loadName.empty() ? ms.LoadFileFormat : loadFormatIndex(loadName);
    if (li < 0)
        return usage(err, "unknown load format '" + loadName + "'");
    const int si = saveName.empty() ? ms.SaveFileFormat : saveFormatIndex(saveName);
    if (si < 0)
        return usage(err, "unknown save format '" + saveName + "'");
    opt.loadFormat = static_cast<LoadFormat>(li);
    opt.saveFormat = static_cast<SaveFormat>(si);
    opt.save = !noSave;
    opt.destBase = destGiven ? dest : ms.DestinationPath;
    if (opt.save && opt.destBase.empty())
        return usage(err, "give --dest DIR or --no-save");
    opt.backup = backup;
    opt.keepNames = keepNames || ms.KeepOrigSigName;
    opt.trackSubdir = subdirGiven ? trackSubdir : settingsSubdir;
    opt.defaultFs = ms.dfltSampl_f;
    opt.jobs = jobs ? *jobs : std::max(1U, std::thread::hardware_concurrency());

    SpreadsheetApp app;
    SpreadsheetState st;
    WorkbookId evaId = 0;
    try {
        app.open(logPath);
        evaId = app.open(evaPath);
    } catch (const std::exception& e) {
        printLine(err, {LineLevel::Error, e.what()});
        return 1;
    }
    for (const EvalLine& l : ExcelTopicsUpdate(app, st).lines)
        printLine(err, l);
    if (!st.logFound() || st.LogSheet.workbook == evaId) {
        printLine(err, {LineLevel::Error, "Can't found Excel Log sheet in " + logPath});
        return 1;
    }
    if (!st.evaLogFound() || st.EvaLogSheet.workbook != evaId) {
        printLine(err, {LineLevel::Error, "No EvaLog (sheets PARAM and EvaLog) in " + evaPath});
        return 1;
    }

    ReaderTable readers;
    files::installReaders(readers);
    CaptureLog pane;
    const BulkResult res =
        RunBulk(app, st, *from, *to, opt, readers, pane, NullProgress::instance());
    for (const EvalLine& l : res.prepLines)
        printLine(err, l);
    if (!res.prepared)
        return 1;

    // Lines of the records with their levels; what else the pane got (the commit's own
    // complaints, the end of the run) follows them.
    std::map<std::string, int> fromRecords;
    for (const IdRecord& rec : res.records) {
        for (const EvalLine& l : rec.messages()) {
            printLine(err, l);
            ++fromRecords[l.text];
        }
    }
    for (const EvalLine& l : res.prepLines)
        ++fromRecords[l.text];
    for (const LogLine& l : pane.lines) {
        auto it = fromRecords.find(l.text);
        if (it != fromRecords.end() && it->second > 0) {
            --it->second;
            continue;
        }
        printLine(err, {l.warning ? LineLevel::Warning : LineLevel::Info, l.text});
    }

    // The EvaLog is written beside its target and renamed over it: a failed write leaves
    // the original as it was.
    const std::string written = outEva.empty() ? evaPath : outEva;
    try {
        if (outEva.empty())
            app.save(evaId);
        else
            app.saveAs(evaId, outEva);
    } catch (const std::exception& e) {
        printLine(err, {LineLevel::Error, std::string("The EvaLog was not written: ") + e.what()});
        return 1;
    }

    if (json) {
        JsonWriter w;
        w.beginObject().key("ids").beginArray();
        for (const IdRecord& rec : res.records) {
            w.beginObject().key("id").value(rec.id).key("outcome").value(outcomeName(rec.outcome));
            w.key("messages").beginArray();
            for (const EvalLine& l : rec.messages())
                w.beginObject()
                    .key("level")
                    .value(levelName(l.level))
                    .key("text")
                    .value(l.text)
                    .endObject();
            w.endArray().key("files").beginArray();
            for (const std::string& f : rec.files)
                w.value(f);
            w.endArray().endObject();
        }
        w.endArray().key("evalog").value(written).endObject();
        out << w.str() << "\n";
    } else {
        int counts[3] = {0, 0, 0};
        for (const IdRecord& rec : res.records)
            ++counts[static_cast<int>(rec.outcome)];
        out << counts[0] << " processed, " << counts[1] << " skipped, " << counts[2]
            << " failed; EvaLog " << written << "\n";
    }
    return 0;
}

} // namespace mv::cli

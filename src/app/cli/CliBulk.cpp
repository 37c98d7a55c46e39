// mvtervik-cli bulk: the EvaLog bulk run over a range of Test IDs, as the "Process ID"
// button does it, with the IDs computed in parallel workers and committed in ID order.
#include "app/cli/CliEval.h"
#include "core/Json.h"
#include "evaluation/Bulk.h"
#include "files/Readers.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>
#include <thread>

namespace mv::cli {

namespace {

// Also the line of the program's help.
const char* const kUsage =
    "bulk --log LOG.xlsx --evalog EVALOG.xlsx --from A --to B [--load-format NAME] "
    "[--save-format NAME] [--dest DIR | --no-save] [--backup] [--keep-names] [--track-subdir "
    "DIR] [--jobs N] [--out-evalog FILE] [--settings FILE] [--json]";

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

} // namespace

int cmdBulk(const Args& args, std::ostream& out, std::ostream& err) {
    EvalOptions eo;
    std::string logPath, evaPath, outEva, loadName, saveName, dest;
    std::optional<std::string> trackSubdir;
    std::optional<int> from, to, jobs;
    bool noSave = false, backup = false, keepNames = false;
    BulkOptions opt;
    try {
        EvalArgs a(args);
        while (a.next()) {
            if (a.common(eo))
                continue;
            if (a.is("--log"))
                logPath = a.value();
            else if (a.is("--evalog"))
                evaPath = a.value();
            else if (a.is("--from"))
                from = a.intValue();
            else if (a.is("--to"))
                to = a.intValue();
            else if (a.is("--jobs"))
                jobs = a.intValue();
            else if (a.is("--load-format"))
                loadName = a.value();
            else if (a.is("--save-format"))
                saveName = a.value();
            else if (a.is("--dest"))
                dest = a.value();
            else if (a.is("--no-save"))
                noSave = true;
            else if (a.is("--backup"))
                backup = true;
            else if (a.is("--keep-names"))
                keepNames = true;
            else if (a.is("--track-subdir"))
                trackSubdir = a.value();
            else if (a.is("--out-evalog"))
                outEva = a.value();
            else
                a.unexpected();
        }
        if (logPath.empty() || evaPath.empty() || !from || !to)
            throw UsageError("--log, --evalog, --from and --to are required");
        if (!dest.empty() && noSave)
            throw UsageError("--dest and --no-save exclude each other");
        if (jobs && *jobs < 1)
            throw UsageError("--jobs takes a number of workers of 1 or more");
        const MainSettings& ms = eo.settings;
        const int li = loadName.empty() ? ms.LoadFileFormat : loadFormatIndex(loadName);
        if (li < 0)
            throw UsageError("unknown load format '" + loadName + "'");
        const int si = saveName.empty() ? ms.SaveFileFormat : saveFormatIndex(saveName);
        if (si < 0)
            throw UsageError("unknown save format '" + saveName + "'");
        opt.loadFormat = static_cast<LoadFormat>(li);
        opt.saveFormat = static_cast<SaveFormat>(si);
        opt.save = !noSave;
        opt.destBase = dest.empty() ? ms.DestinationPath : dest;
        if (opt.save && opt.destBase.empty())
            throw UsageError("give --dest DIR or --no-save");
        opt.backup = backup;
        opt.keepNames = keepNames || ms.KeepOrigSigName;
        opt.trackSubdir = trackSubdir ? *trackSubdir : eo.trackSubdir;
        opt.defaultFs = ms.dfltSampl_f;
        opt.jobs =
            jobs ? *jobs : static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    } catch (const UsageError& e) {
        return usage(err, "bulk", e.what(), kUsage);
    }
    StderrLog log(err);

    SpreadsheetApp app;
    SpreadsheetState st;
    WorkbookId evaId = 0;
    try {
        app.open(logPath);
        evaId = app.open(evaPath);
    } catch (const std::exception& e) {
        log.line({LineLevel::Error, e.what()});
        return kExitPreparation;
    }
    for (const EvalLine& l : ExcelTopicsUpdate(app, st).lines)
        log.line(l);
    if (!st.logFound() || st.LogSheet.workbook == evaId) {
        log.line({LineLevel::Error, "Can't found Excel Log sheet in " + logPath});
        return kExitPreparation;
    }
    if (!st.evaLogFound() || st.EvaLogSheet.workbook != evaId) {
        log.line({LineLevel::Error, "No EvaLog (sheets PARAM and EvaLog) in " + evaPath});
        return kExitPreparation;
    }

    ReaderTable readers;
    files::installReaders(readers);
    CaptureLog pane;
    const BulkResult res =
        RunBulk(app, st, *from, *to, opt, readers, pane, NullProgress::instance());
    for (const EvalLine& l : res.prepLines)
        log.line(l);
    if (!res.prepared)
        return kExitPreparation;

    // Lines of the records with their levels; what else the pane got (the commit's own
    // complaints, the end of the run) follows them.
    std::map<std::string, int> fromRecords;
    for (const IdRecord& rec : res.records) {
        for (const EvalLine& l : rec.messages()) {
            log.line(l);
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
        log.line({l.warning ? LineLevel::Warning : LineLevel::Info, l.text});
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
        log.line({LineLevel::Error, std::string("The EvaLog was not written: ") + e.what()});
        return kExitPreparation;
    }

    if (eo.json) {
        JsonWriter w;
        w.beginObject().key("ids").beginArray();
        for (const IdRecord& rec : res.records) {
            w.beginObject().key("id").value(rec.id).key("outcome").value(outcomeName(rec.outcome));
            w.key("messages");
            writeMessages(w, rec.messages());
            w.key("files").beginArray();
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
    return kExitRan;
}

} // namespace mv::cli

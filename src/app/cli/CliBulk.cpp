// mvtervik-cli bulk: the EvaLog bulk run over a range of Test IDs, as the "Process ID"
// button does it, with the IDs computed in parallel workers and committed in ID order;
// or its records written as fragments for a later merge (--fragment), or the run handed
// to Slurm as an array job of slices and a merge job (--slurm).
#include "app/cli/CliBulk.h"

#include "core/Json.h"
#include "evaluation/Bulk.h"
#include "evaluation/Fragment.h"
#include "files/Readers.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>
#include <thread>

namespace mv::cli {

namespace {

namespace fs = std::filesystem;

// Also the line of the program's help.
const char* const kUsage =
    "bulk --log LOG.xlsx --evalog EVALOG.xlsx --from A --to B [--load-format NAME] "
    "[--save-format NAME] [--dest DIR | --no-save] [--backup] [--keep-names] [--track-subdir "
    "DIR] [--jobs N] [--out-evalog FILE] [--fragment DIR [--slurm [--tasks K] [--partition P] "
    "[--sbatch-arg ARG]... [--wait] [--resume]]] [--settings FILE] [--json]";

std::string absolute(const std::string& p) {
    std::error_code ec;
    const fs::path a = fs::absolute(p, ec);
    return ec ? p : a.lexically_normal().string();
}

} // namespace

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

void reportLines(StderrLog& log, const std::vector<EvalLine>& before,
                 const std::vector<IdRecord>& records, const std::vector<LogLine>& pane) {
    std::map<std::string, int> fromRecords;
    for (const IdRecord& rec : records) {
        for (const EvalLine& l : rec.messages()) {
            log.line(l);
            ++fromRecords[l.text];
        }
    }
    for (const EvalLine& l : before)
        ++fromRecords[l.text];
    for (const LogLine& l : pane) {
        auto it = fromRecords.find(l.text);
        if (it != fromRecords.end() && it->second > 0) {
            --it->second;
            continue;
        }
        log.line({l.warning ? LineLevel::Warning : LineLevel::Info, l.text});
    }
}

void writeIds(JsonWriter& w, const std::vector<IdRecord>& records) {
    w.beginArray();
    for (const IdRecord& rec : records) {
        w.beginObject().key("id").value(rec.id).key("outcome").value(outcomeName(rec.outcome));
        w.key("messages");
        writeMessages(w, rec.messages());
        w.key("files").beginArray();
        for (const std::string& f : rec.files)
            w.value(f);
        w.endArray().endObject();
    }
    w.endArray();
}

std::string outcomeCounts(const std::vector<IdRecord>& records) {
    int counts[3] = {0, 0, 0};
    for (const IdRecord& rec : records)
        ++counts[static_cast<int>(rec.outcome)];
    return std::to_string(counts[0]) + " processed, " + std::to_string(counts[1]) + " skipped, " +
           std::to_string(counts[2]) + " failed";
}

int cmdBulk(const Args& args, std::ostream& out, std::ostream& err) {
    EvalOptions eo;
    std::string logPath, evaPath, outEva, loadName, saveName, dest, fragment;
    std::optional<std::string> trackSubdir, partition;
    std::optional<int> from, to, jobs, tasks;
    std::vector<std::string> sbatchArgs;
    bool noSave = false, backup = false, keepNames = false;
    bool slurm = false, wait = false, resume = false;
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
            else if (a.is("--fragment"))
                fragment = a.value();
            else if (a.is("--slurm"))
                slurm = true;
            else if (a.is("--tasks"))
                tasks = a.intValue();
            else if (a.is("--partition"))
                partition = a.value();
            else if (a.is("--sbatch-arg"))
                sbatchArgs.push_back(a.value());
            else if (a.is("--wait"))
                wait = true;
            else if (a.is("--resume"))
                resume = true;
            else
                a.unexpected();
        }
        if (logPath.empty() || evaPath.empty() || !from || !to)
            throw UsageError("--log, --evalog, --from and --to are required");
        if (!dest.empty() && noSave)
            throw UsageError("--dest and --no-save exclude each other");
        if (jobs && *jobs < 1)
            throw UsageError("--jobs takes a number of workers of 1 or more");
        if (slurm && fragment.empty())
            throw UsageError("--slurm needs --fragment DIR on a folder every node reaches");
        if (!slurm && (tasks || partition || !sbatchArgs.empty() || wait || resume))
            throw UsageError("--tasks, --partition, --sbatch-arg, --wait and --resume go with "
                             "--slurm");
        if (tasks && *tasks < 1)
            throw UsageError("--tasks takes a number of array tasks of 1 or more");
        if (!fragment.empty() && !slurm && !outEva.empty())
            throw UsageError("--fragment writes no EvaLog: --out-evalog belongs to bulk-merge");
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

    if (slurm) {
        // The EvaLog is prepared here once, so a campaign that can not run fails now and
        // not in every task of the cluster.
        const Preparation prep = PrepareBulk(app, st, *from, *to, opt);
        log.lines(prep.lines);
        if (!prep.plan)
            return kExitPreparation;
        SlurmRequest rq;
        rq.fragments = absolute(fragment);
        rq.from = *from;
        rq.to = *to;
        rq.tasks = tasks.value_or(1);
        rq.partition = partition;
        rq.sbatchArgs = sbatchArgs;
        rq.wait = wait;
        rq.resume = resume;
        rq.json = eo.json;
        // Every path absolute: the tasks start in a folder of the cluster's choosing.
        std::vector<std::string>& b = rq.bulkArgs;
        b = {"--log",         absolute(logPath),
             "--evalog",      absolute(evaPath),
             "--load-format", std::to_string(static_cast<int>(opt.loadFormat))};
        if (opt.save) {
            b.insert(b.end(), {"--save-format", std::to_string(static_cast<int>(opt.saveFormat)),
                               "--dest", absolute(opt.destBase)});
        } else {
            b.push_back("--no-save");
        }
        if (opt.backup)
            b.push_back("--backup");
        if (opt.keepNames)
            b.push_back("--keep-names");
        b.insert(b.end(), {"--track-subdir", opt.trackSubdir});
        if (!eo.settingsFile.empty())
            b.insert(b.end(), {"--settings", absolute(eo.settingsFile)});
        if (jobs) {
            rq.jobsGiven = true;
            b.insert(b.end(), {"--jobs", std::to_string(*jobs)});
        }
        rq.mergeArgs = {"--evalog", absolute(evaPath)};
        if (!outEva.empty())
            rq.mergeArgs.insert(rq.mergeArgs.end(), {"--out-evalog", absolute(outEva)});
        return submitToSlurm(rq, out, log);
    }

    ReaderTable readers;
    files::installReaders(readers);
    CaptureLog pane;
    std::vector<int> unwritten;
    BulkResult res;
    if (!fragment.empty()) {
        FragmentRun fr = RunBulkToFragments(app, st, *from, *to, opt, readers, fragment, pane,
                                            NullProgress::instance());
        res = std::move(fr.run);
        unwritten = std::move(fr.unwritten);
    } else {
        res = RunBulk(app, st, *from, *to, opt, readers, pane, NullProgress::instance());
    }
    for (const EvalLine& l : res.prepLines)
        log.line(l);
    if (!res.prepared)
        return kExitPreparation;
    reportLines(log, res.prepLines, res.records, pane.lines);

    std::string written;
    if (fragment.empty()) {
        // The EvaLog is written beside its target and renamed over it: a failed write leaves
        // the original as it was.
        written = outEva.empty() ? evaPath : outEva;
        try {
            if (outEva.empty())
                app.save(evaId);
            else
                app.saveAs(evaId, outEva);
        } catch (const std::exception& e) {
            log.line({LineLevel::Error, std::string("The EvaLog was not written: ") + e.what()});
            return kExitPreparation;
        }
    }

    if (eo.json) {
        JsonWriter w;
        w.beginObject().key("ids");
        writeIds(w, res.records);
        if (fragment.empty()) {
            w.key("evalog").value(written);
        } else {
            w.key("fragments").value(fragment).key("unwritten").beginArray();
            for (int id : unwritten)
                w.value(id);
            w.endArray();
        }
        w.endObject();
        out << w.str() << "\n";
    } else if (fragment.empty()) {
        out << outcomeCounts(res.records) << "; EvaLog " << written << "\n";
    } else {
        out << outcomeCounts(res.records) << "; records in " << fragment << "\n";
    }
    // A slice whose records are not all written has failed: its array task must too, so
    // the merge waiting on it does not run.
    if (!unwritten.empty()) {
        log.line({LineLevel::Error,
                  "The records of " + std::to_string(unwritten.size()) + " IDs were not written"});
        return kExitPreparation;
    }
    return kExitRan;
}

} // namespace mv::cli

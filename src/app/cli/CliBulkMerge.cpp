// mvtervik-cli bulk-merge: the records of a bulk run written as fragments (by slices on
// several machines) committed into the EvaLog in ID order, all of them or none.
#include "app/cli/CliBulk.h"
#include "core/Json.h"
#include "evaluation/Fragment.h"

#include <ostream>

namespace mv::cli {

namespace {

// Also the line of the program's help.
const char* const kUsage = "bulk-merge --evalog EVALOG.xlsx --fragments DIR [--from A --to B] "
                           "[--out-evalog FILE] [--settings FILE] [--json]";

void writeIdList(JsonWriter& w, const char* key, const std::vector<int>& ids) {
    w.key(key).beginArray();
    for (int id : ids)
        w.value(id);
    w.endArray();
}

} // namespace

int cmdBulkMerge(const Args& args, std::ostream& out, std::ostream& err) {
    EvalOptions eo;
    std::string evaPath, outEva, dir;
    std::optional<int> from, to;
    try {
        EvalArgs a(args);
        while (a.next()) {
            if (a.common(eo))
                continue;
            if (a.is("--evalog"))
                evaPath = a.value();
            else if (a.is("--fragments"))
                dir = a.value();
            else if (a.is("--from"))
                from = a.intValue();
            else if (a.is("--to"))
                to = a.intValue();
            else if (a.is("--out-evalog"))
                outEva = a.value();
            else
                a.unexpected();
        }
        if (evaPath.empty() || dir.empty())
            throw UsageError("--evalog and --fragments are required");
        if (from.has_value() != to.has_value())
            throw UsageError("--from and --to go together");
    } catch (const UsageError& e) {
        return usage(err, "bulk-merge", e.what(), kUsage);
    }
    StderrLog log(err);

    SpreadsheetApp app;
    SpreadsheetState st;
    WorkbookId evaId = 0;
    try {
        evaId = app.open(evaPath);
    } catch (const std::exception& e) {
        log.line({LineLevel::Error, e.what()});
        return kExitPreparation;
    }
    // Without a Log open, the rescan's complaint about it is no concern of a merge.
    ExcelTopicsUpdate(app, st);
    if (!st.evaLogFound() || st.EvaLogSheet.workbook != evaId) {
        log.line({LineLevel::Error, "No EvaLog (sheets PARAM and EvaLog) in " + evaPath});
        return kExitPreparation;
    }

    CaptureLog pane;
    std::optional<std::pair<int, int>> range;
    if (from)
        range = std::make_pair(*from, *to);
    const MergeResult res = MergeFragments(app, st, dir, range, pane);
    if (!res.merged) {
        log.lines(res.lines);
        if (eo.json) {
            JsonWriter w;
            w.beginObject().key("merged").value(false).key("from").value(res.from);
            w.key("to").value(res.to);
            writeIdList(w, "missing", res.missing);
            writeIdList(w, "damaged", res.damaged);
            writeIdList(w, "foreign", res.foreign);
            w.key("messages");
            writeMessages(w, res.lines);
            w.endObject();
            out << w.str() << "\n";
        }
        return kExitPreparation;
    }
    reportLines(log, {}, res.records, pane.lines);

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
        w.beginObject().key("merged").value(true).key("from").value(res.from);
        w.key("to").value(res.to).key("ids");
        writeIds(w, res.records);
        w.key("evalog").value(written).endObject();
        out << w.str() << "\n";
    } else {
        out << outcomeCounts(res.records) << "; merged into EvaLog " << written << "\n";
    }
    return kExitRan;
}

} // namespace mv::cli

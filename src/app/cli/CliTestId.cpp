// mvtervik-cli test-id: a Test ID of a test Log turned into its test, as the Test ID
// edit of the main window selects it.
#include "app/cli/CliEval.h"
#include "core/Json.h"
#include "evaluation/TestLog.h"
#include "evaluation/workbook/NumberFormat.h"

#include <ostream>

namespace mv::cli {

namespace {
const char* const kUsage =
    "test-id --log LOG.xlsx --id N [--track-subdir DIR] [--settings FILE] [--json]";

void printText(std::ostream& out, const TestSelection& s) {
    out << "Test ID " << s.id << ": " << (s.valid ? "valid" : "invalid") << "\n"
        << "Test path: " << s.testPath << "\n";
    for (int l = 0; l < kTestLevels; ++l)
        out << "Level " << l + 1 << ": " << s.levels[static_cast<size_t>(l)] << "\n";
    out << "Date: " << s.date << "\nTime: " << s.time
        << "\nf process [Hz]: " << (s.fProcess ? generalNumberText(*s.fProcess) : std::string("-"))
        << "\n"
        << "Track info: " << s.trackInfo << "\n";
}

void printJson(std::ostream& out, const TestSelection& s) {
    JsonWriter j;
    j.beginObject().key("valid").value(s.valid).key("testPath").value(s.testPath);
    j.key("levels").beginArray();
    for (const auto& l : s.levels)
        j.value(l);
    j.endArray().key("date").value(s.date).key("time").value(s.time).key("fProcess");
    if (s.fProcess)
        j.value(*s.fProcess);
    else
        j.null();
    j.key("trackInfo").value(s.trackInfo).key("messages");
    writeMessages(j, s.messages);
    j.endObject();
    out << j.str() << "\n";
}
} // namespace

int cmdTestId(const Args& args, std::ostream& out, std::ostream& err) {
    EvalOptions opt;
    std::string logFile;
    std::optional<std::string> trackSubdir;
    std::optional<int> id;
    try {
        EvalArgs a(args);
        while (a.next()) {
            if (a.common(opt))
                continue;
            if (a.is("--log"))
                logFile = a.value();
            else if (a.is("--id"))
                id = a.intValue();
            else if (a.is("--track-subdir"))
                trackSubdir = a.value();
            else
                a.unexpected();
        }
        if (logFile.empty())
            throw UsageError("--log LOG.xlsx is missing");
        if (!id)
            throw UsageError("--id N is missing");
        if (*id < 1)
            throw UsageError("--id takes a Test ID of 1 or more");
    } catch (const UsageError& e) {
        return usage(err, "test-id", e.what(), kUsage);
    }

    StderrLog log(err);
    SpreadsheetApp app;
    try {
        app.open(logFile);
    } catch (const SpreadsheetError& e) {
        log.line({LineLevel::Error, e.what()});
        return kExitPreparation;
    }
    SpreadsheetState st;
    log.lines(ExcelTopicsUpdate(app, st).lines);
    const TestSelection sel =
        SelectTestId(app, st, *id, trackSubdir ? *trackSubdir : opt.trackSubdir);
    log.lines(sel.messages);
    if (opt.json)
        printJson(out, sel);
    else
        printText(out, sel);
    // A workbook without a Log sheet gives nothing to select from.
    return st.logFound() ? kExitRan : kExitPreparation;
}

} // namespace mv::cli

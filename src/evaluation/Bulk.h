#pragma once
// EvaLog bulk processing: the preparation that reads the EvaLog tables, the work of
// one Test ID (open, compute, evaluate, save), and the commit of its record into the
// EvaLog. A run over many IDs computes them in parallel workers, each with its own
// store and chains, and commits the records in ID order.
#include "core/LoadFiles.h"
#include "core/Progress.h"
#include "core/SignalStore.h"
#include "evaluation/EvaPlan.h"
#include "evaluation/IdRecord.h"
#include "evaluation/TestLog.h"
#include "processing/MV_func.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mv {

struct BulkOptions {
    LoadFormat loadFormat = LoadFormat::Morvanet;
    SaveFormat saveFormat = SaveFormat::Morvanet;
    bool save = true;          // "Save processed signals"
    std::string destBase;      // destination base folder
    bool backup = false;       // "Backup saved signals"
    bool keepNames = false;    // KeepOrigSigName
    std::string trackSubdir;   // track-information subfolder of the Log folder
    int jobs = 1;              // parallel workers; 1 runs on the caller's thread
    double defaultFs = 4000.0; // f process when the Log gives none
    char decimalSeparator = '.';
    // The upper graph's window; without it, the span of all occupied slots.
    std::optional<std::pair<double, double>> window;
};

// Preparation: everything the run needs from the EvaLog. On failure no plan and the
// error line that ends the run.
struct Preparation {
    std::optional<EvaPlan> plan;
    std::vector<EvalLine> lines;
};
Preparation PrepareBulk(SpreadsheetApp& app, const SpreadsheetState& st, int from, int to,
                        const BulkOptions& opt);

// The state one ID is computed in: the caller's own (the window's workspace, so the user
// sees the signals afterwards) or a worker's.
struct IdWorkspace {
    SignalStore& store;
    FnSlots& fnSlots;
};

// Computes one ID (selection already done) into its record: never throws; everything
// it has to say is in the record.
IdRecord ProcessTestId(const EvaPlan& plan, const TestSelection& sel, const BulkOptions& opt,
                       const ReaderTable& readers, IdWorkspace ws, Progress& progress);

// Where the records of a run go, one after another in ID order.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void commit(const IdRecord& rec) = 0;
    // A line of the pane only, or a log line outside any ID's record ("END PROCESSING").
    virtual void pane(LineLevel level, const std::string& text) = 0;
};

// Writes records into the EvaLog in the order they come: log rows from the row after
// the last one used, result rows into the zone sheets, counts into the log row.
class EvaLogWriter final : public RecordSink {
public:
    // Finds the log's next row; throws SpreadsheetError when the EvaLog cannot be written.
    EvaLogWriter(SpreadsheetApp& app, const SpreadsheetState& st, Log& pane);
    void commit(const IdRecord& rec) override;
    void pane(LineLevel level, const std::string& text) override;
    int logRow() const { return logRow_; }

private:
    SpreadsheetApp& app_;
    SheetHandle evaLog_;
    int procIdCol_ = 1;
    int logRow_ = 1;
    Log& pane_;
};

struct BulkResult {
    bool prepared = false;
    std::vector<EvalLine> prepLines;
    std::vector<IdRecord> records; // in ID order
};

// The whole run From..To: preparation, selection of each ID, the work (in `opt.jobs`
// workers, or on `callerWs` when it is given and jobs is 1), and the ordered commit.
// `onCommitted` (optional) sees every record after its commit, for the window.
BulkResult RunBulk(SpreadsheetApp& app, SpreadsheetState& st, int from, int to,
                   const BulkOptions& opt, const ReaderTable& readers, Log& pane,
                   Progress& progress, std::optional<IdWorkspace> callerWs = std::nullopt,
                   const std::function<void(const IdRecord&)>& onCommitted = {});

// Makes the sink of a run once its preparation succeeded; without one (the error line
// pushed onto `lines`) the run ends before its first ID.
using SinkFactory =
    std::function<std::unique_ptr<RecordSink>(const EvaPlan& plan, std::vector<EvalLine>& lines)>;

// RunBulk with the records going elsewhere than the EvaLog (fragments for a later merge).
BulkResult RunBulkInto(SpreadsheetApp& app, SpreadsheetState& st, int from, int to,
                       const BulkOptions& opt, const ReaderTable& readers, Log& pane,
                       Progress& progress, const SinkFactory& makeSink);

} // namespace mv

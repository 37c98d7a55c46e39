#include "evaluation/Bulk.h"

#include "evaluation/Zones.h"
#include "evaluation/workbook/SpreadsheetError.h"
#include "files/SaveSlot.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <thread>

namespace mv {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFullIdent = "EN14363_BauCurve";

// Everything an ID's work says goes into its record, as lines of the pane.
class RecordLog final : public Log {
public:
    explicit RecordLog(IdRecord& rec) : rec_(rec) {}
    void add(std::string_view text, bool warning) override {
        rec_.pane(warning ? LineLevel::Warning : LineLevel::Info, std::string(text));
    }

private:
    IdRecord& rec_;
};

// Ends the work of one ID with an error log line.
struct IdFailed {
    std::string text;
};

// The cancel of a run seen from a worker thread: the caller's progress belongs to the
// caller's thread, so workers read a flag the committing thread sets.
class FlagProgress final : public Progress {
public:
    explicit FlagProgress(const std::atomic<bool>& flag) : flag_(flag) {}
    void report(double, std::string_view) override {}
    bool cancelled() const override { return flag_.load(std::memory_order_relaxed); }

private:
    const std::atomic<bool>& flag_;
};

std::string selectionMessage(const TestSelection& sel) {
    for (auto it = sel.messages.rbegin(); it != sel.messages.rend(); ++it)
        if (it->level == LineLevel::Error)
            return it->text;
    return "Test ID " + std::to_string(sel.id) + " can not be selected";
}

// The span of every occupied slot: the window of a run when none is given (the times of
// a window do not count the TimeOffset, so neither does the span).
std::pair<double, double> occupiedSpan(const SignalStore& store) {
    double t2 = 0.0;
    for (int s = 1; s <= kSlotCount; ++s) {
        const SignalRecord& r = store[s];
        if (r.occupied() && r.f_sampl > 0.0)
            t2 = std::max(t2, double(r.SampleCount - 1) / r.f_sampl);
    }
    return {0.0, t2};
}

// Opens one file into `slot`; true when it filled exactly that slot.
bool openOne(SignalStore& store, const ReaderTable& readers, const std::string& dir,
             const std::string& file, int slot, LoadFormat format, const LoadContext& lc) {
    LoadResult r;
    try {
        r = LoadFiles(store, readers, dir, {file}, slot, format, lc);
    } catch (const std::exception& e) {
        lc.log.warn(joinPath(dir, file) + ": " + e.what());
        store.ClearSlot(slot);
        return false;
    }
    if (r.filled > 1) {
        // A file of several signals would move every later entry to another slot.
        lc.log.warn(joinPath(dir, file) + " holds " + std::to_string(r.filled) +
                    " signals; a table entry takes exactly one");
        for (int s = slot; s < slot + r.filled && s <= kSlotCount; ++s)
            store.ClearSlot(s);
        return false;
    }
    return r.filled == 1 && store[slot].occupied();
}

const SignalRecord& inputOf(const SignalStore& store, int slot, int k, const CompSigEntry& e,
                            const char* which) {
    const SignalRecord& r = store[slot];
    if (!r.occupied() || r.SampleCount < 0 ||
        r.Data.size() < static_cast<std::size_t>(r.SampleCount) || !(r.f_sampl > 0.0))
        throw IdFailed{"Comp.signal " + std::to_string(k) + " " + e.Name + ": " + which +
                       " (signal " + std::to_string(slot) + ") is empty"};
    return r;
}

// Computed signal k into slot M + k: the arithmetic of its two inputs, its chain applied in
// place over the window, then its offset.
void computeSignal(const EvaPlan& plan, int k, const ProcessContext& ctx,
                   std::pair<double, double> window, bool keepName, Log& log) {
    const CompSigEntry& e = plan.computed[static_cast<std::size_t>(k - 1)];
    const int T = plan.M + k;
    SignalStore& store = ctx.store;
    const SignalRecord& a = inputOf(store, e.Sig1, k, e, "Sig1");
    const std::size_t n = static_cast<std::size_t>(a.SampleCount);
    const double s1 = e.Slope1, s2 = e.Slope2;
    SampleBuffer out = SampleBuffer::allocate(n);
    if (e.Sig2 == 0) {
        for (std::size_t j = 0; j < n; ++j)
            out[j] = static_cast<float>(double(a.Data[j]) * s1);
    } else {
        const SignalRecord& bc = inputOf(store, e.Sig2, k, e, "Sig2");
        if (static_cast<std::size_t>(bc.SampleCount) < n)
            throw IdFailed{"Comp.signal " + std::to_string(k) + " " + e.Name + ": Sig2 (signal " +
                           std::to_string(e.Sig2) + ") is shorter than Sig1 (signal " +
                           std::to_string(e.Sig1) + ")"};
        if (e.Operation == CompOp::Div) {
            // The divisor's zeros become 1e-9 in the divisor itself, as the table's
            // users expect to see afterwards.
            SignalStore::WriteGuard guard = store.writeGuard();
            SignalRecord& b = store[e.Sig2];
            for (std::size_t j = 0; j < static_cast<std::size_t>(b.SampleCount); ++j)
                if (b.Data[j] == 0.0F)
                    b.Data[j] = 1e-9F;
        }
        const SampleBuffer& bd = store[e.Sig2].Data;
        for (std::size_t j = 0; j < n; ++j) {
            const double x = double(a.Data[j]) * s1;
            const double y = double(bd[j]) * s2;
            double v = 0.0;
            switch (e.Operation) {
            case CompOp::Add:
                v = x + y;
                break;
            case CompOp::Sub:
                v = x - y;
                break;
            case CompOp::Mul:
                v = x * y;
                break;
            case CompOp::Div:
                v = x / y;
                break;
            }
            out[j] = static_cast<float>(v);
        }
    }
    SignalRecord r;
    r.f_sampl = a.f_sampl;
    r.setData(std::move(out));
    r.SigName = e.Name;
    r.Units = e.Units;
    r.Plot = e.Plot;
    r.SaveDiv = e.SaveDiv;
    r.Unsaved = true;
    store.installSignal(T, std::move(r));

    const ProcessResult pr =
        ProcessSignal(ctx, T, window.first, window.second, true, keepName, log);
    if (pr.status != ProcessStatus::Done && pr.status != ProcessStatus::NothingToDo)
        throw IdFailed{"Comp.signal " + std::to_string(k) + " " + e.Name +
                       ": its functions can not be applied"};
    if (e.Offset != 0.0F) {
        SignalStore::WriteGuard guard = store.writeGuard();
        SignalRecord& t = store[T];
        for (std::size_t j = 0; j < t.Data.size(); ++j)
            t.Data[j] = static_cast<float>(double(t.Data[j]) + double(e.Offset));
    }
}

// Saves slots 1..M+C into destBase/levels.../id/; the folder written, or a failure.
std::string saveSignalsOf(const EvaPlan& plan, const TestSelection& sel, const BulkOptions& opt,
                          const SignalStore& store, std::pair<double, double> window, IdRecord& rec,
                          Log& log) {
    std::string folder = opt.destBase;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    std::error_code ec;
    for (const std::string& level : sel.levels) {
        if (level.empty())
            continue;
        folder += level + "/";
        fs::create_directories(folder, ec);
        if (!fs::is_directory(folder, ec))
            throw IdFailed{"Can not create  " + folder};
    }
    folder += std::to_string(sel.id) + "/";
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec))
        throw IdFailed{"Can not create " + folder};

    files::SaveContext sc{log, {}, NullProgress::instance()};
    sc.header.logWorkbook = plan.logName;
    for (int s = 1; s <= plan.M + plan.C; ++s) {
        const SignalRecord& r = store[s];
        if (!r.occupied())
            continue;
        files::SaveRequest req;
        req.slot = s;
        req.T1 = window.first;
        req.T2 = window.second;
        req.dir = folder;
        req.format = opt.saveFormat;
        req.backup = opt.backup;
        const files::SaveStatus st = files::SaveSlot(store, req, sc);
        if (st == files::SaveStatus::Written)
            rec.files.push_back(folder + files::fileNameOf(r.SigName.str()) +
                                files::saveExtension(opt.saveFormat));
        else if (st != files::SaveStatus::NotSaved)
            throw IdFailed{"Can not save " + r.SigName.str() + " into " + folder};
    }
    return folder;
}

std::string nowText() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%d.%m.%Y  %H:%M:%S", &tm);
    return buf;
}

// The whole of one ID as a run does it: its heading, the selection's lines, the work.
IdRecord runOne(const EvaPlan& plan, const TestSelection& sel, const BulkOptions& opt,
                const ReaderTable& readers, IdWorkspace ws, Progress& progress) {
    IdRecord rec = ProcessTestId(plan, sel, opt, readers, ws, progress);
    std::vector<RecordOp> head;
    RecordOp op;
    op.text = "Processing ID: " + std::to_string(sel.id) + " ....";
    head.push_back(op);
    for (const EvalLine& l : sel.messages) {
        op.level = l.level;
        op.text = l.text;
        head.push_back(op);
    }
    rec.ops.insert(rec.ops.begin(), head.begin(), head.end());
    return rec;
}

// The selection of one ID; a workbook failure makes it an invalid selection that says so.
TestSelection selectId(const SpreadsheetApp& app, const SpreadsheetState& st, int id,
                       const std::string& trackSubdir) {
    try {
        return SelectTestId(app, st, id, trackSubdir);
    } catch (const std::exception& e) {
        TestSelection sel;
        sel.id = id;
        sel.messages.push_back(
            {LineLevel::Error, std::string("Error by Excel communication: ") + e.what()});
        return sel;
    }
}

} // namespace

Preparation PrepareBulk(SpreadsheetApp& app, const SpreadsheetState& st, int from, int to,
                        const BulkOptions& opt) {
    Preparation p;
    const auto fail = [&](std::string text) {
        p.lines.push_back({LineLevel::Error, std::move(text)});
        return p;
    };
    const int lf = static_cast<int>(opt.loadFormat);
    if (lf < 0 || lf >= kLoadFormatCount)
        return fail("Unsupported load file format : " + std::to_string(lf));
    if (*loadFileExtension(opt.loadFormat) == '\0')
        return fail(std::string("Unsupported load file format : ") +
                    kLoadFormatNames[static_cast<std::size_t>(lf)]);
    if (opt.save) {
        std::error_code ec;
        if (opt.destBase.empty() || !fs::is_directory(opt.destBase, ec))
            return fail("Target directory \"" + opt.destBase + "\" not found");
        if (!files::validSaveFormat(opt.saveFormat))
            return fail("Unsupported save file format : " +
                        std::to_string(static_cast<int>(opt.saveFormat)));
    }
    if (from == 0 && to == 0)
        return fail("Invalid FromID, ToID number");
    if (!st.bulkReady())
        return fail(st.logFound() ? "EvaLog workbook not found" : "Can't found Excel Log sheet");

    EvaPlan plan;
    try {
        const Workbook& log = app.workbook(st.LogSheet.workbook);
        plan.logFolder = log.folder();
        plan.logName = log.name();
        const NamedCell ident = app.namedCell(st.ParamSheet, "Ident");
        plan.Ident = cellText(app.value2(ident.sheet, ident.row, ident.column));
        plan.full = plan.Ident == kFullIdent;
        if (!readSignalTables(app, st.ParamSheet, plan, p.lines))
            return p;
        if (plan.full && !readZoneList(app, st.ParamSheet, plan, p.lines))
            return fail("Inconsistent computed signal names and zone sheets head names. Press "
                        "\"Initialize sheets first\" in Excel");
    } catch (const std::exception& e) {
        return fail(std::string("Can not read the EvaLog: ") + e.what());
    }
    p.plan = std::move(plan);
    return p;
}

IdRecord ProcessTestId(const EvaPlan& plan, const TestSelection& sel, const BulkOptions& opt,
                       const ReaderTable& readers, IdWorkspace ws, Progress& progress) {
    IdRecord rec;
    rec.id = sel.id;
    rec.testPath = sel.testPath;
    rec.outcome = IdOutcome::Failed;
    RecordLog log(rec);
    try {
        if (!sel.valid)
            throw IdFailed{selectionMessage(sel)};
        for (std::size_t i = 0; i < plan.conditions.size(); ++i) {
            if (!plan.conditions[i].empty() && plan.conditions[i] != sel.levels[i]) {
                rec.logLine("User condition skip ");
                rec.outcome = IdOutcome::Skipped;
                return rec;
            }
        }
        double fProcess = sel.fProcess.value_or(opt.defaultFs);
        if (!(fProcess > 0.0) || !std::isfinite(fProcess))
            fProcess = opt.defaultFs;
        const ProcessContext ctx{ws.store, ws.fnSlots, fProcess};

        ws.store.ClearSlot(0);
        // Every ID starts from fresh chains: no filter state or held step average is
        // carried from the test before.
        DeleteAllFunctions(ctx, log);
        for (int k = 1; k <= plan.C; ++k) {
            const CompSigEntry& e = plan.computed[static_cast<std::size_t>(k - 1)];
            for (int step = 0; step < kFnStepCount; ++step) {
                // A fresh step: a reset keeps what a function holds across runs on purpose
                // (the step average's last output), which must not reach the next test.
                ws.fnSlots(plan.M + k, step) = TFnSlot{};
                const std::string& text = e.chain[static_cast<std::size_t>(step)];
                if (text.empty())
                    continue;
                std::string why;
                if (!FnAttach(ctx, plan.M + k, step, text, log, &why))
                    throw IdFailed{"Comp.signal " + std::to_string(k) + " " + e.Name + ": Fn" +
                                   std::to_string(step + 1) + " is refused: " + why};
            }
        }

        const LoadFormat format = opt.loadFormat;
        const std::string ext = loadFileExtension(format);
        const LoadContext lc{log, fProcess, opt.decimalSeparator, NullProgress::instance()};
        int opened = 0;
        for (int k = 1; k <= plan.M; ++k) {
            const SigEntry& e = plan.measured[static_cast<std::size_t>(k - 1)];
            if (!e.Name.empty() &&
                openOne(ws.store, readers, sel.testPath, e.Name + ext, k, format, lc)) {
                ws.store[k].Plot = e.Plot;
                ws.store[k].SaveDiv = e.SaveDiv;
                ++opened;
            }
        }
        if (opened < plan.M)
            throw IdFailed{"Can not open " + std::to_string(plan.M) + " measured files"};
        if (plan.S > 0) {
            if (!openOne(ws.store, readers, sel.testPath, plan.speed.Name + ext, plan.S, format,
                         lc))
                throw IdFailed{"Can not open speed signal: " + plan.speed.Name};
            ws.store[plan.S].Plot = plan.speed.Plot;
            ws.store[plan.S].SaveDiv = plan.speed.SaveDiv;
        }

        const std::pair<double, double> window = opt.window ? *opt.window : occupiedSpan(ws.store);
        for (int k = 1; k <= plan.C; ++k)
            computeSignal(plan, k, ctx, window, opt.keepNames, log);

        if (plan.full) {
            const TrackIo io{readers, format, fProcess, opt.decimalSeparator, opt.trackSubdir};
            switch (EvaluateTrack(plan, sel, io, ws.store, rec, progress)) {
            case TrackOutcome::Done:
                break;
            case TrackOutcome::ZoneFailed:
                throw IdFailed{"Can not create Zone signal from Excel"};
            case TrackOutcome::Failed:
                throw IdFailed{"Error processing !!!"};
            }
        }

        if (opt.save) {
            const std::string folder = saveSignalsOf(plan, sel, opt, ws.store, window, rec, log);
            rec.pane(LineLevel::Info, "Test ID " + std::to_string(sel.id) + " saved " + folder);
        }
        rec.logLine("Processed");
        rec.outcome = IdOutcome::Processed;
    } catch (const IdFailed& f) {
        rec.logLine(f.text, true);
        rec.outcome = IdOutcome::Failed;
    } catch (const std::exception& e) {
        rec.logLine(std::string("Error processing: ") + e.what(), true);
        rec.outcome = IdOutcome::Failed;
    } catch (...) {
        rec.logLine("Error processing !!!", true);
        rec.outcome = IdOutcome::Failed;
    }
    return rec;
}

EvaLogWriter::EvaLogWriter(SpreadsheetApp& app, const SpreadsheetState& st, Log& pane)
    : app_(app), evaLog_(st.EvaLogSheet), pane_(pane) {
    const NamedCell proc = app_.namedCell(evaLog_, "Proc_ID");
    procIdCol_ = proc.column;
    // From below everything the sheet holds upwards: a log longer than any fixed search
    // distance is still found at its end.
    const CellRange used = app_.resolve(evaLog_).usedRange();
    const int below = std::min(std::max(used.last.row, proc.row) + 1, kMaxRows);
    logRow_ = std::max(app_.endUp(evaLog_, below, procIdCol_) + 1, proc.row + 1);
}

void EvaLogWriter::pane(LineLevel level, const std::string& text) {
    pane_.add(text, level != LineLevel::Info);
}

namespace {

// The last row at or between `lo` and `hi` whose column A holds something, or 0.
int lastFilledA(const Sheet& s, int lo, int hi) {
    const auto& rows = s.rows();
    auto it = rows.upper_bound(hi);
    while (it != rows.begin()) {
        --it;
        if (it->first < lo)
            break;
        const Cell* c = s.find(it->first, 1);
        if (c && c->type != CellType::Empty)
            return it->first;
    }
    return 0;
}

constexpr int kSectionLastRow = 1097; // rows 3..1097 hold sections
constexpr int kTransitionFirstRow = 1099;

} // namespace

void EvaLogWriter::commit(const IdRecord& rec) {
    const std::string id = std::to_string(rec.id);
    for (const RecordOp& op : rec.ops) {
        try {
            switch (op.kind) {
            case RecordOp::Kind::Pane:
                pane_.add(op.text, op.level != LineLevel::Info);
                break;
            case RecordOp::Kind::LogLine: {
                const bool error = op.level == LineLevel::Error;
                pane_.add("ID " + id + " " + op.text, op.level != LineLevel::Info);
                const int row = logRow_++;
                app_.setValue(evaLog_, row, procIdCol_, CellValue::str(id));
                app_.setValue(evaLog_, row, procIdCol_ + 1, CellValue::str(nowText()));
                app_.setValue(evaLog_, row, procIdCol_ + 2, CellValue::str(op.text));
                if (error)
                    app_.setBold(evaLog_, row, procIdCol_ + 2, true);
                app_.setValue(evaLog_, row, procIdCol_ + 19, CellValue::str(rec.testPath));
                break;
            }
            case RecordOp::Kind::Count:
                if (op.column >= 1)
                    app_.setValue(evaLog_, logRow_, procIdCol_ - 1 + op.column,
                                  CellValue::num(op.value));
                break;
            case RecordOp::Kind::ZoneRow: {
                const std::string name = "Zone" + std::to_string(op.zone);
                const auto sheet = app_.findSheet(evaLog_.workbook, name);
                if (!sheet) {
                    pane_.warn("ID " + id + " sheet " + name + " not found: a result row is lost");
                    break;
                }
                const Sheet& s = app_.resolve(*sheet);
                int row = 0;
                if (op.transition) {
                    row = std::max(kTransitionFirstRow,
                                   lastFilledA(s, kTransitionFirstRow, kMaxRows) + 1);
                } else {
                    row = std::max(3, lastFilledA(s, 1, kSectionLastRow) + 1);
                    if (row > kSectionLastRow)
                        row = 0;
                }
                if (row == 0 || row > kMaxRows) {
                    pane_.warn("ID " + id + " sheet " + name +
                               " has no free result row: the row is not written");
                    break;
                }
                for (std::size_t c = 0; c < op.cells.size(); ++c)
                    if (!op.cells[c].isEmpty())
                        app_.setValue(*sheet, row, static_cast<int>(c) + 1, op.cells[c]);
                break;
            }
            }
        } catch (const std::exception& e) {
            pane_.warn("ID " + id + " Can not write the EvaLog: " + e.what());
        }
    }
}

namespace {

BulkResult runBulkWith(SpreadsheetApp& app, SpreadsheetState& st, int from, int to,
                       const BulkOptions& opt, const ReaderTable& readers, Log& pane,
                       Progress& progress, std::optional<IdWorkspace> callerWs,
                       const std::function<void(const IdRecord&)>& onCommitted,
                       const SinkFactory& makeSink) {
    BulkResult res;
    Preparation prep = PrepareBulk(app, st, from, to, opt);
    res.prepLines = prep.lines;
    writeLines(pane, prep.lines);
    if (!prep.plan)
        return res;
    std::vector<EvalLine> sinkLines;
    const std::unique_ptr<RecordSink> writer = makeSink(*prep.plan, sinkLines);
    if (!writer) {
        res.prepLines.insert(res.prepLines.end(), sinkLines.begin(), sinkLines.end());
        writeLines(pane, sinkLines);
        return res;
    }
    res.prepared = true;
    const EvaPlan& plan = *prep.plan;

    std::vector<int> ids;
    for (int id = from; id <= to; ++id)
        ids.push_back(id);
    const std::size_t n = ids.size();
    bool stopped = false;

    const auto commit = [&](IdRecord&& rec, std::size_t i) {
        st.TestPath = rec.testPath;
        writer->commit(rec);
        if (onCommitted)
            onCommitted(rec);
        res.records.push_back(std::move(rec));
        progress.report(double(i + 1) / double(n), "ID " + std::to_string(ids[i]));
    };

    const int jobs = std::max(1, std::min<int>(opt.jobs, static_cast<int>(n)));
    if (jobs <= 1) {
        std::optional<SignalStore> ownStore;
        std::optional<FnSlots> ownSlots;
        if (!callerWs) {
            ownStore.emplace();
            ownSlots.emplace();
        }
        IdWorkspace ws = callerWs ? *callerWs : IdWorkspace{*ownStore, *ownSlots};
        for (std::size_t i = 0; i < n; ++i) {
            if (progress.cancelled()) {
                stopped = true;
                break;
            }
            const TestSelection sel = selectId(app, st, ids[i], opt.trackSubdir);
            commit(runOne(plan, sel, opt, readers, ws, progress), i);
        }
    } else {
        // The selections read the Log: they are made here, where the workbooks live.
        std::vector<TestSelection> sels;
        sels.reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            sels.push_back(selectId(app, st, ids[i], opt.trackSubdir));

        enum : char { Pending, Ready, Abandoned };
        std::vector<char> state(n, Pending);
        std::vector<std::optional<IdRecord>> done(n);
        std::mutex mu;
        std::condition_variable cv;
        std::atomic<std::size_t> next{0};
        std::atomic<bool> stop{false};

        const auto work = [&] {
            SignalStore store;
            FnSlots slots;
            FlagProgress wp(stop);
            for (;;) {
                const std::size_t i = next.fetch_add(1);
                if (i >= n)
                    break;
                std::optional<IdRecord> rec;
                if (!stop.load()) {
                    try {
                        rec = runOne(plan, sels[i], opt, readers, IdWorkspace{store, slots}, wp);
                    } catch (...) {
                        IdRecord r;
                        r.id = sels[i].id;
                        r.testPath = sels[i].testPath;
                        r.logLine("Error processing !!!", true);
                        rec = std::move(r);
                    }
                }
                std::lock_guard<std::mutex> lock(mu);
                state[i] = rec ? Ready : Abandoned;
                done[i] = std::move(rec);
                cv.notify_all();
            }
        };
        std::vector<std::thread> threads;
        for (int j = 0; j < jobs; ++j)
            threads.emplace_back(work);
        for (std::size_t i = 0; i < n; ++i) {
            std::optional<IdRecord> rec;
            {
                std::unique_lock<std::mutex> lock(mu);
                while (state[i] == Pending) {
                    cv.wait_for(lock, std::chrono::milliseconds(50));
                    if (!stop.load() && progress.cancelled())
                        stop.store(true);
                }
                if (state[i] == Abandoned)
                    break;
                rec = std::move(done[i]);
            }
            commit(std::move(*rec), i);
            if (i + 1 < n && progress.cancelled()) {
                stop.store(true);
                // Records already computed are committed; the rest are abandoned.
            }
        }
        stop.store(true);
        for (auto& t : threads)
            t.join();
        stopped = res.records.size() < n;
    }
    if (stopped)
        writer->pane(LineLevel::Warning, "Processing stopped by the user");
    writer->pane(LineLevel::Info, "END PROCESSING");
    return res;
}

} // namespace

BulkResult RunBulk(SpreadsheetApp& app, SpreadsheetState& st, int from, int to,
                   const BulkOptions& opt, const ReaderTable& readers, Log& pane,
                   Progress& progress, std::optional<IdWorkspace> callerWs,
                   const std::function<void(const IdRecord&)>& onCommitted) {
    const SinkFactory evaLog = [&](const EvaPlan&,
                                   std::vector<EvalLine>& lines) -> std::unique_ptr<RecordSink> {
        try {
            return std::make_unique<EvaLogWriter>(app, st, pane);
        } catch (const std::exception& e) {
            lines.push_back(
                {LineLevel::Error, std::string("Can not write the EvaLog: ") + e.what()});
            return nullptr;
        }
    };
    return runBulkWith(app, st, from, to, opt, readers, pane, progress, callerWs, onCommitted,
                       evaLog);
}

BulkResult RunBulkInto(SpreadsheetApp& app, SpreadsheetState& st, int from, int to,
                       const BulkOptions& opt, const ReaderTable& readers, Log& pane,
                       Progress& progress, const SinkFactory& makeSink) {
    return runBulkWith(app, st, from, to, opt, readers, pane, progress, std::nullopt, {}, makeSink);
}

} // namespace mv

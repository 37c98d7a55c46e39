#include "core/Log.h"
#include "core/SignalStore.h"
#include "core/TimeWindow.h"
#include "processing/MV_func.h"

#include <chrono>
#include <ctime>

namespace mv {

namespace {

// Functions that take the whole window in one call.
bool wholeWindow(TFnTyp t) {
    return t == fnBandPass || t == fnFilter0 || t == fnMirror || t == fnZeroing;
}

// Functions that cannot run without their auxiliary signal.
bool needsAux(TFnTyp t) {
    return t == fnGate || t == fnIncrem_AB || t == fnStepAver || t == fnTriStateReg || t == fnWork;
}

std::string nowText() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

// Why a step cannot run over samples [s, s + len) of signal sig, or nothing.
std::optional<std::string> cannotRun(const ProcessContext& ctx, int sig, int step, std::int64_t s,
                                     std::int64_t len) {
    const TFnSlot& fs = ctx.fnSlots(sig, step);
    const TFnDef& d = ctx.fnSlots.FnTable[fs.FnTyp];
    for (int k = 1; k <= d.ParCount; ++k) {
        if (d.Par[k].Kind != fpSigNo)
            continue;
        const int v = fs.par(k).i;
        if (v == 0) {
            if (needsAux(fs.FnTyp))
                return d.Name.str() + " needs a signal number in \"" + d.Par[k].Name.str() + "\"";
            continue;
        }
        if (!SignalStore::validSlot(v) || !ctx.store[v].occupied())
            return d.Name.str() + " reads signal " + std::to_string(v) + ", which is empty";
        const SignalRecord& a = ctx.store[v];
        if (a.SampleCount < s + len || static_cast<std::int64_t>(a.Data.size()) < s + len)
            return d.Name.str() + " reads signal " + std::to_string(v) +
                   ", which is shorter than the window";
    }
    return std::nullopt;
}

} // namespace

ProcessResult ProcessSignal(const ProcessContext& ctx, int sig, double t1, double t2, bool inPlace,
                            bool keepName, Log& log, const ProcessOptions& opts) {
    FnSlots& chain = ctx.fnSlots;
    SignalRecord& rec = ctx.store[sig];
    bool any = false;
    for (int step = 0; step < kFnStepCount; ++step)
        any = any || chain(sig, step).FnTyp != fnNone;
    if (!any)
        return {};
    if (!rec.occupied() || rec.Data.size() < static_cast<std::size_t>(rec.SampleCount)) {
        log.warn("Signal " + std::to_string(sig) + " holds no samples to process");
        return {ProcessStatus::Refused, 0};
    }

    int target = sig;
    if (!inPlace) {
        target = ctx.store.SlotAfterLast();
        if (target > kSlotCount) {
            log.warn(kNoRoomForResults);
            return {ProcessStatus::NoRoom, 0};
        }
    }

    const SampleRange win = windowToSamples(t1, t2, rec.f_sampl, rec.SampleCount);
    const std::int64_t s = win.first - 1;
    const std::int64_t len = win.count();

    // The chains are applied again under this signal's own sampling rate.
    const ProcessContext atRate{ctx.store, ctx.fnSlots, rec.f_sampl, ctx.replayedSamples};

    // Every step must be able to run before anything changes.
    {
        for (int step = 0; step < kFnStepCount; ++step) {
            const TFnSlot& fs = chain(sig, step);
            if (fs.FnTyp == fnNone)
                continue;
            std::string why;
            if (auto aux = cannotRun(atRate, sig, step, s, len)) {
                why = *aux;
            } else if (auto limit = FnLimitProblem(atRate, sig, step)) {
                // The parameters are applied again under this signal's sampling rate.
                why = ctx.fnSlots.FnTable[fs.FnTyp].Name.str() + ": " + *limit;
            }
            if (!why.empty()) {
                log.warn("Signal " + std::to_string(sig) + " is not processed: Fn" +
                         std::to_string(step + 1) + " " + why);
                return {ProcessStatus::Refused, 0};
            }
        }
    }

    chain.FnBlockLen = kFnBlockLen;
    const std::int64_t block = chain.FnBlockLen;
    std::string name = rec.SigName.str();
    rec.ProcData = rec.Data.clone();

    int active = 0;
    for (int step = 0; step < kFnStepCount; ++step)
        active += chain(sig, step).FnTyp != fnNone ? 1 : 0;
    const std::int64_t total = len * active;
    std::int64_t done = 0;
    constexpr std::int64_t kProgressEvery = 1024; // blocks between progress calls
    {
        const std::int64_t replayed =
            ctx.replayedSamples ? ctx.replayedSamples->load(std::memory_order_acquire) : 0;
        const FnRunContext run{rec.f_sampl, replayed, &log};
        for (int step = 0; step < kFnStepCount; ++step) {
            TFnSlot& fs = chain(sig, step);
            if (fs.FnTyp == fnNone)
                continue;
            const TFnTyp type = fs.FnTyp;
            const std::string fnName = chain.FnTable[type].Name.str();
            std::string why;
            if (!FnAttach(atRate, sig, step, FnSlotText(chain, sig, step), log, &why)) {
                log.warn("Signal " + std::to_string(sig) + ": Fn" + std::to_string(step + 1) + " " +
                         fnName + " was dropped: " + why);
                continue;
            }
            FnSlotReset(chain, sig, step);

            fs.ParVal[type][0].i = sig;
            fs.Buf = rec.ProcData.data() + s;
            fs.Aux.fill(nullptr);
            const TFnDef& d = chain.FnTable[type];
            int j = 0;
            for (int k = 1; k <= d.ParCount; ++k) {
                if (d.Par[k].Kind != fpSigNo)
                    continue;
                ++j;
                const int v = fs.par(k).i;
                if (v >= 1 && j <= kFnMaxAux)
                    fs.Aux[j] = ctx.store[v].Data.data() + s;
            }

            if (wholeWindow(type)) {
                if (type == fnZeroing) {
                    std::optional<double> mean;
                    if (opts.lowerGraphMean)
                        mean = opts.lowerGraphMean(sig);
                    if (!mean) {
                        double sum = 0.0;
                        for (std::int64_t i = 0; i < len; ++i)
                            sum += rec.Data[static_cast<std::size_t>(s + i)];
                        mean = len > 0 ? sum / double(len) : 0.0;
                    }
                    fs.ParVal[fnZeroing][1].f = static_cast<float>(-*mean);
                }
                fs.Count = static_cast<std::int32_t>(len);
                d.Run(fs, run);
                done += len;
            } else {
                const std::int64_t nb = len / block, rest = len % block;
                fs.Count = static_cast<std::int32_t>(block);
                for (std::int64_t b = 0; b < nb; ++b) {
                    d.Run(fs, run);
                    fs.Buf += block;
                    for (auto& a : fs.Aux)
                        if (a)
                            a += block;
                    done += block;
                    if (opts.progress && (b + 1) % kProgressEvery == 0)
                        opts.progress->report(double(done) / double(total), name);
                }
                fs.Count = static_cast<std::int32_t>(rest);
                d.Run(fs, run);
                done += rest;
            }
            fs.Buf = nullptr;
            fs.Aux.fill(nullptr);
            fs.Count = 0;
            if (!keepName)
                name += "_" + fnName;
            if (opts.progress)
                opts.progress->report(total > 0 ? double(done) / double(total) : 1.0, name);
        }
    }
    rec.ProcFn = false;
    const std::string note = nowText() + " " + opts.programName;

    // The replay clock may read the slots: the result goes in under the store's guard.
    SignalStore::WriteGuard guard = ctx.store.writeGuard();
    if (inPlace) {
        rec.Data = std::move(rec.ProcData);
        rec.ProcData.reset();
        rec.SigName = name;
        rec.Sig_note = note;
        rec.Unsaved = true;
        return {ProcessStatus::Done, sig};
    }
    SignalRecord& out = ctx.store[target];
    out.copyDescriptionFrom(rec);
    out.DecPlaces = rec.DecPlaces;
    out.SampleCount = rec.SampleCount;
    out.Data = std::move(rec.ProcData);
    rec.ProcData.reset();
    out.ProcData.reset();
    out.SigDir.clear();
    out.Sens_type = "Computed signal";
    out.SigName = name;
    out.Sig_note = note;
    out.Unsaved = true;
    return {ProcessStatus::Done, target};
}

int ProcessAllSignals(const ProcessContext& ctx, double t1, double t2, bool keepName, Log& log,
                      const ProcessOptions& opts) {
    int processed = 0;
    for (int sig = 1; sig <= kSlotCount; ++sig) {
        // A cancel takes effect between signals: each is either as before or complete.
        if (opts.progress && opts.progress->cancelled())
            break;
        const SignalRecord& r = ctx.store[sig];
        if (!r.occupied() || !r.ProcFn)
            continue;
        const ProcessResult res = ProcessSignal(ctx, sig, t1, t2, r.Ovr, keepName, log, opts);
        processed += res.status == ProcessStatus::Done ? 1 : 0;
    }
    return processed;
}

} // namespace mv

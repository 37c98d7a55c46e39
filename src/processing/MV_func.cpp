#include "processing/MV_func.h"

#include "core/Errors.h"
#include "core/Log.h"
#include "core/SignalStore.h"
#include "core/TextNumbers.h"
#include "core/TimeWindow.h"
#include "fft/FFTrec.h"
#include "processing/FnCompute.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace mv {

TFnSlot::TFnSlot() = default;
TFnSlot::~TFnSlot() = default;
TFnSlot::TFnSlot(TFnSlot&&) noexcept = default;
TFnSlot& TFnSlot::operator=(TFnSlot&&) noexcept = default;

FnSlots::FnSlots() : FnTable(BuildFnTable()), steps_(kSlotCount * kFnStepCount) {}

TFnSlot& FnSlots::operator()(int sig, int step) {
    if (!SignalStore::validSlot(sig) || step < 0 || step >= kFnStepCount)
        throw RangeError("function step " + std::to_string(step + 1) + " of signal " +
                         std::to_string(sig) + " does not exist");
    return steps_[static_cast<std::size_t>((sig - 1) * kFnStepCount + step)];
}

const TFnSlot& FnSlots::operator()(int sig, int step) const {
    return const_cast<FnSlots&>(*this)(sig, step);
}

namespace {

bool parseInt(std::string_view text, std::int32_t& out) {
    const auto v = parseWholeInt32(text);
    if (!v)
        return false;
    out = *v;
    return true;
}

// Reads with '.' as the separator; the first ',' counts as '.', so a value typed with a
// decimal comma is accepted too.
bool parseFloat(std::string_view text, float& out) {
    std::string t(trimBlanks(text));
    if (const auto comma = t.find(','); comma != std::string::npos)
        t[comma] = '.';
    const auto d = parseWholeDouble(t);
    if (!d)
        return false;
    const float f = static_cast<float>(*d);
    if (!std::isfinite(f))
        return false; // no infinities, no NaN, nothing beyond the float range
    out = f;
    return true;
}

std::string formatFloat(float v, char decSep) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, r.ptr);
    if (decSep != '.')
        for (char& c : s)
            if (c == '.')
                c = decSep;
    return s;
}

std::string cutText(std::string s, int maxLen) {
    const std::size_t lim = static_cast<std::size_t>(std::max(0, std::min(maxLen, kFnTextMax)));
    return cutUtf8(s, lim);
}

// The text form from a function name and the value texts of its parameters.
template <class ValueText>
std::string buildText(const TFnDef& d, ValueText value) {
    std::string s = d.Name.str();
    if (d.ParCount == 0)
        return s;
    s += "(";
    for (int k = 1; k <= d.ParCount; ++k) {
        s += " ";
        s += d.Par[k].Name.str();
        s += "=";
        s += value(k);
        s += k == d.ParCount ? ")" : ";";
    }
    return s;
}

std::string stepName(int sig, int step) {
    return "Fn" + std::to_string(step + 1) + " of signal " + std::to_string(sig);
}

// Limits a single value must keep because of the storage it indexes or divides by.
std::optional<std::string> valueLimit(const ProcessContext& ctx, TFnTyp type, int k,
                                      const FnParCell& v) {
    const TFnParDef& p = ctx.fnSlots.FnTable[type].Par[k];
    if (p.Kind == fpSigNo && (v.i < 0 || v.i > kSlotCount))
        return "a signal number must be 0..200";
    switch (type) {
    case fnMovAver:
        if (k == 2 && (v.i < 1 || v.i > kFnRingLen))
            return "Count must be 1..10000";
        break;
    case fnSpeed:
        if (k == 1 && (v.i < 0 || v.i > kSpeedRingLen / 2))
            return "IPR must be 0..500";
        break;
    case fnDistance:
        if (k == 1 && v.i == 0)
            return "IPR must not be 0";
        break;
    case fnStepAver:
        if (k == 4 && !(v.f > 0.0f))
            return "the step length must be above 0";
        break;
    case fnTriStateReg:
        if (k == 4 && v.i < 0)
            return "ComNo must be 0 (no port) or a port number";
        break;
    case fnSPL:
        if (k == 4 && v.i < 0)
            return "AverCnt must not be negative";
        if (k == 5 && (v.i < 0 || v.i > kFFTRingLen))
            return "Overlay must be 0..66196";
        break;
    case fnFilter:
        if (k == 4 && (v.f < 0.0f || v.f >= ctx.f_process / 2.0))
            return "f1 must be 0 or more and below half the sampling frequency";
        break;
    default:
        break;
    }
    return std::nullopt;
}

// Limits that join two values of one function.
std::optional<std::string> functionLimit(const ProcessContext& ctx, const TFnSlot& s, TFnTyp type) {
    if (type == fnStepAver) {
        const double step = s.ParVal[type][4].f;
        if (!(step > 0.0))
            return "the step length must be above 0";
        const std::int64_t k = roundHalfEven(s.ParVal[type][3].f / step);
        if (k < 1 || k > kStepAverMax)
            return "Aver length / Step length must round to 1..20";
    }
    for (int k = 1; k <= ctx.fnSlots.FnTable[type].ParCount; ++k)
        if (auto why = valueLimit(ctx, type, k, s.ParVal[type][k]))
            return why;
    return std::nullopt;
}

void designFilter(const ProcessContext& ctx, TFnSlot& s, int sig, int step, Log& log) {
    const auto& v = s.ParVal[fnFilter];
    const IirKind kind = v[2].i == 1 ? IirKind::HighPass : IirKind::LowPass;
    const double alpha = v[4].f / ctx.f_process;
    const IirDesignResult r = DesignIirFilter(kind, v[3].i + 1, alpha, s.st.filter);
    if (!r.ok)
        log.warn(stepName(sig, step) + ": Filter: " + r.message);
}

void openPort(const ProcessContext& ctx, TFnSlot& s, int sig, int step, Log& log) {
    s.port.close();
    const int n = s.ParVal[fnTriStateReg][4].i;
    if (n == 0)
        return;
    const std::string path = ctx.fnSlots.comPorts.pathOf(n);
    std::string why;
    if (!s.port.open(path, why))
        log.warn(stepName(sig, step) + ": Tri-state_regulator: port COM" + std::to_string(n) +
                 " (" + path + ") cannot be opened (" + why +
                 "); the regulator runs without output lines");
}

FnParamStatus setParam(const ProcessContext& ctx, int sig, int step, TFnTyp type, int k,
                       std::string_view text, Log& log, bool joinedLimits) {
    if (type < 0 || type >= kFnTypeCount)
        return FnParamStatus::Invalid;
    TFnDef& def = ctx.fnSlots.FnTable[type];
    if (k < 1 || k > def.ParCount)
        return FnParamStatus::Invalid;
    TFnSlot& s = ctx.fnSlots(sig, step);
    TFnParDef& p = def.Par[k];
    FnParCell v = s.ParVal[type][k];
    switch (p.Kind) {
    case fpInteger:
    case fpSigNo:
        if (!parseInt(text, v.i))
            return FnParamStatus::Invalid;
        break;
    case fpFloat:
        if (!parseFloat(text, v.f))
            return FnParamStatus::Invalid;
        break;
    case fpString:
        break;
    case fpList: {
        int found = -1;
        for (int i = 0; i <= p.HighItem && found < 0; ++i)
            if (p.Items[i] == text)
                found = i;
        if (found < 0)
            return FnParamStatus::Invalid;
        v.i = found;
        break;
    }
    }
    std::optional<std::string> why = valueLimit(ctx, type, k, v);
    if (!why && joinedLimits && type == fnStepAver && (k == 3 || k == 4)) {
        TFnSlot probe;
        probe.ParVal[type] = s.ParVal[type];
        probe.ParVal[type][k] = v;
        if (probe.ParVal[type][4].f > 0.0f)
            why = functionLimit(ctx, probe, type);
    }
    if (why) {
        log.warn(stepName(sig, step) + ": " + def.Name.str() + " \"" + p.Name.str() +
                 "\" = " + std::string(text) + " is refused: " + *why);
        return FnParamStatus::OutOfLimits;
    }
    if (p.Kind == fpString)
        s.texts[type * 16 + k] = cutUtf8(text, 64);
    s.ParVal[type][k] = v;
    p.DefaultText = text;
    if (type == fnFilter)
        designFilter(ctx, s, sig, step, log);
    if (type == fnTriStateReg && k == 4)
        openPort(ctx, s, sig, step, log);
    return FnParamStatus::Accepted;
}

// The last step of every attach, failed or not.
void settle(TFnSlot& s, TFnTyp type) {
    if (type == fnNone) {
        s.fft.reset();
        s.port.close();
    } else if (type == fnSPL && !s.fft) {
        s.fft = std::make_unique<TFFTrec>();
    }
    s.FnTyp = type;
    resetRunState(s);
}

} // namespace

FnText FnDefaultText(const FnSlots& fs, TFnTyp type, int maxLen, char) {
    if (type < 0 || type >= kFnTypeCount)
        return {"", false};
    const TFnDef& d = fs.FnTable[type];
    std::string s = buildText(d, [&](int k) { return d.Par[k].DefaultText.str(); });
    if (static_cast<int>(s.size()) > std::min(maxLen, kFnTextMax))
        return {"", false};
    return {s, true};
}

FnText FnPickText(const ProcessContext& ctx, TFnTyp type, int maxLen) {
    if (type < 0 || type >= kFnTypeCount)
        return {"", false};
    const TFnDef& d = ctx.fnSlots.FnTable[type];
    const auto value = [&](int k) {
        std::string text = d.Par[k].DefaultText.str();
        // A corner at or above half of f process would be refused: a quarter of it is a
        // corner every f process in range can run.
        float f = 0.0f;
        if (type == fnFilter && k == 4 && parseFloat(text, f)) {
            FnParCell cell;
            cell.f = f;
            if (valueLimit(ctx, type, k, cell))
                text = formatFloat(static_cast<float>(ctx.f_process / 4.0), '.');
        }
        return text;
    };
    std::string s = buildText(d, value);
    if (static_cast<int>(s.size()) > std::min(maxLen, kFnTextMax))
        return {"", false};
    return {s, true};
}

std::string FnParamText(const FnSlots& fs, int sig, int step, int k, char decSep) {
    const TFnSlot& s = fs(sig, step);
    const TFnDef& d = fs.FnTable[s.FnTyp];
    if (k < 1 || k > d.ParCount)
        return "";
    const TFnParDef& p = d.Par[k];
    const FnParCell& v = s.par(k);
    switch (p.Kind) {
    case fpInteger:
    case fpSigNo:
        return std::to_string(v.i);
    case fpFloat:
        return formatFloat(v.f, decSep);
    case fpString: {
        const auto it = s.texts.find(s.FnTyp * 16 + k);
        return it == s.texts.end() ? "" : it->second;
    }
    case fpList:
        return v.i >= 0 && v.i <= p.HighItem ? p.Items[v.i].str() : "";
    }
    return "";
}

std::string FnSlotText(const FnSlots& fs, int sig, int step, int maxLen, char decSep) {
    const TFnDef& d = fs.FnTable[fs(sig, step).FnTyp];
    return cutText(buildText(d, [&](int k) { return FnParamText(fs, sig, step, k, decSep); }),
                   maxLen);
}

bool FnAttach(const ProcessContext& ctx, int sig, int step, std::string_view text, Log& log,
              std::string* why) {
    TFnSlot& s = ctx.fnSlots(sig, step);
    auto fail = [&](std::string reason) {
        if (why)
            *why = std::move(reason);
        settle(s, fnNone);
        return false;
    };
    const std::size_t open = text.find('(');
    const std::string_view name = open == std::string_view::npos ? "" : text.substr(0, open);
    const int found = fnTypeByName(ctx.fnSlots.FnTable, name);
    if (found < 0)
        return fail("unknown function \"" + std::string(name) + "\"");
    const TFnTyp type = static_cast<TFnTyp>(found);
    if (type != fnNone) {
        const TFnDef& d = ctx.fnSlots.FnTable[type];
        if (text.empty() || text.back() != ')')
            return fail("the text does not end with \")\"");
        std::string work(text);
        work.back() = ';';
        for (int k = 1; k <= d.ParCount; ++k)
            if (work.find(d.Par[k].Name.str()) == std::string::npos)
                return fail("parameter \"" + d.Par[k].Name.str() + "\" is missing");
        for (int k = 1; k <= d.ParCount; ++k) {
            const std::string& pname = d.Par[k].Name.str();
            const std::size_t p = work.find(pname);
            const std::size_t start = p + pname.size() + 1;
            const std::size_t end = work.find(';');
            if (start > work.size() || end == std::string::npos)
                return fail("no value for \"" + pname + "\"");
            const std::string value = end > start ? work.substr(start, end - start) : "";
            // A consumed ';' must not end the next value.
            work[end] = '\x01';
            if (setParam(ctx, sig, step, type, k, value, log, false) != FnParamStatus::Accepted)
                return fail("\"" + value + "\" is not a value of \"" + pname + "\"");
        }
        if (auto limit = functionLimit(ctx, s, type)) {
            log.warn(stepName(sig, step) + ": " + d.Name.str() + " is refused: " + *limit);
            return fail(*limit);
        }
    }
    settle(s, type);
    return true;
}

FnParamStatus FnSetParam(const ProcessContext& ctx, int sig, int step, TFnTyp type, int k,
                         std::string_view valueText, Log& log) {
    return setParam(ctx, sig, step, type, k, valueText, log, true);
}

std::optional<std::string> FnLimitProblem(const ProcessContext& ctx, int sig, int step) {
    const TFnSlot& s = ctx.fnSlots(sig, step);
    return functionLimit(ctx, s, s.FnTyp);
}

void FnSlotReset(FnSlots& fs, int sig, int step) {
    resetRunState(fs(sig, step));
}

void DeleteAllFunctions(const ProcessContext& ctx, Log& log) {
    for (int sig = 1; sig <= kSlotCount; ++sig) {
        for (int step = 0; step < kFnStepCount; ++step)
            FnAttach(ctx, sig, step, "", log);
        SignalRecord& r = ctx.store[sig];
        r.ProcFn = false;
        r.Ovr = false;
        r.SaveDiv = 0;
    }
}

} // namespace mv

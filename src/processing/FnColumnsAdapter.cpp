#include "processing/FnColumnsAdapter.h"

#include "core/Workspace.h"
#include "processing/MV_func.h"

namespace mv {

namespace {
bool validStep(int slot, int step) {
    return SignalStore::validSlot(slot) && step >= 0 && step < kFnStepCount;
}
} // namespace

std::string ChainFnColumns::stepName(int slot, int step) const {
    if (!validStep(slot, step))
        return {};
    return ws_.fnSlots.FnTable[ws_.fnSlots(slot, step).FnTyp].Name.str();
}

std::string ChainFnColumns::stepText(int slot, int step) const {
    if (!validStep(slot, step))
        return {};
    return FnSlotText(ws_.fnSlots, slot, step, kFnTextMax, ws_.decimalSeparator);
}

bool ChainFnColumns::attach(int slot, int step, std::string_view text) {
    if (!validStep(slot, step))
        return false;
    return FnAttach(ws_, slot, step, text, log_);
}

bool ChainFnColumns::hasFunction(int slot) const {
    if (!SignalStore::validSlot(slot))
        return false;
    for (int k = 0; k < kFnStepCount; ++k)
        if (ws_.fnSlots(slot, k).FnTyp != fnNone)
            return true;
    return false;
}

std::vector<std::string> ChainFnColumns::pickNames() const {
    std::vector<std::string> names;
    for (const TFnTyp t : FnPickList(ws_.fnSlots.FnTable))
        names.push_back(ws_.fnSlots.FnTable[t].Name.str());
    return names;
}

std::string ChainFnColumns::defaultText(std::string_view name) const {
    const int t = fnTypeByName(ws_.fnSlots.FnTable, name);
    if (t <= 0)
        return {};
    const FnText ft = FnPickText(ws_, static_cast<TFnTyp>(t));
    return ft.ok ? ft.text : std::string();
}

std::string ChainFnColumns::description(int slot, int step) const {
    if (!validStep(slot, step))
        return {};
    return ws_.fnSlots.FnTable[ws_.fnSlots(slot, step).FnTyp].Description.str();
}

std::vector<FnParamInfo> ChainFnColumns::params(int slot, int step) const {
    std::vector<FnParamInfo> out;
    if (!validStep(slot, step))
        return out;
    const TFnSlot& s = ws_.fnSlots(slot, step);
    const TFnDef& d = ws_.fnSlots.FnTable[s.FnTyp];
    for (int k = 1; k <= d.ParCount; ++k) {
        const TFnParDef& p = d.Par[std::size_t(k)];
        FnParamInfo info;
        info.name = p.Name.str();
        info.isList = p.Kind == fpList;
        if (info.isList) {
            for (int i = 0; i <= p.HighItem && i < kFnMaxItems; ++i)
                info.items.push_back(p.Items[std::size_t(i)].str());
            info.listIndex = s.ParVal[std::size_t(s.FnTyp)][std::size_t(k)].i;
        } else {
            info.text = FnParamText(ws_.fnSlots, slot, step, k, ws_.decimalSeparator);
        }
        out.push_back(std::move(info));
    }
    return out;
}

bool ChainFnColumns::setParam(int slot, int step, int k, std::string_view text) {
    if (!validStep(slot, step))
        return false;
    const TFnTyp t = ws_.fnSlots(slot, step).FnTyp;
    if (FnSetParam(ws_, slot, step, t, k, text, log_) != FnParamStatus::Accepted)
        return false;
    FnSlotReset(ws_.fnSlots, slot, step);
    return true;
}

void ChainFnColumns::processWindow(double t1, double t2,
                                   const std::function<std::optional<double>(int)>& lowerGraphMean,
                                   Log& log) {
    // The chains read KeepOrigSigName from the settings themselves.
    ProcessOptions opts;
    opts.lowerGraphMean = lowerGraphMean;
    if (idle)
        opts.progress = [this](std::int64_t, std::int64_t) { idle(); };
    ProcessAllSignals(ws_, t1, t2, log, opts);
}

void ChainFnColumns::deleteAllFunctions() {
    DeleteAllFunctions(ws_, log_);
}

} // namespace mv
